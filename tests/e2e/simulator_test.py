#!/usr/bin/env python3
"""
Checks the collector simulator (orvanta_e2e.simulator) on its own, from the
slave side of its pseudo-terminal, the way the program meets it under wine.
When an end-to-end case fails, these tell whether the bench or the program
is wrong.
"""
import json
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import termios
import time
import unittest

sys.dont_write_bytecode = True    # no __pycache__ in the source tree
from orvanta_e2e import simulator  # noqa: E402 (found beside this file)

SIM = simulator.__file__

ABC = bytes.fromhex("00616263260 10d".replace(" ", ""))
EMPTY_SEQ1 = bytes.fromhex("0101000d")
YYY_SEQ2 = bytes.fromhex("025959590e010d")


class Client:
    """The program's end of the line: the slave side, raw, at a chosen rate
    (at first the program's usual 115200, so paced answers come quickly)."""

    def __init__(self, link):
        self.fd = os.open(link, os.O_RDWR | os.O_NOCTTY)
        simulator.make_raw(self.fd)
        self.rate(115200)

    def rate(self, baud):
        attrs = termios.tcgetattr(self.fd)
        attrs[4] = attrs[5] = getattr(termios, "B%d" % baud)
        termios.tcsetattr(self.fd, termios.TCSANOW, attrs)

    def send(self, data):
        os.write(self.fd, data)

    def receive(self, count_lines=1, wait=2.0, most=None):
        """Bytes up to and including the count_lines-th CR (or the most-th
        byte), or what came before the wait ran out."""
        data, deadline = b"", time.monotonic() + wait
        while data.count(b"\r") < count_lines and len(data) != most and time.monotonic() < deadline:
            if select.select([self.fd], [], [], 0.02)[0]:
                data += os.read(self.fd, 1)
        return data

    def quiet_for(self, seconds):
        return self.receive(count_lines=1, wait=seconds)

    def close(self):
        os.close(self.fd)


class SimulatorTest(unittest.TestCase):
    def start(self, *options, connect=True):
        self.dir = tempfile.mkdtemp(prefix="collector-sim-")
        self.link = os.path.join(self.dir, "com")
        self.log_path = os.path.join(self.dir, "sim.log")
        self.sim = subprocess.Popen([sys.executable, SIM, "--link", self.link, "--log", self.log_path,
                                     "--timeout", "20", *options], stdout=subprocess.PIPE)
        deadline = time.monotonic() + 10
        while not any(e["ev"] == "ready" for e in self.events()):
            self.assertLess(time.monotonic(), deadline, "simulator not ready")
            time.sleep(0.02)
        self.client = Client(self.link) if connect else None
        return self.client

    def wait_for_port(self, present):
        """Until the link leads to a terminal (present) or to the directory
        that stands for a port that is away."""
        deadline = time.monotonic() + 10
        while (os.path.exists(self.link) and not os.path.isdir(self.link)) != present:
            self.assertLess(time.monotonic(), deadline, "the port did not %s" % ("come", "go")[not present])
            time.sleep(0.02)

    def tearDown(self):
        if getattr(self, "sim", None) and self.sim.poll() is None:
            self.sim.kill()
            self.sim.communicate()
        if getattr(self, "client", None):
            self.client.close()
        self.sim = self.client = None
        if getattr(self, "dir", None):
            shutil.rmtree(self.dir, ignore_errors=True)

    def events(self):
        return simulator.read_log(self.log_path)

    def finish(self):
        self.sim.send_signal(signal.SIGTERM)
        out, _ = self.sim.communicate(timeout=10)
        summary = json.loads(out.decode().strip().splitlines()[-1])
        self.assertEqual(self.events()[-1], summary)
        return summary

    def exchange(self, client, command, lines=1):
        client.send(command)
        return client.receive(lines)

    def test_worked_records_then_over(self):
        c = self.start("--record", "abc", "--record", "", "--record", "YYY")
        self.assertEqual(self.exchange(c, b"READ\r", 2), b"ACK\r" + ABC)
        self.assertEqual(self.exchange(c, b"ACK\r"), EMPTY_SEQ1)
        self.assertEqual(self.exchange(c, b"ACK\r"), YYY_SEQ2)
        self.assertEqual(self.exchange(c, b"ACK\r"), b"OVER\r")
        s = self.finish()
        self.assertEqual((s["reads"], s["delivered"], s["records_sent"], s["acks"]), (1, 3, 3, 3))

    def test_line_faults(self):
        abc_bad = ABC[:4] + b"\x27" + ABC[5:]
        efg = simulator.record_line(1, b"efg")
        cases = [
            # options, then (command, expected answer) in order
            (["--lose-ack", "1"], [(b"READ\r", b"ACK\r" + ABC), (b"ACK\r", ABC), (b"ACK\r", efg)]),
            (["--damage", "1"], [(b"READ\r", b"ACK\r" + abc_bad), (b"NAK\r", ABC), (b"ACK\r", efg)]),
            (["--duplicate", "1", "--duplicate-wait", "5"], [(b"READ\r", b"ACK\r" + ABC + ABC), (b"ACK\r", b""), (b"ACK\r", efg)]),
            (["--nak-read", "1"], [(b"READ\r", b"NAK\r"), (b"READ\r", b"ACK\r" + ABC)]),
            (["--silent"], [(b"READ\r", b""), (b"READ\r", b"")]),
            (["--silent-after-ack"], [(b"READ\r", b"ACK\r"), (b"NAK\r", b""), (b"READ\r", b"")]),
            (["--noise", "#~\\x93\\r"], [(b"READ\r", b"ACK\r#~\x93\r" + ABC), (b"NAK\r", ABC)]),
            (["--drop", "1"], [(b"READ\r", b"ACK\r" + ABC[:3] + ABC[4:]), (b"NAK\r", ABC)]),
            (["--long-line", "2"], [(b"READ\r", b"ACK\r" + ABC),
                                    (b"ACK\r", simulator.OVERLONG_LINE + efg)]),
            (["--silent-from", "2"], [(b"READ\r", b"ACK\r" + ABC), (b"ACK\r", b""), (b"NAK\r", b""),
                                      (b"READ\r", b"ACK\r" + simulator.record_line(0, b"efg"))]),
            # The collector's own answer time-out: nothing before it, the record
            # again after it; the late ACK counts for the record sent last, so
            # the next follows, and the ACK of the repeat delivers that one.
            (["--answer-timeout-ms", "800"], [(b"READ\r", b"ACK\r" + ABC), (b"", b""), (b"", ABC),
                                              (b"ACK\r", efg), (b"ACK\r", b"OVER\r")]),
            (["--early-timeout", "1"], [(b"READ\r", b"ACK\r" + ABC + ABC), (b"ACK\r", efg), (b"", b""),
                                        (b"ACK\r", b"OVER\r")]),
            # a READ in the middle restarts the sequence values at 0
            ([], [(b"READ\r", b"ACK\r" + ABC), (b"ACK\r", efg),
                  (b"READ\r", b"ACK\r" + simulator.record_line(0, b"efg"))]),
        ]
        for options, steps in cases:
            with self.subTest(options=options):
                c = self.start("--record", "abc", "--record", "efg", *options)
                for command, expected in steps:
                    if expected:
                        answer = self.exchange(c, command, expected.count(b"\r"))
                    else:
                        c.send(command)
                        answer = c.quiet_for(0.4)
                    self.assertEqual(answer, expected, command)
                self.finish()
                self.tearDown()

    def test_doubled_line_goes_on_without_second_ack(self):
        c = self.start("--record", "abc", "--record", "efg", "--duplicate", "1", "--duplicate-wait", "0.3")
        self.assertEqual(self.exchange(c, b"READ\r", 3), b"ACK\r" + ABC + ABC)
        self.assertEqual(self.exchange(c, b"ACK\r"), simulator.record_line(1, b"efg"))

    def test_split_record_arrives_whole_in_pieces(self):
        c = self.start("--record", "0123456789", "--split", "3", "--split-pause-ms", "50")
        self.assertEqual(self.exchange(c, b"READ\r", 2), b"ACK\r" + simulator.record_line(0, b"0123456789"))
        writes = [(e["what"], e["writes"]) for e in self.events() if e["ev"] == "tx"]
        self.assertEqual(writes, [("ack", 1), ("record", 5)])      # 13 bytes, 3 at a time

    def test_records_go_at_the_line_rate_while_the_program_is_heard(self):
        record = simulator.record_line(0, bytes(0x41 + i % 26 for i in range(600)))
        wire = lambda rate: 10 * (len(record) - 1) / rate
        cases = [
            # rate, options, least seconds from the record's first byte to its last
            (9600, [], 0.8 * wire(9600)),
            (38400, ["--split", "200", "--split-pause-ms", "50"], 0.8 * (wire(38400) + 3 * 0.05)),
        ]
        for rate, options, least in cases:
            with self.subTest(rate=rate, options=options):
                c = self.start("--record", record[1:-3].decode(), *options)
                c.rate(rate)
                self.assertEqual(self.exchange(c, b"READ\r"), b"ACK\r")
                first = c.receive(most=1)
                start = time.monotonic()
                c.send(b"X\r")         # while the record goes out
                self.assertEqual(first + c.receive(wait=10), record)
                self.assertGreater(time.monotonic() - start, least)
                self.finish()
                order = [e.get("text", e.get("what")) for e in self.events() if e["ev"] in ("rx_line", "tx_done")]
                self.assertEqual(order, ["READ", "ack", "X", "record"])
                self.tearDown()

    def test_sequence_values_cycle_after_nine(self):
        c = self.start(*[a for n in range(12) for a in ("--record", "r%d" % n)])
        lines = [self.exchange(c, b"READ\r", 2)[4:]]
        lines += [self.exchange(c, b"ACK\r") for _ in range(11)]
        self.assertEqual([line[0] for line in lines], [0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1])
        self.assertEqual(self.exchange(c, b"ACK\r"), b"OVER\r")

    def test_keep_online_answers_later_reads(self):
        c = self.start("--record", "abc", "--next-batch", "--record", "xyz")
        self.assertEqual(self.exchange(c, b"READ\r", 2), b"ACK\r" + ABC)
        self.assertEqual(self.exchange(c, b"ACK\r"), b"OVER\r")
        xyz = simulator.record_line(0, b"xyz")
        self.assertEqual(self.exchange(c, b"READ\r", 2), b"ACK\r" + xyz)
        self.assertEqual(self.exchange(c, b"ACK\r"), b"OVER\r")
        self.assertEqual(self.exchange(c, b"READ\r", 2), b"ACK\rOVER\r")
        self.assertEqual(self.finish()["delivered"], 2)

    def test_port_goes_away_and_comes_back_as_a_new_terminal(self):
        # Record 2 goes out whole and the port goes before the answer: the
        # collector keeps it and sends it first on the new terminal.
        c = self.start("--record", "abc", "--record", "efg", "--record", "hij", "--port-lost-after", "1",
                       "--port-lost-delay-ms", "300", "--port-back-after", "1")
        self.assertEqual(self.exchange(c, b"READ\r", 2), b"ACK\r" + ABC)
        self.assertEqual(self.exchange(c, b"ACK\r"), simulator.record_line(1, b"efg"))
        self.wait_for_port(present=False)
        try:
            self.assertEqual(os.read(c.fd, 1), b"")     # the old terminal is hung up
        except OSError:
            pass
        c.close()
        self.wait_for_port(present=True)
        self.client = c = Client(self.link)
        self.assertEqual(self.exchange(c, b"READ\r", 2), b"ACK\r" + simulator.record_line(0, b"efg"))
        self.assertEqual(self.exchange(c, b"ACK\r"), simulator.record_line(1, b"hij"))
        s = self.finish()
        self.assertEqual((s["port_losses"], s["resent_after_port_loss"], s["delivered"]), (1, 1, 2))
        before, after = [e["slave"] for e in self.events() if e["ev"] in ("ready", "port_back")]
        self.assertNotEqual(before, after)

    def test_port_that_appears_late(self):
        self.start("--record", "abc", "--port-appears-after", "1", connect=False)
        self.assertTrue(os.path.isdir(self.link))
        self.wait_for_port(present=True)
        self.client = c = Client(self.link)
        self.assertEqual(self.exchange(c, b"READ\r", 2), b"ACK\r" + ABC)

    def test_cradle_echoes_only_at_its_rate_and_switches(self):
        c = self.start("--cradle-rate", "9600", "--record", "abc")
        c.rate(38400)
        c.send(b"\x0f")
        self.assertEqual(c.quiet_for(0.3), b"")
        c.rate(9600)
        c.send(b"\x0f")
        self.assertEqual(c.quiet_for(0.3), b"\x0f")
        for byte in b"\x07\x34\x51":
            c.send(bytes([byte]))
            time.sleep(0.05)
        c.send(b"READ\r")           # still 9600: the cradle now listens at 38400
        self.assertEqual(c.quiet_for(0.3), b"")
        c.rate(38400)
        self.assertEqual(self.exchange(c, b"READ\r", 2), b"ACK\r" + ABC)
        s = self.finish()
        self.assertEqual(s["cradle_rate"], 38400)
        events = [(e["ev"], e.get("speed"), e.get("echoed", e.get("rate", e.get("new"))))
                  for e in self.events() if e["ev"].startswith("cradle") or e["ev"] == "rx_line"]
        self.assertEqual(events, [
            ("cradle_probe", 38400, False), ("cradle_probe", 9600, True),
            ("cradle_command", 9600, None), ("cradle_rate_byte", 9600, 38400),
            ("cradle_switch", None, 38400), ("cradle_done", None, 38400),
            ("rx_line", 38400, None)])

    def test_every_byte_logged_with_time_and_rate(self):
        c = self.start("--silent")
        c.rate(57600)
        c.send(b"RE")
        time.sleep(0.1)
        c.send(b"AD\r")
        c.quiet_for(0.2)
        received = [e for e in self.events() if e["ev"] == "rx"]
        self.assertEqual(bytes(e["b"] for e in received), b"READ\r")
        self.assertEqual({e["speed"] for e in received}, {57600})
        self.assertLess(received[1]["t"], received[2]["t"])       # two writes, 0.1 s apart
        self.assertEqual(self.finish()["reads"], 1)


if __name__ == "__main__":
    unittest.main()
