/*
 * Reporting to the Application event log. RegisterEventSource falls back
 * to the Application log for a source nobody registered, so the same code
 * serves the installed and the unzipped program; a failure to report is
 * nothing the user could act on and is let go.
 */
#include "app/event_log_win32.h"

#include <string>
#include <vector>

namespace orvanta {
namespace {

WORD eventType(EventLevel level)
{
    switch (level) {
    case EventLevel::Warning: return EVENTLOG_WARNING_TYPE;
    case EventLevel::Error: return EVENTLOG_ERROR_TYPE;
    case EventLevel::Information: break;
    }
    return EVENTLOG_INFORMATION_TYPE;
}

std::wstring wideOf(const std::string& utf8)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

}  // namespace

void SystemEventLog::open()
{
    if (!source_)
        source_ = RegisterEventSourceW(nullptr, L"Orvanta");
}

void SystemEventLog::close()
{
    if (source_)
        DeregisterEventSource(source_);
    source_ = nullptr;
}

void SystemEventLog::report(const EventReport& event, std::uint64_t nowMs)
{
    if (!source_ || !throttle_.allow(event.id, nowMs))
        return;
    std::vector<std::wstring> texts;
    for (const std::string& text : event.strings)
        texts.push_back(wideOf(text));
    std::vector<LPCWSTR> strings;
    for (const std::wstring& text : texts)
        strings.push_back(text.c_str());
    ReportEventW(source_, eventType(event.level), 0, event.id, nullptr, static_cast<WORD>(strings.size()), 0,
                 strings.empty() ? nullptr : strings.data(), nullptr);
}

}  // namespace orvanta
