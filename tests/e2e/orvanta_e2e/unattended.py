"""
The unattended cases: each runs Orvanta.exe from a command line, with its
COM port on the collector simulator and the typing target in the
foreground, and compares what was typed byte for byte, the exit code, the
settings file and the conversation as the simulator saw it.

A run whose transfer completed (or had nothing to send) ends with exit code
1; a row whose run ends otherwise names its code, the one a batch file sees.

The runner (__main__) applies ALWAYS and a case's own checks to its run.
"""
from .checks import (DAY_FILE, JOURNAL_START, PENDING_FILE, caps_lock_scan_code, cradle_conversation, delivered,
                     ended_within, episodes, exit_code, exit_codes_in_any_order, journal_bytes, journal_file,
                     journal_hex, journaled, keydowns, kept_focus, line_rate, lines_received, moved_to_second_window,
                     pending_moved, port_lost,
                     settings_file, typed)
from .harness import CH340_SOCKET, Setup, byte_record_options, record_options, typed_records
from .simulator import record_line

# 2 ms between characters: the typing stays quick, and every key still goes
# through the program's pacing.
UNATTENDED = "1,1,1,1,0,2,2"


def settings_image(*lines):
    """The settings file as the command line writes it: seven decimal lines,
    then prefix and suffix records, both off and empty."""
    empty_codes = b"0" + bytes(10) + b"\r\n"
    return b"".join(b"%d\r\n" % v for v in lines) + empty_codes * 2


WORKED = ("abc", "", "YYY")    # sequence 0; 1 without data; 2 whose checksum low byte goes as 14
# Every printable character; wine finds no key for ( and ) in the keymap of
# a bare Xvfb, so those two go as Unicode.
PRINTABLE = "".join(chr(c) for c in range(32, 127))
# Every byte a record can carry that types a character: the control codes
# Backspace (8) and Tab (9), Escape, the control characters 28 to 31, and
# everything from the space to 255; the navigation keys (1..7, 11, 12, 14)
# type no character but go into the same record. CR ends a record, LF types
# nothing, and the function keys would act on the target.
NAVIGATION = bytes([1, 2, 3, 4, 5, 6, 7, 11, 12, 14])
EVERY_BYTE = bytes([b for b in range(1, 256) if b not in (10, 13) and not 15 <= b <= 26])
EVERY_CHARACTER = bytes([b for b in EVERY_BYTE if b not in NAVIGATION])
# What a program reading scan codes sees: the probe's Caps Lock taps aside,
# the keys of "aZ1", the navigation keys (extended: Insert is not Numpad 0),
# Escape and the record's Enter.
SCAN_CODE_RECORD = b"aZ1" + NAVIGATION + b"\x1b"
SCAN_CODES = [(0x41, 0x1E, False), (0x10, 0x2A, False), (0x5A, 0x2C, False), (0x31, 0x02, False),
              (0x2D, 0x52, True), (0x2E, 0x53, True), (0x24, 0x47, True), (0x23, 0x4F, True),
              (0x26, 0x48, True), (0x28, 0x50, True), (0x25, 0x4B, True), (0x27, 0x4D, True),
              (0x21, 0x49, True), (0x22, 0x51, True), (0x1B, 0x01, False), (0x0D, 0x1C, False)]
# A German keymap: letters that move (Y and Z change places), letters and
# signs on keys of their own, and the accents of dead keys before letters
# they would combine with. AltGr characters (@, {, [, the euro sign) are
# left out: wine types nothing for injected AltGr chords.
GERMAN = (b"yzYZ", "äöüßÄÖÜ°§".encode("cp1252"), "^a`e´o ^ ".encode("cp1252"),
          b"\"&/()=?#'+*-_:;,.!$%<>")
TWELVE = tuple("item %d" % n for n in range(1, 13))
SHOP = ("4006381333931", "LOT-2024/07 A", "Qty: 12, Price $3.49!")
# Long enough, at 60 ms a character, for something to happen in its
# middle; the record after it in lower case, which a held Shift would change.
LONG = "LOT-24B117 EXP 2026-03 QTY 48 SKU 10-4471/XY"
HELD = (SHOP[0], LONG, "lot-7 batch 12 ok")
# Code page 932: katakana and digits; a record whose last byte is a lead
# byte, which must not take the CR with it (a byte that forms no character
# types U+FFFD, which an ANSI window receives as "?").
SHIFT_JIS = ("テスト123".encode("cp932"), b"XY\xe9", b"NEXT-01")

# What the journal must keep as it was: a comma, a double quote and a
# semicolon (CSV separators), GS (a control character in GS1 barcodes) and
# an accented letter of code page 1252.
JOURNALED = ("12,5 kg", 'say "hi"', "a;b;c", "01\x1d10ABC", "caf\xe9")

# A printed barcode carrying keys: F4 (which opens Explorer's address
# bar), Esc, Home and Delete among its characters and a Tab; and what a
# PC whose IT set "Type only characters, Tab and Enter from records" types
# of it. Wine's reg.exe writes the machine's value as a policy would.
KEYS_IN_DATA = b"\x12LOT-7\x1b A\x03\tB\x029"
ONLY_CHARACTERS = b"LOT-7 A\tB9"
POLICY_TYPE_ONLY_CHARACTERS = (r"HKLM\Software\Orvanta", "TypeOnlyCharacters", 1)
F4, ESC, HOME, DELETE = 0x73, 0x1B, 0x24, 0x2E

# A row of the morning, already in the day's journal file.
MORNING = "EARLY-0600"
MORNING_ROW = ("{today}T06:00:00.000+00:00,COM1,%s,%s,Untitled - Notepad,notepad.exe,typed,"
               "{today}T06:00:00.000+00:00\r\n"
               % (MORNING, journal_hex(record_line(0, MORNING.encode())[:-1]))).encode()

# The cradle's adapter as the user's key keeps it from a run on COM1, in
# the USB socket it was in then.
KEPT_ON_COM1 = ["ChosenPort=COM1", "PortName=COM1", "InstanceId=USB\\" + CH340_SOCKET % 3, "VendorId=1A86",
                "ProductId=7523", "FriendlyName=USB-SERIAL CH340 (COM1)"]

CASES = {
    # The adapter went into another socket since the last run: the run for
    # COM1 finds it as COM9 and takes the records from there.
    "unattended_after_the_adapter_moved": (
        Setup(UNATTENDED, ports={1: "absent", 9: "sim"}, adapters={9: CH340_SOCKET % 4}, kept_adapter=KEPT_ON_COM1,
              sim_options=record_options(*WORKED)),
        [typed(typed_records(*WORKED)), delivered(len(WORKED))]),
    # A spreadsheet shows the day's file through a whole run: every record
    # is typed and acknowledged all the same, its row waiting in the day's
    # pending file and the day's file left as it was; the next run, the
    # file closed, moves the waiting rows in before its own.
    "journal_rows_wait_while_the_day_file_is_held": (
        Setup(UNATTENDED, sim_options=record_options(*TWELVE[:5]) + ["--next-batch"] + record_options(*TWELVE[5:8]),
              journal_files={DAY_FILE: JOURNAL_START + MORNING_ROW}, held_journal=DAY_FILE, run_again=True),
        [typed(typed_records(*TWELVE[:8])), delivered(8),
         journal_file(DAY_FILE, [MORNING], run=1), journal_file(PENDING_FILE, TWELVE[:5], run=1),
         journal_file(DAY_FILE, [MORNING, *TWELVE[:8]]), journal_file(PENDING_FILE, None),
         pending_moved(DAY_FILE, PENDING_FILE)]),
    # The keys of a record's data press nothing where the machine says so;
    # the journal has the line as it came.
    "only_characters_typed_where_the_machine_says_so": (
        Setup(UNATTENDED, sim_options=byte_record_options(KEYS_IN_DATA), registry=[POLICY_TYPE_ONLY_CHARACTERS]),
        [typed(ONLY_CHARACTERS + b"\r"), keydowns([], keys={F4, ESC, HOME, DELETE}), delivered(1),
         journal_bytes(record_line(0, KEYS_IN_DATA)[:-1])]),
    "journal_keeps_every_record": (
        Setup(UNATTENDED, sim_options=byte_record_options(*[r.encode("cp1252") for r in JOURNALED])),
        [typed(typed_records(*JOURNALED)), journaled(JOURNALED, "Typing target")]),
    "records_typed_in_order": (
        Setup(UNATTENDED, sim_options=record_options(*WORKED, *SHOP)),
        [typed(typed_records(*WORKED, *SHOP)), lines_received("READ", *["ACK"] * 6), delivered(6),
         line_rate(115200)]),
    # COM12 at 57600 without CR: the port name, the rate field and add-CR off.
    "com12_57600_without_cr": (
        Setup("1,12,2,0,0,2,2", ports={12: "sim"}, sim_options=record_options(*WORKED, "x-1")),
        [typed(b"abcYYYx-1"), lines_received("READ", *["ACK"] * 4), line_rate(57600)]),
    "printable_characters": (
        Setup(UNATTENDED, sim_options=record_options(PRINTABLE[:47], PRINTABLE[47:])),
        [typed(typed_records(PRINTABLE[:47], PRINTABLE[47:])), delivered(2)]),
    "every_byte_value": (
        Setup(UNATTENDED, sim_options=byte_record_options(EVERY_BYTE)),
        [typed(EVERY_CHARACTER + b"\r"), delivered(1)]),
    "scan_codes_and_extended_keys": (
        Setup(UNATTENDED, sim_options=byte_record_options(SCAN_CODE_RECORD)),
        [keydowns(SCAN_CODES, keys={k[0] for k in SCAN_CODES}), caps_lock_scan_code, delivered(1)]),
    "german_keymap": (
        Setup(UNATTENDED, sim_options=byte_record_options(*GERMAN), keymap="de"),
        [typed(b"".join(r + b"\r" for r in GERMAN)), delivered(4),
         keydowns([(0x59, 0x2C, False), (0x5A, 0x15, False)] * 2, keys={0x59, 0x5A})]),
    # Nothing to type into: every record stays in the collector, and the
    # wait for a window uses up no NAKs.
    "no_window_open": (
        Setup(UNATTENDED, sim_options=record_options(*SHOP), target=False),
        [exit_code(108), delivered(0), lines_received("READ"), ended_within(30)]),
    "sequence_wraps_after_nine": (
        Setup(UNATTENDED, sim_options=record_options(*TWELVE)),
        [typed(typed_records(*TWELVE)), lines_received("READ", *["ACK"] * 12), delivered(12)]),
    "lost_ack_typed_once": (
        Setup(UNATTENDED, sim_options=record_options(*SHOP) + ["--lose-ack", "2"]),
        [typed(typed_records(*SHOP)),
         lines_received("READ", "ACK", "ACK", "ACK", "ACK"), delivered(3)]),
    "damaged_record_nak_then_typed": (
        Setup(UNATTENDED, sim_options=record_options(*SHOP) + ["--damage", "2"]),
        [typed(typed_records(*SHOP)),
         lines_received("READ", "ACK", "NAK", "ACK", "ACK"), delivered(3)]),
    # Record 1 comes twice in one write: the second copy was there before
    # the ACK went out, so it gets none of its own; the collector, waiting
    # for a second ACK, goes on at the NAK of the answer time-out.
    "doubled_record_typed_once": (
        Setup(UNATTENDED, sim_options=record_options(*SHOP) + ["--duplicate", "1"]),
        [typed(typed_records(*SHOP)),
         lines_received("READ", "ACK", "NAK", "ACK", "ACK"), delivered(3)]),
    # A line of noise before each record: a line that is no record, so NAK, then the record.
    "noise_between_lines": (
        Setup(UNATTENDED, sim_options=record_options(*SHOP) + ["--noise", "#~\\x93\\r"]),
        [typed(typed_records(*SHOP)), lines_received("READ", "NAK", "ACK", "NAK", "ACK", "NAK", "ACK"),
         delivered(3)]),
    "records_split_over_writes": (
        Setup(UNATTENDED, sim_options=record_options(*SHOP) + ["--split", "4", "--split-pause-ms", "15"]),
        [typed(typed_records(*SHOP)), lines_received("READ", "ACK", "ACK", "ACK"), delivered(3)]),
    # A long record arriving slowly (as 900 bytes do at 9600 bit/s: about a
    # second): no NAK while it comes, typed once, no record lost behind it.
    "slow_long_record": (
        Setup(UNATTENDED, sim_options=record_options("L" * 900, *SHOP)
              + ["--split", "30", "--split-pause-ms", "35"]),
        [typed(typed_records("L" * 900, *SHOP)), lines_received("READ", "ACK", "ACK", "ACK", "ACK"),
         delivered(4)]),
    # The collector's own answer time-out runs out on record 2 before the
    # program's ACK comes: it sends the record again and, on that late ACK,
    # record 3 right behind it. Answering the repeat as well would make the
    # collector take that ACK for record 3.
    "collector_times_out_before_ack": (
        Setup(UNATTENDED, sim_options=record_options(*SHOP, "abc") + ["--early-timeout", "2"]),
        [typed(typed_records(*SHOP, "abc")), lines_received("READ", *["ACK"] * 4), delivered(4)]),
    # The collector's own time-out runs out while the long record 2 is
    # typed: its copy reaches the port before the ACK goes out, and the
    # collector takes that ACK for the copy. It sends each next record only
    # 0.4 s after an ACK, so an ACK for the copy as well would count for
    # record 3, which then arrives damaged.
    "collector_repeats_while_a_record_is_typed": (
        Setup(UNATTENDED, sim_options=record_options(SHOP[0], "L" * 300, "abc", "xyz")
              + ["--early-timeout", "2", "--next-record-delay-ms", "400", "--damage", "3"]),
        [typed(typed_records(SHOP[0], "L" * 300, "abc", "xyz")), delivered(4)]),
    # A damaged record with OVER in its data is no end marker.
    "damaged_record_containing_over": (
        Setup(UNATTENDED, sim_options=record_options("abc", "COVER-12", "xyz") + ["--damage", "2"]),
        [typed(typed_records("abc", "COVER-12", "xyz")), lines_received("READ", "ACK", "NAK", "ACK", "ACK"),
         delivered(3)]),
    "read_answered_with_nak": (
        Setup(UNATTENDED, sim_options=record_options("abc") + ["--nak-read", "2"]),
        [typed(typed_records("abc")), lines_received("READ", "READ", "READ", "ACK")]),
    # Records are classified before the end-marker test: a barcode with
    # OVER in it is data, at any sequence value; the real marker still ends.
    "record_containing_over": (
        Setup(UNATTENDED, sim_options=record_options("abc", "COVER-12", "HANDOVER 7")),
        [typed(typed_records("abc", "COVER-12", "HANDOVER 7")),
         lines_received("READ", "ACK", "ACK", "ACK"), delivered(3)]),
    "silent_collector": (
        Setup(UNATTENDED, sim_options=record_options("abc") + ["--silent"]),
        [exit_code(104), typed(b""), lines_received(*["READ"] * 7)]),
    # The wait for the first record is bounded like every other: NAKs, then the end.
    "silent_after_acknowledgement": (
        Setup(UNATTENDED, sim_options=record_options("abc") + ["--silent-after-ack"]),
        [exit_code(105), typed(b""), lines_received("READ", *["NAK"] * 6)]),
    # Two runs on one port, started together as two batch files might:
    # one gets every record, typed once, and the collector hears only it
    # (first refusing a few READs, so that the other surely comes while
    # the port is held); the other finds the port in use and ends at once
    # with the code of a port that cannot be opened.
    "two_runs_on_one_port": (
        Setup(UNATTENDED, sim_options=record_options(*SHOP) + ["--nak-read", "3"], together=True),
        [exit_codes_in_any_order(1, 101), typed(typed_records(*SHOP)), delivered(3),
         lines_received(*["READ"] * 4, *["ACK"] * 3)]),
    "missing_com_port": (
        Setup(UNATTENDED, ports={1: "absent"}),
        [exit_code(101), typed(b""), ended_within(20)]),
    # The adapter is pulled after two records and stays away: the run ends
    # with the two typed, instead of waiting for it.
    "port_lost_ends_the_run": (
        Setup(UNATTENDED, sim_options=record_options(*SHOP) + ["--port-lost-after", "2",
                                                               "--port-back-after", "600"]),
        [exit_code(107), typed(typed_records(*SHOP[:2])), delivered(2), port_lost(1), ended_within(30)]),
    # Infrared chosen, but no cradle in front of the collector: nothing
    # echoes the probe at any rate.
    "cradle_never_answers": (
        Setup("2,1,3,1,0,2,2", sim_options=record_options(*SHOP)),
        [exit_code(103), typed(b""), delivered(0), ended_within(30)]),
    "cradle_from_9600_to_38400": (
        Setup("2,1,3,1,0,2,2", sim_options=record_options(*SHOP) + ["--cradle-rate", "9600"]),
        [typed(typed_records(*SHOP)), cradle_conversation, delivered(3)]),
    "settings_file_from_command_line": (
        Setup("2,3,1,1,0,5,20", ports={3: "absent"}),
        [exit_code(101), settings_file(settings_image(1, 3, 0, 1, 0, 5, 20))]),
    # The application drops the focus of its field for 0.4 s at every
    # Enter, as it takes the line: no record may be typed again for that.
    "focus_dropped_at_every_enter": (
        Setup(UNATTENDED, sim_options=record_options(*TWELVE[:5]), target_options=["--busy", "focus,every,0.4"]),
        [typed(typed_records(*TWELVE[:5])), delivered(5), episodes("busy", 5)]),
    # Its thread stops answering for 1 s after the first record's Enter, and
    # its field drops the focus at the third: keys sent meanwhile would wait
    # in its queue and then find no focus.
    "thread_stops_answering_after_enter": (
        Setup(UNATTENDED, sim_options=record_options(*TWELVE[:5]),
              target_options=["--busy", "hang,1,1", "--busy", "focus,3,0.5"]),
        [typed(typed_records(*TWELVE[:5])), delivered(5), episodes("busy", 2)]),
    # Another program holds Ctrl for 0.6 s in the middle of the long record,
    # and Shift in the middle of the next: typing waits for the keys to go up.
    "modifiers_held_mid_record": (
        Setup("1,1,1,1,0,2,60", sim_options=record_options(*HELD),
              target_options=["--hold", "17,34c,0.6", "--hold", "16,65c,0.6"]),
        [typed(typed_records(*HELD)), delivered(3), episodes("hold", 2)]),
    # Another window takes the front ten characters into the long record;
    # at 60 ms a character no key is on its way while the front changes.
    "front_window_changes_mid_record": (
        Setup("1,1,1,1,0,2,60", sim_options=record_options("abc", LONG, "xyz"), target_options=["--switch", "14c"]),
        [moved_to_second_window("abc", LONG, "xyz", moved=2), delivered(3), episodes("switch", 1)]),
    # The same at 2 ms a character, thirty characters in, where the target's
    # thread is slower than the typing: at most the key after the one that
    # made the window is on its way when the front changes.
    "front_window_changes_at_full_speed": (
        Setup(UNATTENDED, sim_options=record_options("abc", LONG, "xyz"), target_options=["--switch", "30c"]),
        [moved_to_second_window("abc", LONG, "xyz", moved=2, in_flight=1), delivered(3), episodes("switch", 1)]),
    # The user types four semicolons twenty characters into the long
    # record: they wait, and come after the record's last key, in order.
    "user_types_during_a_record": (
        Setup("1,1,1,1,0,2,60", sim_options=record_options("abc", LONG, "xyz"),
              target_options=["--press", "186,20c,4"]),
        [typed(b"abc\r" + LONG.encode() + b"\r;;;;xyz\r"), delivered(3), episodes("press", 1)]),
    "code_page_932": (
        Setup(UNATTENDED, sim_options=byte_record_options(*SHIFT_JIS), locale="ja_JP.UTF-8"),
        [typed(SHIFT_JIS[0] + b"\rXY?\rNEXT-01\r"), delivered(3)]),
    # As in a protected folder: the settings are not kept, the run goes on.
    "settings_file_cannot_be_written": (
        Setup(UNATTENDED, sim_options=record_options(*SHOP), settings_unwritable=True),
        [typed(typed_records(*SHOP)), delivered(3), settings_file(None)]),
}

for _setup, _checks in CASES.values():
    if not any(hasattr(check, "exit_code") for check in _checks):
        _checks.insert(0, exit_code(1))

# Every unattended run shows nothing: the target keeps the focus throughout.
ALWAYS = [kept_focus]
