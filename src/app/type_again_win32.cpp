/*
 * "Recent records..." in the tray menu: the journal is read, the user
 * chooses records or transfers, and the tray counts down five seconds for
 * the user to click the window to type into; then the engine has them
 * typed again, under the rules of a transfer, by the same typing worker,
 * taking turns with a transfer's records a whole record at a time.
 */
#include <cstdio>

#include "app/app_win32.h"
#include "ui/recent_records_win32.h"

namespace orvanta {
namespace {

constexpr int kCountdownSeconds = 5;

void showCountdown(App& app)
{
    char tip[kTrayTipSize];
    std::snprintf(tip, sizeof tip, "%s\nTyping again in %d s: click the window to type into", kTrayTitle,
                  app.typeAgain.seconds);
    app.notificationArea.setLook(tip, false);
}

void startTyping(App& app)
{
    app.trayIcon.seriesChanged(app.reports.last);   // the tip as it was
    std::vector<std::string> lines;
    for (const JournalRow& row : app.typeAgain.records)
        lines.push_back(row.bytes);
    app.journal.beginAgainBatch(std::move(app.typeAgain.records));
    app.typeAgain.records.clear();
    app.driver.feed(events::TypeAgain{std::move(lines)});
}

}  // namespace

// The dialog's loop ends with the program's: nothing is chosen then. One
// batch at a time: while one counts down or is typed the menu item does
// nothing, so that the journal's rows of the batch under way stay its own.
void OnRecentRecords(App& app, HWND window)
{
    if (app.typeAgain.seconds > 0 || app.program.engine.typesAgain())
        return;
    std::vector<JournalRow> chosen = showRecentRecords(app.instance, window, app.journalStore);
    if (chosen.empty() || app.ending)
        return;
    app.typeAgain.records = std::move(chosen);
    app.typeAgain.seconds = kCountdownSeconds;
    app.notificationArea.showBalloon("Typing again in 5 s: click the window to type into.", false);
    showCountdown(app);
    SetTimer(window, kTypeAgainTimerId, 1000, nullptr);
}

void OnTypeAgainTimer(App& app, HWND window)
{
    if (--app.typeAgain.seconds > 0)
        return showCountdown(app);
    KillTimer(window, kTypeAgainTimerId);
    startTyping(app);
}

// What is being typed again stops with the engine's Stop; the countdown
// stops here.
void stopTypingAgainCountdown(App& app, HWND window)
{
    app.typeAgain.seconds = 0;
    app.typeAgain.records.clear();
    KillTimer(window, kTypeAgainTimerId);
}

}  // namespace orvanta
