"""
The interactive cases: Orvanta.exe runs with its settings dialog, on the
collector simulator and with the typing target, as the unattended ones do;
a user, played from outside by ui_driver.exe, works the buttons, fields,
the code picker, message boxes and the tray menu's Open and Exit. Controls
and menu commands go by their names in src/res/resource.h.

The keep-online series below are left to themselves while the typing target
makes a window gap or the simulated port goes away: the user only waits for
the records and two more polls, looks for a message box, and exits.

The runner (__main__) applies ALWAYS and a case's own checks to its run.
"""
import os
import re
import time

from .checks import (delivered, exit_code, journal_actions, kept_focus, lines_received_start, port_lost, seen,
                     settings_start,
                     stopped_within, typed, typed_once_but_resent, typed_whole_after_a_piece, user_done,
                     window_gaps_quiet)
from .environment import wait_for
from .harness import (REPO, InteractiveSetup, reads_so_far, record_options, typed_records, typed_so_far,
                      wait_until_delivered, wait_until_polled, wait_until_typed)


def dialog_caption(template):
    """The caption a dialog template of the program's resources gives."""
    with open(os.path.join(REPO, "src", "res", "orvanta.rc")) as f:
        resources = f.read()
    return re.search(rf'^{template} DIALOGEX.*?^CAPTION "([^"]*)"', resources, re.M | re.S).group(1)


DIALOG = dialog_caption("MainFormDlg")
GRID = dialog_caption("GridDlg")
RECENT = dialog_caption("RecentRecordsDlg")
TARGET = "Typing target"


# The users. Start goes to the dialog as the button's notification only, so
# that the typing target keeps the keyboard focus for the records.

def start_over_rs232(driver, outcome):
    driver("wait", DIALOG, "visible")
    driver("select", DIALOG, "IDC_TRANSMISSION_TYPE", "0")
    driver("foreground", TARGET)
    driver("command", DIALOG, "IDC_START")
    outcome.seen["hidden after Start"] = driver("wait", DIALOG, "hidden", "10")
    wait_until_typed(outcome, b"abc\r4006381333931\r")
    driver("tray", "IDM_TRAY_EXIT")


def prefix_enter(driver, outcome):
    driver("wait", DIALOG, "visible")
    driver("select", DIALOG, "IDC_TRANSMISSION_TYPE", "0")
    driver("click", DIALOG, "IDC_PREFIX_ENABLED")
    driver("press", DIALOG, "IDC_PREFIX_CODES", "4", "4")
    driver("wait", GRID, "visible")
    driver("pickcell", GRID, "0", "13")
    driver("click", GRID, "IDC_GRID_OK")
    driver("wait", GRID, "gone")
    outcome.seen["prefix field"] = driver("gettext", DIALOG, "IDC_PREFIX_CODES")
    driver("foreground", TARGET)
    driver("command", DIALOG, "IDC_START")
    wait_until_typed(outcome, b"\rabc\r")
    driver("tray", "IDM_TRAY_EXIT")


def missing_port(driver, outcome):
    driver("wait", DIALOG, "visible")
    driver("command", DIALOG, "IDC_START")
    outcome.seen["message"] = driver("messagebox")
    outcome.seen["hidden after the message"] = driver("wait", DIALOG, "hidden", "5")
    driver("tray", "IDM_TRAY_OPEN")
    outcome.seen["shown by Open"] = driver("wait", DIALOG, "visible", "10")
    driver("tray", "IDM_TRAY_EXIT")


# The transfer starts while the dialog opens, and the dialog stays hidden:
# the target keeps the focus from the start, with no help from the user,
# through the READs the collector first refuses and two polls.
def keep_online_from_command_line(driver, outcome):
    wait_until_delivered(outcome, 2)
    wait_until_typed(outcome, b"abc\rdef\r")
    outcome.seen["dialog hidden"] = driver("wait", DIALOG, "hidden", "1")
    driver("tray", "IDM_TRAY_EXIT")


def keep_online_until_delivered(count):
    """Keep-online left to itself: once the collector has all `count`
    records, two more polls must follow (the series goes on), and no message
    box may be waiting for a click."""
    def user(driver, outcome):
        wait_until_delivered(outcome, count, seconds=60)
        wait_until_polled(outcome, reads_so_far(outcome) + 2, seconds=20)
        outcome.seen["message box"] = driver("messagebox", "0", check=False)
        driver("tray", "IDM_TRAY_EXIT")
    return user


KEEP_ONLINE = "1,1,1,1,1,1,2"      # polls every second
NO_MESSAGE_BOX = seen("message box", "no message box")
SIX = ("4006381333931", "LOT-2024/07 A", "Qty: 12", "5901234123457", "SKU 10-4471/X", "PACK 7 ACK")


def window_gap(kind, seconds, after="2", whole=typed(typed_records(*SIX)), command_line=KEEP_ONLINE):
    """The target stops being a window to type into at the Enter of the
    second record (or after the given count, "31c" in characters), for
    longer than a transfer's NAKs would last, and comes back. A record whose
    keys all went in counts as delivered, whatever its window does next:
    each record is typed once, none into the window while it is away."""
    return (InteractiveSetup(command_line, sim_options=record_options(*SIX),
                             target_options=["--gap", "%s,%s,%s" % (kind, after, seconds)],
                             user=keep_online_until_delivered(6)),
            [whole, delivered(6), window_gaps_quiet(1), NO_MESSAGE_BOX, kept_focus])


LONG = "LOT-24B117 EXP 2026-03 QTY 48 SKU 10-4471/XY"


def session_ends_while_typing(driver, outcome):
    """The user logs off while the long record 2 is being typed: asked
    whether the session may end, the program stops the record at its next
    key before it answers; then the end comes as the Restart Manager gives
    it to a program it closes, which must then end by itself."""
    wait_for(lambda: typed_so_far(outcome).startswith(b"abc\rLOT-"), 30)
    outcome.seen["answer"] = driver("session", "query")
    time.sleep(2)   # long enough for several more characters at 60 ms
    driver("session", "closeapp")


def type_again_chosen_record(driver, outcome):
    """Three records typed by a keep-online series; then the user opens
    Recent records, narrows the list to the second record by a search,
    chooses it, clicks Type again and, within the countdown, the window to
    type into: the record comes once more, and only it."""
    wait_until_typed(outcome, typed_records(*SIX[:3]), seconds=60)
    driver("tray", "IDM_TRAY_RECENT")
    driver("wait", RECENT, "visible")
    driver("settext", RECENT, "IDC_RECENT_SEARCH", "lot-2024")
    driver("listselect", RECENT, "IDC_RECENT_LIST", "1")   # the record, under its transfer's line
    driver("click", RECENT, "IDC_TYPE_AGAIN")
    outcome.seen["window closed"] = driver("wait", RECENT, "gone", "5")
    driver("foreground", TARGET)
    wait_until_typed(outcome, typed_records(*SIX[:3], SIX[1]), seconds=20)
    driver("tray", "IDM_TRAY_EXIT")


def exit_with_recent_records_open(driver, outcome):
    """A keep-online series types its first batch; the user opens Recent
    records and, leaving it open, clicks the window to type into: the
    series goes on meanwhile and types the next batch there, and Exit in
    the tray ends the program with the list still open."""
    wait_until_typed(outcome, typed_records(*SIX[:2]), seconds=60)
    driver("tray", "IDM_TRAY_RECENT")
    driver("wait", RECENT, "visible")
    driver("foreground", TARGET)
    wait_until_typed(outcome, typed_records(*SIX[:4]), seconds=30)
    outcome.seen["list open"] = driver("wait", RECENT, "visible", "1")
    driver("tray", "IDM_TRAY_EXIT")


RS232_LINES = b"0\r\n1\r\n0\r\n1\r\n0\r\n2\r\n2\r\n"
ENTER_PREFIX = b"1\x7f" + bytes(9) + b"\r\n"

CASES = {
    "type_again_from_recent_records": (
        InteractiveSetup(KEEP_ONLINE, sim_options=record_options(*SIX[:3]), user=type_again_chosen_record),
        [typed(typed_records(*SIX[:3], SIX[1])), seen("window closed", "ok"),
         journal_actions(("typed", SIX[0]), ("typed", SIX[1]), ("typed", SIX[2]), ("typed again", SIX[1]))]),
    "keep_online_goes_on_and_exits_with_recent_records_open": (
        InteractiveSetup(KEEP_ONLINE, user=exit_with_recent_records_open,
                         sim_options=record_options(*SIX[:2]) + ["--next-batch"] + record_options(*SIX[2:4])),
        [typed(typed_records(*SIX[:4])), delivered(4), seen("list open", "ok")]),
    "interactive_start_types_records": (
        InteractiveSetup("", sim_options=record_options("abc", "4006381333931"), user=start_over_rs232),
        [typed(b"abc\r4006381333931\r"), seen("hidden after Start", "ok"), settings_start(RS232_LINES)]),
    "interactive_prefix_enter_saved_as_127": (
        InteractiveSetup("", sim_options=record_options("abc"), user=prefix_enter),
        [typed(b"\rabc\r"), seen("prefix field", " Enter"), settings_start(RS232_LINES + ENTER_PREFIX)]),
    "interactive_missing_port": (
        InteractiveSetup("", ports={1: "absent"}, user=missing_port),
        [typed(b""), seen("message", "Error|Failed to open the COM port!"),
         seen("hidden after the message", "ok"), seen("shown by Open", "ok")]),
    "interactive_keep_online_command_line": (
        InteractiveSetup("1,1,1,1,1,1,2", user=keep_online_from_command_line,
                         sim_options=record_options("abc") + ["--next-batch"] + record_options("def")
                         + ["--nak-read", "12"]),
        [typed(b"abc\rdef\r"), lines_received_start(*["READ"] * 13, "ACK", "READ", "ACK"),
         seen("dialog hidden", "ok"), kept_focus]),
    "keep_online_target_hides": window_gap("hide", 5),
    "keep_online_target_minimizes": window_gap("minimize", 6),
    # Destroyed at the Enter; another window opens 8 s later.
    "keep_online_target_goes_away": window_gap("away", 8),
    # Three characters into record 3: the rest is not typed there, and the
    # collector's next copy goes whole to the window when it is back. At
    # 60 ms a character no key of the record is still on its way when the
    # window hides; keys already on their way would count as delivered.
    "keep_online_target_hides_within_a_record": window_gap("hide", 5, "31c", typed_whole_after_a_piece(*SIX),
                                                           command_line="1,1,1,1,1,1,60"),
    # The adapter is pulled while record 3 is being typed and put back 3 s
    # later: record 3's ACK may go down with the port, and only that record
    # may be typed twice.
    "keep_online_port_lost": (
        InteractiveSetup(KEEP_ONLINE, user=keep_online_until_delivered(6),
                         sim_options=record_options(*SIX) + ["--port-lost-after", "2", "--port-lost-delay-ms", "120",
                                                             "--port-back-after", "3"]),
        [typed_once_but_resent(*SIX), delivered(6), port_lost(1), NO_MESSAGE_BOX, kept_focus]),
    # Only "abc" was acknowledged; the process ends by itself (exit code 1).
    "keep_online_session_ends_while_typing": (
        InteractiveSetup("1,1,1,1,1,1,60", user=session_ends_while_typing,
                         sim_options=record_options("abc", LONG, "xyz")),
        [stopped_within("abc", record=LONG), delivered(1), seen("answer", "may end")]),
    # Started at logon before the adapter is plugged in.
    "keep_online_port_appears_later": (
        InteractiveSetup(KEEP_ONLINE, user=keep_online_until_delivered(3),
                         sim_options=record_options(*SIX[:3]) + ["--port-appears-after", "4"]),
        [typed(typed_records(*SIX[:3])), delivered(3), NO_MESSAGE_BOX, kept_focus]),
}

# Every interactive run ends through the tray menu's Exit, with exit code 1.
ALWAYS = [user_done, exit_code(1)]
