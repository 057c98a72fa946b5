"""
The interactive cases: Orvanta.exe runs with its settings dialog, on the
collector simulator and with the typing target, as the unattended ones do;
a user, played from outside by ui_driver.exe, works the buttons, fields,
the code picker, message boxes and the tray menu's Open and Exit. Controls
and menu commands go by their names in src/res/resource.h.

The runner (__main__) applies ALWAYS and a case's own checks to its run.
"""
import re
from pathlib import Path

from .checks import exit_code, kept_focus, lines_received_start, seen, settings_start, typed, user_done
from .harness import InteractiveSetup, record_options, wait_until_delivered, wait_until_typed


def dialog_caption(template):
    """The caption a dialog template of the program's resources gives."""
    resources = (Path(__file__).resolve().parents[3] / "src" / "res" / "orvanta.rc").read_text()
    return re.search(rf'^{template} DIALOGEX.*?^CAPTION "([^"]*)"', resources, re.M | re.S).group(1)


DIALOG = dialog_caption("MainFormDlg")
GRID = dialog_caption("GridDlg")
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


RS232_LINES = b"0\r\n1\r\n0\r\n1\r\n0\r\n2\r\n2\r\n"
ENTER_PREFIX = b"1\x7f" + bytes(9) + b"\r\n"

CASES = {
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
}

# Every interactive run ends through the tray menu's Exit, with exit code 1.
ALWAYS = [user_done, exit_code(1)]
