#!/usr/bin/env python3
"""
Collector simulator: plays a hand-held barcode collector (and, if asked, the
infrared cradle in front of it) on a pseudo-terminal, so that the Windows
program can be run end to end under wine with its COM port mapped to the
terminal's slave side.

It holds the master side and keeps a slave descriptor open itself (without
one, reads on the master fail with EIO), points a symbolic link at the slave
and answers the program's commands from a list of records. It sends at the
line rate the program set on the terminal, as fast as a cable would carry the
bytes and no faster, and, if asked, sends a record again when the answer to it
does not come in time, as a collector with a time-out of its own does. Faults
of a real line can be switched on one by one. Everything it receives, byte by
byte with the time and line rate, and everything it sends goes to a JSON-lines
log whose last line is a summary; the end-to-end tests judge the program by
that log.

The port itself can misbehave as a USB-serial adapter does: it can go away
after some records (both sides of the terminal closed, the link pointing
nowhere) and come back as a new terminal, and it can appear only a while
after the start, as an adapter plugged in after the program started. The
collector keeps its records meanwhile; a record that went out whole and
whose answer went down with the port goes out again.

Standard library only: the tests run it with the system's python3. It runs
as a process of its own, by path or as `python3 -m orvanta_e2e.simulator`
(the bench starts it by path); it imports nothing of the package, so that
running it by path needs no search path.
"""
import argparse
import codecs
import collections
import json
import os
import select
import signal
import sys
import termios
import time

CR = 13
# A byte on the wire: start bit, 8 data bits, stop bit.
BITS_PER_BYTE = 10
# Bytes go out in slices of about this much wire time, so the main loop is
# back in select() within a few milliseconds however long a line is.
SLICE_SECONDS = 0.002
# A late wake-up up to this long is caught up with; after a longer stall the
# wire stays idle for it instead of carrying a burst faster than the rate.
CATCH_UP_SECONDS = 0.005
# The longest the main loop sleeps: bounds the lag of everything it does.
POLL_SECONDS = 0.02
# The rates the cradle knows, by the byte that selects them.
CRADLE_RATE_BYTES = {0x32: 9600, 0x33: 19200, 0x34: 38400, 0x35: 57600, 0x36: 115200}
CRADLE_PROBE, CRADLE_OPEN, CRADLE_SWITCH = 0x0F, 0x07, 0x51


def record_line(sequence, data):
    """A collector record line: sequence value, data, 16-bit sum (low byte
    first) with 13 sent as 14 so that no byte but the last is a CR."""
    total = (sequence + sum(data)) & 0xFFFF
    checksum = [b if b != CR else 14 for b in (total & 0xFF, total >> 8)]
    return bytes([sequence]) + bytes(data) + bytes(checksum) + b"\r"


def damaged(line):
    """The same line with a low checksum byte that cannot be right (and is
    still not a CR, or the line would end early)."""
    low = line[-3]
    wrong = low ^ 0x01 if low ^ 0x01 != CR else low ^ 0x02
    return line[:-3] + bytes([wrong]) + line[-2:]


def dropped_byte(line):
    """The line with one byte in the middle left out, as a noisy line loses
    one: its checksum no longer matches."""
    middle = max(1, (len(line) - 1) // 2)
    return line[:middle] + line[middle + 1:]


# A line far longer than any record, ending in CR: the program must drop it
# and go on with the next line.
OVERLONG_LINE = bytes(0x30 + i % 40 for i in range(1100)) + b"\r"


def speed_of(fd):
    """The line rate the program set on the terminal, in bit/s (0 if the
    terminal reports a rate without a number)."""
    ispeed = termios.tcgetattr(fd)[4]
    return BAUD_BY_CODE.get(ispeed, 0)


BAUD_BY_CODE = {getattr(termios, "B%d" % n): n
                for n in (0, 50, 75, 110, 134, 150, 200, 300, 600, 1200, 1800, 2400, 4800,
                          9600, 19200, 38400, 57600, 115200, 230400)
                if hasattr(termios, "B%d" % n)}


def make_raw(fd):
    """No echo, no CR/LF translation, no signals, 8 bits: bytes pass as sent."""
    attrs = termios.tcgetattr(fd)
    attrs[0] &= ~(termios.BRKINT | termios.ICRNL | termios.INLCR | termios.IGNCR | termios.INPCK
                  | termios.ISTRIP | termios.IXON | termios.IXOFF | termios.PARMRK)
    attrs[1] &= ~termios.OPOST
    attrs[2] = (attrs[2] & ~(termios.CSIZE | termios.PARENB)) | termios.CS8 | termios.CREAD
    attrs[3] &= ~(termios.ECHO | termios.ECHONL | termios.ICANON | termios.IEXTEN | termios.ISIG)
    attrs[4] = attrs[5] = termios.B9600
    attrs[6][termios.VMIN] = 1
    attrs[6][termios.VTIME] = 0
    termios.tcsetattr(fd, termios.TCSANOW, attrs)


def read_log(path):
    """The events of a log, as far as they are written: a reader may come
    while the simulator is still adding lines, and a read that races an
    appending write can see the new line's bytes before all of them are
    there (zeros in their place), so the events end at the first line that
    is not whole yet."""
    events = []
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            for line in f:
                if not line.endswith("\n"):
                    break
                try:
                    events.append(json.loads(line))
                except ValueError:
                    break
    except FileNotFoundError:
        pass
    return events


class EventLog:
    """JSON lines, flushed one by one so a reader sees them while we run."""

    def __init__(self, path):
        self.start = time.monotonic()
        self.file = open(path, "w", encoding="utf-8") if path else None

    def __call__(self, event, **fields):
        entry = {"t": round(time.monotonic() - self.start, 4), "ev": event}
        entry.update(fields)
        if self.file:
            self.file.write(json.dumps(entry) + "\n")
            self.file.flush()
        return entry


class Piece:
    """One write of a message (a message goes out in several with --split)."""

    def __init__(self, data, pause, entry, last_of):
        self.data, self.pause = data, pause
        self.entry = entry          # the message's "tx" fields, logged when its first byte goes
        self.last_of = last_of      # the message's "what" on its last piece


class Line:
    """The master side of the pseudo-terminal as the collector's cable.
    What the collector sends waits in an outbox and goes out from the main
    loop at the line rate the program set, a slice at a time, each slice when
    its last bit would be through on a cable. So a byte never reaches the
    program earlier than it would on a real line (the program's purges and
    time-outs meet the same windows), and the loop still reads what the
    program writes while a long line goes out."""

    def __init__(self, master, log, split, split_pause, pacing):
        self.log = log
        self.split, self.split_pause, self.pacing = split, split_pause, pacing
        self.outbox = collections.deque()
        self.attach(master)

    def attach(self, master):
        """A new terminal, or none while the port is gone: what waited to go
        out went down with the old one."""
        self.master = master
        self.outbox.clear()
        self.slice = None           # (due time, byte count) of the next write
        self.free_at = 0.0          # when the wire is through with what was written
        self.last_write = 0.0

    def send(self, data, what, split=False, **fields):
        size = self.split if split and self.split > 0 else len(data)
        pieces = [data[start:start + size] for start in range(0, len(data), size)]
        entry = dict(hex=data.hex(), what=what, writes=len(pieces), **fields)
        for index, piece in enumerate(pieces):
            self.outbox.append(Piece(piece, self.split_pause if index else 0.0,
                                     entry if index == 0 else None,
                                     what if index == len(pieces) - 1 else None))

    def idle_since(self):
        """When the last byte sent went out; None while bytes are waiting."""
        return None if self.outbox else self.last_write

    def pump(self):
        """Writes every slice that is due. Returns the seconds until the next
        one is (None when nothing waits)."""
        while self.outbox:
            now = time.monotonic()
            if self.slice is None:
                self.slice = self.plan(now)
            due, count = self.slice
            if now < due:
                return due - now
            piece = self.outbox[0]
            try:
                written = os.write(self.master, piece.data[:count])
            except BlockingIOError:
                return POLL_SECONDS     # nobody reads the slave side: the line waits, the loop goes on
            piece.data = piece.data[written:]
            self.slice, self.free_at, self.last_write = None, due, now
            if not piece.data:
                self.outbox.popleft()
                if piece.last_of:
                    self.log("tx_done", what=piece.last_of)
        return None

    def plan(self, now):
        piece = self.outbox[0]
        start = (self.free_at if self.free_at > now - CATCH_UP_SECONDS else now) + piece.pause
        piece.pause = 0.0
        speed = speed_of(self.master)
        if piece.entry:
            self.log("tx", speed=speed, **piece.entry)
            piece.entry = None
        if not self.pacing or not speed:
            return start, len(piece.data)
        byte_seconds = BITS_PER_BYTE / speed
        count = min(len(piece.data), max(1, int(SLICE_SECONDS / byte_seconds)))
        return start + count * byte_seconds, count


class Cradle:
    """The infrared cradle's set-up side: it answers the probe byte only at
    its current rate and changes rate on 0x07, a rate byte and 0x51. Bytes at
    another rate reach it as garbage, so it ignores them."""

    def __init__(self, rate, line, log):
        self.rate, self.line, self.log = rate, line, log
        self.active = True
        self.selected = None
        self.command_open = False

    def feed(self, byte, speed):
        """Returns False when the byte is no control byte: set-up is over and
        the byte belongs to the conversation."""
        control = (byte in (CRADLE_PROBE, CRADLE_OPEN)
                   or (self.command_open and byte in CRADLE_RATE_BYTES)
                   or (self.selected is not None and byte == CRADLE_SWITCH))
        if not control:
            self.active = False
            self.log("cradle_done", rate=self.rate)
            return False
        if byte == CRADLE_PROBE:
            self.log("cradle_probe", speed=speed, echoed=speed == self.rate)
            if speed == self.rate:
                self.line.send(bytes([CRADLE_PROBE]), "echo")
        elif speed != self.rate:
            self.log("cradle_garbled", byte=byte, speed=speed, rate=self.rate)
        elif byte == CRADLE_OPEN:
            self.command_open, self.selected = True, None
            self.log("cradle_command", speed=speed)
        elif byte == CRADLE_SWITCH:
            self.log("cradle_switch", old=self.rate, new=self.selected)
            self.rate, self.selected, self.command_open = self.selected, None, False
        else:
            self.selected = CRADLE_RATE_BYTES[byte]
            self.log("cradle_rate_byte", byte=byte, rate=self.selected, speed=speed)
        return True


class Collector:
    """The collector's side of the conversation. Record numbers in options
    count from 1 over all records of all batches."""

    def __init__(self, batches, opts, line, log):
        self.batches, self.opts, self.line, self.log = batches, opts, line, log
        self.batch = 0
        self.pos = 0             # first record of the batch not yet acknowledged
        self.seq_base = 0        # pos at the last READ: sequence values restart there
        self.state = "idle"      # idle, sending, done, silent, stalled
        self.sent_before = set()
        self.acks_lost = set()
        self.lost_with_port = set()   # records out whole whose answer the port took down with it
        self.extra_ack = None    # deadline while the ACK of a doubled line is awaited
        self.answer_wait = None  # seconds it waits for the answer to the record sent last
        self.next_at = None      # when the record after an acknowledged one goes out (--next-record-delay-ms)
        self.nak_reads_left = opts.nak_read
        self.counts = dict(reads=0, acks=0, naks=0, records_sent=0, delivered=0, other_lines=0,
                           answer_timeouts=0, port_losses=0, resent_after_port_loss=0)

    def number(self):
        return sum(len(b) for b in self.batches[:self.batch]) + self.pos + 1

    def current_batch(self):
        return self.batches[self.batch] if self.batch < len(self.batches) else []

    def on_line(self, text):
        handler = {b"READ": self.on_read, b"ACK": self.on_ack, b"NAK": self.on_nak}.get(text)
        if handler is None:
            self.counts["other_lines"] += 1
            return
        handler()

    def on_read(self):
        self.counts["reads"] += 1
        self.answer_wait = self.next_at = None
        if self.state == "silent" or self.opts.silent:
            return
        if self.nak_reads_left > 0:
            self.nak_reads_left -= 1
            self.line.send(b"NAK\r", "nak")
            return
        if self.pos >= len(self.current_batch()) and self.state == "done" \
                and self.batch + 1 < len(self.batches):
            self.batch, self.pos = self.batch + 1, 0
        self.seq_base = self.pos
        self.extra_ack = None
        self.line.send(b"ACK\r", "ack")
        if self.opts.silent_after_ack:
            self.state = "silent"
            return
        self.state = "sending"
        self.send_current()

    def on_ack(self):
        # An ACK carries no sequence value, so the collector takes every ACK,
        # however late, for the record it sent last: an ACK for an earlier copy
        # of a record sent again on time-out delivers the repeat, and the ACK of
        # the repeat then delivers the next record, typed or not.
        self.counts["acks"] += 1
        self.answer_wait = None
        if self.state != "sending":
            return
        if self.extra_ack is not None:
            self.extra_ack = None
            self.send_current()
            return
        number = self.number()
        if number in self.opts.lose_ack and number not in self.acks_lost:
            self.acks_lost.add(number)
            self.log("ack_lost", record=number)
            self.send_current()
            return
        self.pos += 1
        self.counts["delivered"] += 1
        self.log("delivered", record=number, delivered=self.counts["delivered"])
        if number in self.opts.duplicate:
            self.extra_ack = time.monotonic() + self.opts.duplicate_wait
            return
        if self.opts.next_record_delay_ms > 0:
            self.next_at = time.monotonic() + self.opts.next_record_delay_ms / 1000.0
            return
        self.send_current()

    def on_nak(self):
        self.counts["naks"] += 1
        self.extra_ack = self.answer_wait = self.next_at = None
        if self.state in ("sending", "done"):
            self.send_current()

    def port_lost(self):
        """The port went away: the conversation is over until the next READ.
        Returns the record that was out whole and not yet answered, if any:
        the program may have typed it, and it goes out again."""
        self.counts["port_losses"] += 1
        self.extra_ack = self.answer_wait = self.next_at = None
        unanswered = None
        if self.state == "sending" and self.line.idle_since() is not None \
                and self.number() in self.sent_before and self.pos < len(self.current_batch()):
            unanswered = self.number()
            self.lost_with_port.add(unanswered)
        if self.state != "done":
            self.state = "idle"
        return unanswered

    def tick(self):
        now = time.monotonic()
        if self.extra_ack is not None and now >= self.extra_ack:
            self.extra_ack = None
            self.send_current()
        if self.next_at is not None and now >= self.next_at:
            self.next_at = None
            self.send_current()
        answer_due = self.answer_due()
        if answer_due is not None and now >= answer_due:
            self.counts["answer_timeouts"] += 1
            self.log("answer_timeout", record=self.number(), waited_ms=round(self.answer_wait * 1000))
            self.answer_wait = None
            self.send_current()

    def answer_due(self):
        """The answer time-out runs from the last byte of the record on the
        wire, as a collector starts its timer when it has sent the line."""
        sent = self.line.idle_since()
        return None if self.answer_wait is None or sent is None else sent + self.answer_wait

    def seconds_to_deadline(self):
        deadlines = [d for d in (self.extra_ack, self.next_at, self.answer_due()) if d is not None]
        return max(0.0, min(deadlines) - time.monotonic()) if deadlines else None

    def send_current(self):
        self.answer_wait = None
        records = self.current_batch()
        if self.number() in self.opts.silent_from and self.pos < len(records):
            self.opts.silent_from.remove(self.number())
            self.state = "stalled"      # answers nothing until the next READ
            self.log("fell_silent", record=self.number())
            return
        if self.pos >= len(records):
            self.state = "done"
            self.line.send(b"OVER\r", "over")
            return
        number, sequence = self.number(), (self.pos - self.seq_base) % 10
        line = record_line(sequence, records[self.pos])
        first = number not in self.sent_before
        self.sent_before.add(number)
        what = "record"
        if first and number in self.opts.damage:
            line, what = damaged(line), "damaged_record"
        if first and number in self.opts.duplicate:
            line, what = line + line, "doubled_record"
        if first and number in self.opts.drop:
            line, what = dropped_byte(line), "dropped_byte"
        if first and self.opts.noise:
            line, what = self.opts.noise + line, "noise+" + what
        if first and number in self.opts.long_line:
            line, what = OVERLONG_LINE + line, "long_line+" + what
        if number in self.lost_with_port:
            self.lost_with_port.discard(number)
            self.counts["resent_after_port_loss"] += 1
            self.log("resent_after_port_loss", record=number)
        self.counts["records_sent"] += 1
        self.line.send(line, what, split=True, record=number, seq=sequence)
        if first and number in self.opts.early_timeout:
            self.answer_wait = self.opts.early_timeout_ms / 1000.0
        elif self.opts.answer_timeout_ms > 0:
            self.answer_wait = self.opts.answer_timeout_ms / 1000.0


class Simulator:
    def __init__(self, opts, batches, log):
        self.opts, self.log = opts, log
        self.master = self.slave = None
        self.line = Line(None, log, opts.split, opts.split_pause_ms / 1000.0, opts.pacing)
        self.collector = Collector(batches, opts, self.line, log)
        self.cradle = Cradle(opts.cradle_rate, self.line, log) if opts.cradle_rate else None
        self.pending = bytearray()
        self.bytes_received = 0
        self.stop = False
        self.losses = sorted(opts.port_lost_after)
        self.lose_at = self.back_at = None
        self.lost_slave = None
        self.open_port()
        self.link_at = None
        if opts.port_appears_after > 0:
            self.link_at = time.monotonic() + opts.port_appears_after
        self.link(present=self.link_at is None)

    def open_port(self, not_named=None):
        """A new terminal; one whose slave is not named not_named, so that the
        link of a port that came back leads somewhere else."""
        self.master, self.slave = os.openpty()
        if os.ttyname(self.slave) == not_named:
            held = self.master, self.slave
            self.master, self.slave = os.openpty()
            os.close(held[0])
            os.close(held[1])
        os.set_blocking(self.master, False)
        make_raw(self.slave)
        self.line.attach(self.master)
        self.pending.clear()

    def close_port(self):
        os.close(self.master)
        os.close(self.slave)
        self.master = self.slave = None
        self.line.attach(None)

    def link(self, present=True):
        """Points the link at the terminal's slave side, or, while the port is
        away, at a directory: a missing path would make wine fall back to
        /dev/ttyS0, which opens on many machines."""
        if present:
            target = os.ttyname(self.slave)
        else:
            target = self.opts.link + ".gone"
            os.makedirs(target, exist_ok=True)
        if os.path.isdir(self.opts.link) and not os.path.islink(self.opts.link):
            os.rmdir(self.opts.link)    # a port that was absent until now
        temporary = self.opts.link + ".new"
        if os.path.lexists(temporary):
            os.unlink(temporary)
        os.symlink(target, temporary)
        os.replace(temporary, self.opts.link)
        return target

    def unlink(self):
        try:
            if os.readlink(self.opts.link) in (os.ttyname(self.slave) if self.slave is not None else None,
                                               self.opts.link + ".gone"):
                os.unlink(self.opts.link)
        except OSError:
            pass
        if os.path.isdir(self.opts.link + ".gone"):
            os.rmdir(self.opts.link + ".gone")

    def change_port(self):
        """Links the port when it is due to appear, takes it away when the
        records it was to carry are delivered, and brings it back."""
        now = time.monotonic()
        if self.link_at is not None and now >= self.link_at:
            self.link_at = None
            self.log("port_linked", slave=self.link())
        if self.back_at is not None and now >= self.back_at:
            self.back_at = None
            self.open_port(not_named=self.lost_slave)
            if self.opts.port_back_as:
                self.opts.link = os.path.join(os.path.dirname(self.opts.link), self.opts.port_back_as)
            self.log("port_back", slave=self.link())
        if self.master is None or self.link_at is not None:
            return
        if self.lose_at is None and self.losses and self.collector.counts["delivered"] >= self.losses[0]:
            self.losses.pop(0)
            self.lose_at = now + self.opts.port_lost_delay_ms / 1000.0
        if self.lose_at is not None and now >= self.lose_at:
            self.lose_at = None
            unanswered = self.collector.port_lost()
            self.lost_slave = os.ttyname(self.slave)
            self.close_port()
            self.link(present=False)
            self.back_at = now + self.opts.port_back_after
            self.log("port_lost", delivered=self.collector.counts["delivered"], unanswered=unanswered)

    def run(self):
        deadline = time.monotonic() + self.opts.timeout
        while not self.stop and time.monotonic() < deadline:
            self.change_port()
            if self.master is None:
                time.sleep(POLL_SECONDS)
                continue
            self.collector.tick()
            waits = [POLL_SECONDS, self.line.pump(), self.collector.seconds_to_deadline()]
            if select.select([self.master], [], [], min(w for w in waits if w is not None))[0]:
                self.receive(os.read(self.master, 4096))

    def receive(self, chunk):
        speed = speed_of(self.master)
        self.bytes_received += len(chunk)
        for byte in chunk:
            self.log("rx", b=byte, speed=speed)
            self.take(byte, speed)

    def take(self, byte, speed):
        if self.cradle:
            if byte == CRADLE_PROBE and not self.pending and not self.cradle.active:
                self.cradle.active = True       # the program opens the port again
            if self.cradle.active and self.cradle.feed(byte, speed):
                return
            if speed != self.cradle.rate:
                self.log("garbled", b=byte, speed=speed, rate=self.cradle.rate)
                return
        if byte != CR:
            self.pending.append(byte)
            return
        text = bytes(self.pending)
        self.pending.clear()
        self.log("rx_line", text=text.decode("latin-1"), speed=speed)
        self.collector.on_line(text)

    def summary(self):
        fields = dict(self.collector.counts, bytes_received=self.bytes_received)
        if self.cradle:
            fields["cradle_rate"] = self.cradle.rate
        return self.log("summary", **fields)


def parse_text(text):
    """Command-line record text with backslash escapes (\\x0d, \\\\)."""
    return codecs.escape_decode(text.encode("utf-8"))[0]


def load_batches(opts):
    batches = [[]]
    if opts.records_file:
        with open(opts.records_file, encoding="utf-8") as f:
            content = json.load(f)
        if content and all(isinstance(r, str) for r in content):
            content = [content]
        batches = [[r.encode("latin-1") for r in batch] for batch in content] or [[]]
    for kind, value in opts.items or []:
        if kind == "batch":
            batches.append([])
        else:
            batches[-1].append(value)
    return batches


def parse_args(argv):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--link", required=True, help="symbolic link to point at the slave side")
    p.add_argument("--log", help="JSON-lines log of everything received and sent")
    p.add_argument("--record", dest="items", action="append", type=lambda s: ("record", parse_text(s)),
                   help="a record's data (backslash escapes allowed); repeat for more")
    p.add_argument("--next-batch", dest="items", action="append_const", const=("batch", None),
                   help="records after this go to the next READ once the earlier ones are delivered")
    p.add_argument("--records-file", help="JSON: a list of record strings, or a list of such lists "
                   "(one per batch); each character is one byte (U+0000..U+00FF)")
    p.add_argument("--timeout", type=float, default=120.0, help="seconds until it stops by itself")
    p.add_argument("--lose-ack", type=int, action="append", default=[], metavar="K",
                   help="ignore the first ACK of record K and send the record again")
    p.add_argument("--damage", type=int, action="append", default=[], metavar="K",
                   help="send record K with a wrong checksum the first time")
    p.add_argument("--duplicate", type=int, action="append", default=[], metavar="K",
                   help="send record K twice in a row the first time")
    p.add_argument("--duplicate-wait", type=float, default=1.0,
                   help="seconds to wait for the ACK of the doubled line before going on")
    p.add_argument("--drop", type=int, action="append", default=[], metavar="K",
                   help="leave a byte out of record K the first time it goes out")
    p.add_argument("--long-line", type=int, action="append", default=[], metavar="K",
                   help="send a line of 1100 bytes before record K the first time")
    p.add_argument("--silent-from", type=int, action="append", default=[], metavar="K",
                   help="fall silent when record K is due (once), until the next READ")
    p.add_argument("--silent", action="store_true", help="never answer")
    p.add_argument("--nak-read", type=int, default=0, metavar="N",
                   help="answer the first N READs with NAK")
    p.add_argument("--silent-after-ack", action="store_true",
                   help="acknowledge READ, then send nothing more")
    p.add_argument("--noise", type=parse_text, default=b"",
                   help="bytes sent before a record line the first time it goes out (a line of "
                   "their own when they end in \\r, else the start of the record's line)")
    p.add_argument("--split", type=int, default=0, metavar="N",
                   help="write record lines N bytes at a time")
    p.add_argument("--split-pause-ms", type=float, default=20.0)
    p.add_argument("--no-pacing", dest="pacing", action="store_false",
                   help="write at once instead of at the line rate the program set (10 bit times a byte)")
    p.add_argument("--answer-timeout-ms", type=float, default=0.0, metavar="N",
                   help="send a record again when neither ACK nor NAK came within N ms of it (0: wait forever)")
    p.add_argument("--early-timeout", type=int, action="append", default=[], metavar="K",
                   help="time out on record K (the first time it goes out) before the program's ACK "
                   "can come: the repeat and, on the late ACK, the next record follow back to back")
    p.add_argument("--early-timeout-ms", type=float, default=20.0,
                   help="the answer time-out of an --early-timeout record")
    p.add_argument("--next-record-delay-ms", type=float, default=0.0, metavar="N",
                   help="after an ACK, wait N ms before the next record; an ACK that comes meanwhile counts "
                        "for that next record, as for any record it was about to send")
    p.add_argument("--port-lost-after", type=int, action="append", default=[], metavar="K",
                   help="the port goes away once K records are delivered in all (repeat for more losses)")
    p.add_argument("--port-lost-delay-ms", type=float, default=0.0, metavar="N",
                   help="the port goes N ms after the K-th delivery, so that the next record can go out "
                   "and its answer go down with the port")
    p.add_argument("--port-back-after", type=float, default=3.0, metavar="S",
                   help="seconds until a lost port comes back, as a new terminal")
    p.add_argument("--port-back-as", metavar="LINK",
                   help="a lost port comes back at this link instead (beside --link), as an adapter under another "
                        "COM number")
    p.add_argument("--port-appears-after", type=float, default=0.0, metavar="S",
                   help="link the port only S seconds after the start")
    p.add_argument("--cradle-rate", type=int, default=0, choices=[0] + sorted(CRADLE_RATE_BYTES.values()),
                   help="play an infrared cradle listening at this rate before the conversation")
    return p.parse_args(argv)


def main(argv=None):
    opts = parse_args(argv)
    log = EventLog(opts.log)
    sim = Simulator(opts, load_batches(opts), log)

    def request_stop(signum, frame):
        sim.stop = True
    signal.signal(signal.SIGTERM, request_stop)
    signal.signal(signal.SIGINT, request_stop)

    log("ready", link=opts.link, slave=os.ttyname(sim.slave), batches=[len(b) for b in sim.collector.batches],
        cradle_rate=opts.cradle_rate)
    try:
        sim.run()
    finally:
        sim.unlink()
        summary = sim.summary()
        try:
            print(json.dumps(summary), flush=True)
        except BrokenPipeError:
            pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
