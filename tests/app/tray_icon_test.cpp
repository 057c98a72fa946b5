#include <gtest/gtest.h>

#include "fakes/fake_platform.h"

namespace orvanta {
namespace {

using fakes::Event;
using fakes::EventLog;

struct TrayCase {
    const char* name;
    int refusals;
    const char* actions;   // s show, r retry timer, t taskbar created, x remove
    EventLog expected;
};

const Event added{"icon add", 1}, refused{"icon add", 0}, retry{"retry", kTrayRetryMs}, stop{"retry stop"},
    removed{"icon remove"};

// The icon is the only way back to a hidden dialog: it is added until the
// shell takes it, and again whenever the shell starts anew, for as long as
// the program wants it.
TEST(TrayIcon, IsAddedUntilTheShellHasItForAsLongAsItIsWanted)
{
    const TrayCase cases[] = {
        {"added at once", 0, "s", {added, stop}},
        {"refused at logon, taken later", 2, "srr", {refused, retry, refused, retry, added, stop}},
        {"Explorer restarted", 0, "st", {added, stop, added, stop}},
        {"removed while refused: no more tries", 1, "sxrt", {refused, retry, stop, removed, stop}},
        {"a late retry timer after the icon was taken", 0, "sr", {added, stop, stop}},
    };
    for (const TrayCase& c : cases) {
        EventLog log;
        fakes::FakeNotificationArea area(log);
        area.refusals = c.refusals;
        TrayIcon icon(area);
        for (const char* action = c.actions; *action; ++action) {
            switch (*action) {
            case 's': icon.show(); break;
            case 'r': icon.onRetryTimer(); break;
            case 't': icon.onTaskbarCreated(); break;
            case 'x': icon.remove(); break;
            }
        }
        EXPECT_EQ(log, c.expected) << c.name;
    }
}

}  // namespace
}  // namespace orvanta
