"""
What the end-to-end cases require of a run: each check takes the bench's
Outcome and returns a problem text, or None when the run is as required.
The functions of arguments make such a check.
"""
import csv
import io

from .harness import journal_name


def exit_code(expected):
    """The exit code of the run, and of each run where the program ran
    again."""
    def check(o):
        codes = o.exit_codes or [o.exit_code]
        return None if all(code == expected for code in codes) else \
            "exit code %s, expected %d" % ("/".join(map(str, codes)), expected)
    check.exit_code = expected      # a case table can tell a row that names its own
    return check


def exit_codes_in_any_order(*expected):
    """The exit codes of programs started together, whichever ended how."""
    def check(o):
        return None if sorted(o.exit_codes or []) == sorted(expected) else \
            "exit codes %s, expected %s in any order" % (o.exit_codes, "/".join(map(str, expected)))
    check.exit_code = expected
    return check


def typed(expected):
    return lambda o: None if o.typed == expected else \
        "typed %r, expected %r" % (o.typed, expected)


def kept_focus(o):
    return "another window took the focus during the run" if o.focus_lost else None


def typed_once_but_resent(*records):
    """Each record typed once, in order, with add-CR; only a record the
    collector sent again because its ACK went down with the port may follow
    itself once more (the protocol cannot tell it from a new record)."""
    def check(o):
        resent = set(o.sim_records("resent_after_port_loss"))
        lines = o.typed.split(b"\r")
        if lines.pop() != b"":
            return "typed %r, which does not end with a whole record" % o.typed
        position = 0
        for number, record in enumerate(records, 1):
            count = 0
            while position < len(lines) and lines[position] == record.encode("latin-1"):
                position, count = position + 1, count + 1
            if count != 1 and not (count == 2 and number in resent):
                return "record %d (%r) typed %d times (sent again after a port loss: %s); typed %r" \
                    % (number, record, count, sorted(resent) or "none", o.typed)
        return None if position == len(lines) else "typed %r, more than the records" % o.typed
    return check


def typed_whole_after_a_piece(*records):
    """Each record typed once, in order, with add-CR; the one being typed
    when the window went may have a piece of its start before its whole
    copy, but no more than a piece."""
    def check(o):
        lines = o.typed.split(b"\r")
        expected = [r.encode("latin-1") for r in records]
        pieces = [line for line, record in zip(lines, expected) if line != record]
        if lines[-1:] != [b""] or len(lines) != len(expected) + 1 or len(pieces) > 1:
            return "typed %r, expected %r, a piece of one record at most before it" % (o.typed, expected)
        for line, record in zip(lines, expected):
            if line != record and not (line.endswith(record) and record.startswith(line[:-len(record)])
                                       and len(line) < 2 * len(record)):
                return "typed %r for %r, which is not a piece of it and then all of it" % (line, record)
        return None
    return check


def stopped_within(*records, record):
    """With add-CR: the records whole, then a piece of `record` and nothing
    more: typing stopped in its middle, and it was not finished later."""
    def check(o):
        before = b"".join(r.encode("latin-1") + b"\r" for r in records)
        piece = o.typed[len(before):]
        whole = record.encode("latin-1")
        if o.typed.startswith(before) and piece and whole.startswith(piece) and piece != whole:
            return None
        return "typed %r, expected %r and a piece of %r" % (o.typed, before, whole)
    return check


def moved_to_second_window(*records, moved, in_flight=0):
    """With add-CR: the records before the one numbered `moved` whole in
    the first window, then a piece of that one and nothing else; the second
    window has it whole, and the records after it, after at most
    `in_flight` characters that follow the piece (keys already on their way
    to the application when it changed its window)."""
    def check(o):
        before = b"".join(r.encode("latin-1") + b"\r" for r in records[:moved - 1])
        record = records[moved - 1].encode("latin-1")
        first, second = o.typed_first or b"", o.typed_second
        piece = first[len(before):]
        if not first.startswith(before) or not piece or not record.startswith(piece) or piece == record:
            return "the first window got %r, expected %r and a piece of %r" % (first, before, record)
        rest = b"".join(r.encode("latin-1") + b"\r" for r in records[moved - 1:])
        astray = second[:len(second) - len(rest)] if second.endswith(rest) else None
        if astray is None or len(astray) > in_flight or not record[len(piece):].startswith(astray):
            return "the second window got %r, expected at most %d character(s) after %r, then %r" % (
                second, in_flight, piece, rest)
        return None
    return check


def episodes(name, count):
    """The typing target made `count` busy spells, holds or switches (name),
    each of which ended: a case shows what it claims to."""
    def check(o):
        found = o.episodes(name)
        return None if len(found) == count and all(end is not None for _, _, end in found) else \
            "%s %r, expected %d that ended" % (name, found, count)
    return check


def window_gaps_quiet(count):
    """The typing target made `count` window gaps, came back from each, and
    received nothing while away."""
    def check(o):
        gaps = o.window_gaps()
        if len(gaps) != count or any(end is None for _, _, end in gaps):
            return "window gaps %r, expected %d that ended" % (gaps, count)
        typed_in_gap = [g for g in gaps if g[1] != g[2]]
        return "characters arrived during the window gaps %r" % typed_in_gap if typed_in_gap else None
    return check


def ended_within(seconds):
    # Not a speed test: a bound far above the expected time that tells a
    # program waiting on a missing port apart from one that gives up.
    return lambda o: None if o.seconds < seconds else "took %.1f s, more than %d" % (o.seconds, seconds)


def keydowns(expected, keys=None):
    """The target's WM_KEYDOWNs (virtual key, scan code, extended), only
    those of the given virtual keys when keys is set."""
    def check(o):
        seen = [k for k in o.keydowns() if keys is None or k[0] in keys]
        return None if seen == expected else "key downs %s, expected %s" % (
            " ".join("%02X/%02X%s" % (v, c, "e" if e else "") for v, c, e in seen),
            " ".join("%02X/%02X%s" % (v, c, "e" if e else "") for v, c, e in expected))
    return check


def caps_lock_scan_code(o):
    wrong = [k for k in o.keydowns() if k[0] == 0x14 and k[1:] != (0x3A, False)]
    return "Caps Lock keys %r, expected scan code 0x3A" % wrong if wrong else None


# The conversation as the collector simulator saw it.

def lines_received(*expected):
    return lambda o: None if o.lines_received() == list(expected) else \
        "the collector received %r, expected %r" % (o.lines_received(), list(expected))


def lines_received_start(*expected):
    return lambda o: None if o.lines_received()[:len(expected)] == list(expected) else \
        "the collector received %r, expected it to begin with %r" % (o.lines_received(), list(expected))


def delivered(count):
    return lambda o: None if o.summary.get("delivered") == count else \
        "the collector counted %r records delivered, expected %d" % (o.summary.get("delivered"), count)


def port_lost(times):
    return lambda o: None if o.summary.get("port_losses") == times else \
        "the port went away %r times, expected %d" % (o.summary.get("port_losses"), times)


def line_rate(bits_per_second):
    def check(o):
        rates = sorted({e["speed"] for e in o.sim_events if e["ev"] == "rx"})
        return None if rates == [bits_per_second] else \
            "the program sent at %r bit/s, expected %d" % (rates, bits_per_second)
    return check


def cradle_conversation(o):
    """From a cradle at 9600, target 38400: found at 9600, told to change,
    then the collector is asked at the new rate."""
    seen = [(e["ev"], e.get("speed"), e.get("echoed"), e.get("rate"), e.get("new"))
            for e in o.cradle_events()]
    expected = [("cradle_probe", 9600, True, None, None),
                ("cradle_command", 9600, None, None, None),
                ("cradle_rate_byte", 9600, None, 38400, None),
                ("cradle_switch", None, None, None, 38400),
                ("cradle_done", None, None, 38400, None)]
    if seen != expected:
        return "cradle saw %r, expected %r" % (seen, expected)
    speeds = {e["speed"] for e in o.sim_events if e["ev"] == "rx_line"}
    if speeds != {38400}:
        return "collector lines arrived at %r bit/s, expected 38400 only" % sorted(speeds)
    return None


# The journal of records, read back by Python's csv module.

def journaled(records, window, port="COM1", program="typing_target.exe"):
    """One row per record (text, already decoded), in order, with its bytes as
    received, the window and program that took it, and a local time with
    its UTC offset to the millisecond; the rows of the run's one transfer
    name it by the time of its first row."""
    import re
    time_format = re.compile(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d$")

    def check(o):
        rows = o.journal or []
        got = [(r.get("Record"), r.get("Port"), r.get("Window"), r.get("Program"), r.get("Action")) for r in rows]
        want = [(r, port, window, program, "typed") for r in records]
        if got != want:
            return "journal rows %r, expected %r" % (got, want)
        bad = [r for r in rows if not time_format.match(r.get("Time", "")) or len(r.get("Bytes", "")) < 8]
        if bad:
            return "journal rows without a proper time or bytes: %r" % bad
        transfers = {r.get("Transfer") for r in rows}
        return None if transfers == {rows[0]["Time"]} else "one transfer's rows name transfers %r" % transfers
    return check


def journal_actions(*expected):
    """(Action, Record) of every journal row, in order."""
    def check(o):
        got = tuple((r.get("Action"), r.get("Record")) for r in o.journal or [])
        return None if got == expected else "journal rows %r, expected %r" % (got, expected)
    return check


def journal_hex(line):
    """A record line (sequence value, data, checksum) as a row's Bytes."""
    return " ".join("%02X" % b for b in line)


def journal_bytes(*lines):
    """The Bytes field of every journal row, in order: the line as it came."""
    def check(o):
        got = [r.get("Bytes") for r in o.journal or []]
        want = [journal_hex(line) for line in lines]
        return None if got == want else "journal bytes %r, expected %r" % (got, want)
    return check


# The journal's files themselves, as each run left them: the day's file,
# and the one its rows wait in while another program holds it.

JOURNAL_START = "\ufeffTime,Port,Record,Bytes,Window,Program,Action,Transfer\r\n".encode()
DAY_FILE, PENDING_FILE = "{today}.csv", "{today} pending.csv"


def journal_file(name, records, run=-1):
    """The journal file `name` ("{today}" for the day's date) as run `run`
    (1, 2; -1 the last) left it: its byte order mark and header, then a
    row for each of the records, in order, each once, every line ending in
    CR LF. records None: no such file."""
    def check(o):
        content = o.journal_files[run - 1 if run > 0 else run].get(journal_name(name))
        where = "%s after run %s" % (journal_name(name), run if run > 0 else len(o.journal_files))
        if records is None:
            return None if content is None else "%s is there: %r" % (where, content)
        if content is None:
            return "no %s" % where
        if not content.startswith(JOURNAL_START) or b"\n" in content.replace(b"\r\n", b"") \
                or not content.endswith(b"\r\n"):
            return "%s is not a journal file of CRLF lines: %r" % (where, content)
        got = [row["Record"] for row in csv.DictReader(io.StringIO(content.decode("utf-8-sig"), newline=""))]
        return None if got == list(records) else "%s holds the records %r, expected %r" % (where, got, list(records))
    return check


def pending_moved(day, pending):
    """The rows that waited in the pending file after the first run moved
    into the day's file, byte for byte, in order and once: after the last
    run the day's file is what it was after the first, then those rows,
    then the rows written since."""
    def check(o):
        first, last = o.journal_files[0], o.journal_files[-1]
        before, waiting, after = (first.get(journal_name(day)), first.get(journal_name(pending)),
                                  last.get(journal_name(day)))
        if before is None or waiting is None or after is None:
            return "%s and %s after the first run, %s after the last: not all there" % (day, pending, day)
        moved = before + waiting[len(JOURNAL_START):]
        return None if after.startswith(moved) else \
            "%s is %r, expected it to begin with its rows and then the waiting ones: %r" % (day, after, moved)
    return check


# The settings file the program left next to its exe.

def settings_file(expected):
    return lambda o: None if o.settings_file == expected else \
        "settings file %r, expected %r" % (o.settings_file, expected)


def settings_start(expected):
    """The first bytes of the settings file that Start wrote."""
    return lambda o: None if (o.settings_file or b"").startswith(expected) else \
        "settings file %r, expected it to start with %r" % (o.settings_file, expected)


# The user of an interactive run.

def seen(what, expected):
    return lambda o: None if o.seen.get(what) == expected else \
        "%s: %r, expected %r" % (what, o.seen.get(what), expected)


def heard_nothing(*numbers):
    """Ports of other devices: not a byte sent to any of them."""
    return lambda o: next(("COM%d heard %r" % (n, o.heard.get(n)) for n in numbers if o.heard.get(n) != b""), None)


def settings_port(number):
    """The COM port the settings file holds after the run."""
    def check(o):
        lines = (o.settings_file or b"").split(b"\r\n")
        return None if len(lines) > 1 and lines[1] == str(number).encode() else \
            "settings file %r, expected COM port %d" % (o.settings_file, number)
    return check


def user_done(o):
    return "the user could not finish: " + o.user_problem if o.user_problem else None
