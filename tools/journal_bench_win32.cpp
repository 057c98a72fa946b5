/*
 * The journal at the size of a busy PC: makes journals as the program
 * writes them, and measures what a row costs beside a large day's file and
 * what "Recent records" costs over months of them.
 *
 *   journal_bench.exe make FOLDER DAYS [ROWS_A_DAY]
 *       DAYS files of ROWS_A_DAY rows (10,000 by default), up to yesterday,
 *       in transfers of 100 records into a few windows; one record of the
 *       oldest day is "NEEDLE-4711", for a search that finds one row
 *   journal_bench.exe rows FOLDER
 *       100 rows written and flushed after a day's file of 50,000 rows
 *   journal_bench.exe list FOLDER [SEARCH]
 *       "Recent records" read from FOLDER: time to the first view, to the
 *       whole list, the memory it took, and the time of a search
 *   journal_bench.exe
 *       all of it in a folder under %TEMP%: rows, then journals of 1, 30
 *       and 89 days; prints the tables of docs/performance.md
 */
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "journal/journal_win32.h"
#include "journal/journal_writer.h"
#include "platform/text_win32.h"
#include "ui/recent_records_loader.h"

namespace orvanta {
namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The process's private bytes (its commit charge: PagefileUsage, which
// wine keeps as well, where it leaves PrivateUsage at 0).
double privateMegabytes()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PagefileUsage) / (1024.0 * 1024.0);
}

LocalTime timeOf(const JournalDay& day, int secondOfDay)
{
    return {day.year, day.month, day.day, secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60, 0, 60};
}

// Codes as a shop's collector holds them: EAN-13 numbers and lot labels.
std::string recordOf(unsigned number)
{
    char text[32];
    if (number % 3 == 0)
        std::snprintf(text, sizeof text, "LOT-%02uB%03u EXP 2026-%02u", number % 97, number % 1000, number % 12 + 1);
    else
        std::snprintf(text, sizeof text, "40063813%05u", number % 100000);
    return text;
}

// A day of rows from 06:00 on, a record every two seconds.
std::string dayOfRows(const JournalDay& day, int rows, bool needle)
{
    const char* const windows[] = {"Untitled - Notepad", "Goods receipt - ERP", "Stock count.xlsx - Excel"};
    const char* const programs[] = {"notepad.exe", "erp.exe", "EXCEL.EXE"};
    std::string content = journalFileStart();
    content.reserve(static_cast<std::size_t>(rows) * 160);
    LocalTime transfer;
    for (int i = 0; i < rows; ++i) {
        JournalRow row;
        row.time = timeOf(day, 6 * 3600 + i * 2 % (18 * 3600));
        if (i % 100 == 0)
            transfer = row.time;
        row.transfer = transfer;
        row.comPort = 3;
        row.record = needle && i == 57 ? "NEEDLE-4711" : recordOf(static_cast<unsigned>(dayNumber(day) * 10007 + i));
        row.bytes = static_cast<char>('0' + i % 10) + row.record + "\x4A\x33";
        row.windowTitle = windows[i / 100 % 3];
        row.program = programs[i / 100 % 3];
        content += journalRow(row);
    }
    return content;
}

int make(const std::wstring& folder, int days, int rowsADay)
{
    Win32JournalStore store(folder);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const long long today = dayNumber({now.wYear, now.wMonth, now.wDay});
    for (int back = days; back >= 1; --back) {
        const JournalDay day = dayFromNumber(today - back);
        if (store.append(journalFileName(day), dayOfRows(day, rowsADay, back == days)) != Appended::Whole) {
            std::fprintf(stderr, "cannot write %s\n", journalFileName(day).c_str());
            return 1;
        }
    }
    return 0;
}

void clear(const std::wstring& folder)
{
    Win32JournalStore store(folder);
    for (const std::string& name : store.names())
        store.remove(name);
}

void printTimes(const char* what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double m : ms)
        sum += m;
    std::printf("| %s | %.2f ms | %.2f ms | %.2f ms |\n", what, sum / static_cast<double>(ms.size()),
                ms[ms.size() / 2], ms.back());
}

// The cost of a row beside a day's file of 50,000 rows: each opened for
// appending, written in one call, flushed and closed, as before each ACK;
// then while another program holds the day's file open, as a spreadsheet
// that shows it does, and the rows go to its pending file.
int rows(const std::wstring& folder)
{
    clear(folder);
    Win32JournalStore store(folder);
    Win32JournalSources sources;
    const LocalTime now = sources.now();
    const std::string dayFile = journalFileName(now);
    (void)store.append(dayFile, dayOfRows(dayOf(now), 50000, false));
    JournalWriter writer(store, kDefaultJournalDays);
    writer.start(now);
    JournalRow row;
    row.comPort = 3;
    row.record = "4006381333931";
    row.bytes = "0" + row.record + "\x4A\x33";
    row.windowTitle = "Untitled - Notepad";
    row.program = "notepad.exe";
    const auto timeRows = [&](JournalWrite expected) {
        std::vector<double> ms;
        for (int i = 0; i < 100; ++i) {
            row.time = row.transfer = sources.now();
            const auto start = Clock::now();
            if (writer.write(row) != expected)
                return std::vector<double>{};
            ms.push_back(msSince(start));
        }
        return ms;
    };
    const std::vector<double> written = timeRows(JournalWrite::Written);
    HANDLE held = CreateFileW((folder + L"\\" + wideOf(dayFile)).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    const std::vector<double> pending = timeRows(JournalWrite::Pending);
    CloseHandle(held);
    const auto moving = Clock::now();
    const bool moved = writer.movePending();
    const double moveMs = msSince(moving);
    clear(folder);
    if (written.empty() || pending.empty() || !moved)
        return 1;
    printTimes("row after 50,000, written and flushed", written);
    printTimes("row while the day's file is held, to its pending file", pending);
    std::printf("| the 100 pending rows moved into the day's file | %.2f ms | | |\n", moveMs);
    return 0;
}

// Waits for the loader's views, as the window does; a view answers when
// `done` says so.
struct Watch {
    std::mutex lock;
    std::condition_variable published;
    std::unique_ptr<RecentRecordsLoader> loader;

    template <typename Done>
    void await(Done done)
    {
        std::unique_lock hold(lock);
        published.wait(hold, [&] { return loader->view() && done(*loader->view()); });
    }
};

int list(const std::wstring& folder, const std::string& search, const char* label)
{
    Win32JournalStore store(folder);
    const double before = privateMegabytes();
    Watch watch;
    const auto start = Clock::now();
    watch.loader = std::make_unique<RecentRecordsLoader>(store, [&watch] {
        const std::lock_guard hold(watch.lock);
        watch.published.notify_all();
    });
    watch.await([](const RecentView& view) { return view.filesRead > 0 || view.complete(); });
    const double first = msSince(start);
    watch.await([](const RecentView& view) { return view.complete(); });
    const double whole = msSince(start);
    const double grown = privateMegabytes() - before;
    const std::size_t rowsRead = watch.loader->view()->order->rows();
    const auto searched = Clock::now();
    watch.loader->search(search);
    watch.await([&](const RecentView& view) { return view.search == search; });
    const double found = msSince(searched);
    std::printf("| %s | %zu | %.0f ms | %.0f ms | %.1f MB | %.0f ms (%zu found) |\n", label, rowsRead, first, whole,
                grown, found, watch.loader->view()->list.records());
    return 0;
}

std::wstring tempFolder()
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"OrvantaJournalBench";
}

int all()
{
    const std::wstring folder = tempFolder();
    std::printf("| step | mean | median | longest |\n|---|---|---|---|\n");
    if (rows(folder) != 0)
        return 1;
    std::printf("\n| journal | rows | first view | whole list | memory | search \"needle\" |\n"
                "|---|---|---|---|---|---|\n");
    for (const int days : {1, 30, 89}) {
        clear(folder);
        if (make(folder, days, 10000) != 0)
            return 1;
        list(folder, "needle", (std::to_string(days) + (days == 1 ? " day" : " days")).c_str());
    }
    clear(folder);
    RemoveDirectoryW(folder.c_str());
    return 0;
}

}  // namespace
}  // namespace orvanta

int main(int argc, char** argv)
{
    using namespace orvanta;
    const std::string command = argc > 1 ? argv[1] : "";
    const std::wstring folder = argc > 2 ? wideOf(argv[2]) : std::wstring();
    if (command.empty())
        return all();
    if (command == "make" && argc >= 4)
        return make(folder, std::atoi(argv[3]), argc > 4 ? std::atoi(argv[4]) : 10000);
    if (command == "rows" && argc >= 3)
        return rows(folder);
    if (command == "list" && argc >= 3)
        return list(folder, argc > 3 ? argv[3] : "needle", "journal");
    std::fprintf(stderr, "usage: journal_bench [make FOLDER DAYS [ROWS] | rows FOLDER | list FOLDER [SEARCH]]\n");
    return 2;
}
