/*
 * The "Recent records" window: the journal, newest transfer first, with a
 * search box; the user chooses records or whole transfers and "Type
 * again". Modal, so that the keyboard works in it as in any dialog; the
 * journal is read meanwhile on a thread of its own.
 */
#pragma once

#include <windows.h>

#include <vector>

#include "journal/journal_store.h"
#include "journal/journal_row.h"

namespace orvanta {

// The records chosen to be typed again; none when the window was closed.
std::vector<JournalRow> showRecentRecords(HINSTANCE instance, HWND owner, JournalStore& journal);

}  // namespace orvanta
