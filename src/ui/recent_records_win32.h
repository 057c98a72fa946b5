/*
 * The "Recent records" window: the journal, newest transfer first, with a
 * search box; the user chooses records or whole transfers and "Type
 * again". Modal, so that the keyboard works in it as in any dialog.
 */
#pragma once

#include <windows.h>

#include <vector>

#include "ui/recent_records.h"

namespace orvanta {

// The records chosen to be typed again; none when the window was closed.
std::vector<JournalRow> showRecentRecords(HINSTANCE instance, HWND owner, const RecentRecords& recent);

}  // namespace orvanta
