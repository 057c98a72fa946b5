/*
 * "Recent records..." in the tray menu: the journal is read, the user
 * chooses records or transfers, the tray counts down five seconds for the
 * user to click the window to type into, and a thread of its own types
 * them under the rules of a transfer. A record of a running transfer and
 * one typed again take turns, a whole record at a time.
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
                  app.typeAgain.countdown);
    app.notificationArea.setLook(tip, false);
}

void startTyping(App& app, HWND window)
{
    app.trayIcon.seriesChanged(app.seriesReports.last);   // the tip as it was
    app.typeAgain.worker = std::thread([&app, window, records = std::move(app.typeAgain.records)] {
        const TypeAgainResult result = typeAgain(records, app.program.delivery, app.program.typing, app.journalRecorder);
        PostMessageA(window, kTypeAgainDone, result.typed, static_cast<LPARAM>(records.size()));
    });
}

}  // namespace

void OnRecentRecords(App& app, HWND window)
{
    if (app.typeAgain.underWay())
        return;
    const RecentRecords recent(readWholeJournal(app.journalStore));
    std::vector<JournalRow> chosen = showRecentRecords(app.instance, window, recent);
    if (chosen.empty())
        return;
    app.typeAgain.records = std::move(chosen);
    app.typeAgain.countdown = kCountdownSeconds;
    app.notificationArea.showBalloon("Typing again in 5 s: click the window to type into.", false);
    showCountdown(app);
    SetTimer(window, kTypeAgainTimerId, 1000, nullptr);
}

void OnTypeAgainTimer(App& app, HWND window)
{
    if (--app.typeAgain.countdown > 0)
        return showCountdown(app);
    KillTimer(window, kTypeAgainTimerId);
    startTyping(app, window);
}

void OnTypeAgainDone(App& app, WPARAM typed, LPARAM chosen)
{
    if (app.typeAgain.worker.joinable())
        app.typeAgain.worker.join();
    char text[160];
    if (typed == static_cast<WPARAM>(chosen))
        std::snprintf(text, sizeof text, "%u record(s) typed again.", static_cast<unsigned>(typed));
    else
        std::snprintf(text, sizeof text, "Typing again stopped after %u of %u records: no window could take the next.",
                      static_cast<unsigned>(typed), static_cast<unsigned>(chosen));
    app.notificationArea.showBalloon(text, typed != static_cast<WPARAM>(chosen));
}

// The record being typed again stops at its next key, unfinished and not
// journaled; the program does not end while a thread types.
void stopTypingAgain(App& app, HWND window)
{
    app.typeAgain.countdown = 0;
    KillTimer(window, kTypeAgainTimerId);
    if (!app.typeAgain.worker.joinable())
        return;
    app.program.typing.stopRequested = true;
    app.typeAgain.worker.join();
}

}  // namespace orvanta
