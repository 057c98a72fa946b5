"""
Measures what the program costs, in one run, side by side:

- a 100-record unattended transfer: wall time against the floor the
  conversation itself fixes (100 ms before and after every command, 100 ms
  after the acknowledgement of READ, charDelayMs after every typed byte),
  processor time and peak resident memory of Orvanta.exe;
- one minute of keep-online polling with a silent collector: processor
  time as a share of the wall time;
- keep-online polling every 2 s through a window gap: the time from the
  window's return (in front, with the focus) to the next record delivered,
  which the program promises within one polling period;
- Exit, and the question whether the session may end, while a long record
  is typed at 60 ms a character: the characters that still came after the
  request had reached the program, and the seconds until the process ended.

    PYTHONPATH=tests/e2e python3 -B -m orvanta_e2e.measure [--records 100] [--polling-seconds 60]
    PYTHONPATH=tests/e2e python3 -B -m orvanta_e2e.measure --compare OLD.exe NEW.exe [--rounds 5] \
        [--records 30] [--record-length 20]

--compare runs only the transfer, of each build in turn, round after round,
so that the builds are measured side by side on the same machine load.

Processor time and memory are those of the Orvanta.exe process under wine
(its Linux process, wine's own libraries included), not of the wine server.
"""
import argparse
import json
import os
import sys
import time

from .environment import Display, wait_for
from .harness import (Bench, InteractiveBench, InteractiveSetup, Setup, add_program_options, record_options,
                      typed_so_far, wait_until_delivered)
from .interactive import LONG

COMMAND_PAUSES_MS = 200      # 100 ms before and after every command
READ_ACK_PAUSE_MS = 100      # after the acknowledgement of READ


class MeasuringBench(Bench):
    """The bench, also reporting processor time and peak memory when the
    program is stopped at the time limit (a keep-online run never ends)."""

    @staticmethod
    def _run_program(wine, exe, setup, outcome):
        start = time.monotonic()
        process = wine.start([exe, setup.args])
        outcome.peak_kib = 0
        while True:
            outcome.peak_kib = max(outcome.peak_kib, peak_resident_kib(process.pid))
            pid, status, usage = os.wait4(process.pid, os.WNOHANG)
            if pid:
                outcome.exit_code = os.waitstatus_to_exitcode(status)
                break
            if time.monotonic() - start > setup.time_limit:
                process.kill()
                _, _, usage = os.wait4(process.pid, 0)
                break
            time.sleep(0.01)
        process.returncode = outcome.exit_code
        outcome.cpu_seconds = usage.ru_utime + usage.ru_stime
        outcome.seconds = time.monotonic() - start


def peak_resident_kib(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def conversation_seconds(outcome):
    """From the first READ the collector received to its last ACK."""
    lines = [e for e in outcome.sim_events if e["ev"] == "rx_line"]
    reads = [e["t"] for e in lines if e["text"] == "READ"]
    acks = [e["t"] for e in lines if e["text"] == "ACK"]
    return acks[-1] - reads[0]


def transfer_figures(bench_, records, char_delay, length=13):
    data = [("%0" + str(length) + "d") % (4006381333931 + i) for i in range(records)]
    setup = Setup("1,1,1,1,0,2,%d" % char_delay,
                  sim_options=sum((["--record", d] for d in data), []), time_limit=300)
    outcome = bench_.run("measure-transfer", setup)
    typed_bytes = sum(len(d) + 1 for d in data)
    # From READ to the last ACK: the pause after READ's acknowledgement and
    # the pause before the first ACK, then for every further record the
    # pauses after and before an ACK; and every typed byte's pause.
    floor = (READ_ACK_PAUSE_MS + COMMAND_PAUSES_MS // 2 + (records - 1) * COMMAND_PAUSES_MS
             + typed_bytes * char_delay) / 1000.0
    conversation = conversation_seconds(outcome)
    return dict(records=records, typed_bytes=typed_bytes, char_delay_ms=char_delay,
                typed_ok=outcome.typed == b"".join(d.encode() + b"\r" for d in data),
                floor_s=round(floor, 3), conversation_s=round(conversation, 3),
                overhead_percent=round(100 * (conversation - floor) / floor, 2),
                times_floor=round(conversation / floor, 4),
                program_wall_s=round(outcome.seconds, 3), program_cpu_s=round(outcome.cpu_seconds, 3),
                cpu_share_percent=round(100 * outcome.cpu_seconds / outcome.seconds, 2),
                peak_resident_mib=round(outcome.peak_kib / 1024, 1))


def polling_figures(bench_, seconds):
    setup = Setup("1,1,1,1,1,1,2", sim_options=["--silent"], time_limit=seconds)
    outcome = bench_.run("measure-polling", setup)
    reads = sum(1 for e in outcome.sim_events if e["ev"] == "rx_line" and e["text"] == "READ")
    return dict(wall_s=round(outcome.seconds, 1), program_cpu_s=round(outcome.cpu_seconds, 3),
                cpu_share_percent=round(100 * outcome.cpu_seconds / outcome.seconds, 2),
                reads_sent=reads, peak_resident_mib=round(outcome.peak_kib / 1024, 1))


def window_return_figures(bench_, gaps=3):
    """Records 1..gaps+1 in a keep-online series polling every 2 s; after
    each of the first `gaps` records the target minimizes itself for 4 s.
    Read on the harness's clock, 10 ms at a time, while the program runs."""
    after_return = []

    def user(driver, outcome):
        events = os.path.join(outcome.directory, "target-events.txt")
        for gap in range(1, gaps + 1):
            if not wait_for(lambda: open(events).read().count("gap end") >= gap, 30, step=0.01):
                break
            back = time.monotonic()
            wait_until_delivered(outcome, gap + 1)
            after_return.append(round(time.monotonic() - back, 2))
        driver("tray", "IDM_TRAY_EXIT")

    target_options = [a for gap in range(1, gaps + 1) for a in ("--gap", "minimize,%d,4" % gap)]
    bench_.run("measure-window-return", InteractiveSetup(
        "1,1,1,1,1,2,2", sim_options=record_options(*("rec %d" % n for n in range(gaps + 1))),
        target_options=target_options, user=user, time_limit=120))
    return dict(polling_seconds=2, gap_seconds=4, seconds_from_return_to_record=after_return)


class EndingBench(InteractiveBench):
    """Notes when the program's process ended, on the harness's clock."""

    def _run_program(self, wine, exe, setup, outcome):
        super()._run_program(wine, exe, setup, outcome)
        outcome.seen["ended"] = time.monotonic()


def ending_figures(bench_, rounds=3):
    """Exit from the tray, and the session's question followed by its end
    as the Restart Manager gives it, each while record 2 is being typed."""
    requests = {"exit": [("tray", "IDM_TRAY_EXIT")],
                "session end": [("session", "query"), ("session", "closeapp")]}
    figures = {}
    for name, actions in requests.items():
        for n in range(rounds):
            def user(driver, outcome):
                wait_for(lambda: typed_so_far(outcome).startswith(b"abc\rLOT-"), 30)
                driver(*actions[0])
                outcome.seen["asked"] = time.monotonic()
                outcome.seen["typed then"] = len(typed_so_far(outcome))
                for action in actions[1:]:
                    driver(*action)
            outcome = bench_.run("measure-ending-%s-%d" % (name.replace(" ", "-"), n), InteractiveSetup(
                "1,1,1,1,1,1,60", sim_options=record_options("abc", LONG, "xyz"), user=user))
            figures.setdefault(name, []).append(dict(
                characters_after=len(typed_so_far(outcome)) - outcome.seen["typed then"],
                seconds_to_process_end=round(outcome.seen["ended"] - outcome.seen["asked"], 2)))
    return figures


def compare_figures(opts):
    """The transfer of each build in turn, round after round."""
    figures = {exe: [] for exe in opts.compare}
    for _ in range(opts.rounds):
        for exe in opts.compare:
            bench_ = MeasuringBench(exe, opts.target, opts.work)
            f = transfer_figures(bench_, opts.records, opts.char_delay, opts.record_length)
            figures[exe].append({k: f[k] for k in ("typed_ok", "times_floor", "cpu_share_percent",
                                                   "conversation_s", "floor_s")})
    return figures


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--records", type=int, default=100)
    p.add_argument("--record-length", type=int, default=13, help="characters of each record's data")
    p.add_argument("--char-delay", type=int, default=2)
    p.add_argument("--polling-seconds", type=int, default=60)
    p.add_argument("--compare", nargs="+", metavar="EXE", help="measure only the transfer of these builds")
    p.add_argument("--rounds", type=int, default=5)
    add_program_options(p, "measure")
    opts = p.parse_args()
    if opts.compare:
        with Display():
            print(json.dumps(compare_figures(opts), indent=2))
        return 0
    with Display():
        bench_ = MeasuringBench(opts.orvanta, opts.target, opts.work)
        figures = dict(transfer=transfer_figures(bench_, opts.records, opts.char_delay),
                       polling=polling_figures(bench_, opts.polling_seconds),
                       window_return=window_return_figures(
                           InteractiveBench(opts.orvanta, opts.target, opts.driver, opts.work)),
                       ending=ending_figures(EndingBench(opts.orvanta, opts.target, opts.driver, opts.work)))
    print(json.dumps(figures, indent=2))
    return 0


if __name__ == "__main__":
    sys.exit(main())
