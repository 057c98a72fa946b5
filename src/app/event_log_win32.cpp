/*
 * Reporting to the Application event log. RegisterEventSource falls back
 * to the Application log for a source nobody registered, so the same code
 * serves the installed and the unzipped program; a failure to report is
 * nothing the user could act on and is let go.
 */
#include "app/event_log_win32.h"

#include <string>
#include <vector>

#include "platform/text_win32.h"

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
