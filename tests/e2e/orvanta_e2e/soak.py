"""
Soak run: many unattended transfers of the real Orvanta.exe under wine
against the collector simulator, with line faults injected at random at a
chosen rate (seeded, so a run can be repeated exactly), and an account of
every record: sent, delivered (the collector saw its ACK), typed, typed
twice, typed wrongly, lost (delivered but never typed).

    PYTHONPATH=tests/e2e python3 -B -m orvanta_e2e.soak --records 10000 --fault-rate 0.05 --seed 1
    ... -m orvanta_e2e.soak --records 300 --per-transfer 100   (the short run of the tests)
    ... -m orvanta_e2e.soak --keep-online --records 10000 --batches 10 --seed 32

Records the collector still holds when a transfer ends (it fell silent, or
the program gave up) go out again in the next transfer, as a real collector
keeps them until they are acknowledged. The collector has an answer time-out
of its own (--collector-timeout-ms): a record whose ACK never comes goes out
again without the program asking. The fault "early-timeout" makes that
time-out run out on one record before the program's ACK can come, so the
program meets the repeat and, once the collector took the late ACK for it,
the next record right behind it.

A keep-online run adds what an always-on PC meets: window gaps (the typing
target hides, minimizes itself or goes away for a few seconds after a
record), an application busy with the line just entered (at a record's
Enter its field loses the focus, or its thread stops answering, for 0.1 to
1 s), a user's hand on Ctrl or Shift for 0.1 to 1 s at a random character,
and port losses (the adapter goes away after a record is delivered, or
while the next one is typed, and comes back as a new terminal). A record
typed whose ACK went down with the port is sent again and typed again, as
the protocol cannot tell it from a new one: those are counted apart from
records typed twice, and only the records the collector sent again after a
port loss count there.

What a byte types depends on the keyboard layout of the display, so a first
transfer types every byte value 1..255 (but 13) once, each in a record of
its own, and what the window received for each becomes the expected text of
that byte (a key without a character, such as an arrow, types nothing).
Byte 24 (F10) is left out of the data: it puts the target window into menu
mode, which is about the target, not about the program.
"""
import argparse
import json
import os
import random
import shutil
import sys
import time

from . import harness
from .environment import Display, wait_for
from .harness import add_program_options

COMMAND_LINE = "1,1,1,1,0,2,2"
KEEP_ONLINE_COMMAND_LINE = "1,1,1,1,1,1,2"     # poll every second
FAULTS = ("damage", "drop", "noise", "lose-ack", "duplicate", "long-line", "silent-from", "split",
          "early-timeout", "window-gap", "port-loss", "app-busy", "modifier-hold")
# Faults of an always-on PC, drawn in keep-online runs only (a one-shot run
# ends on a window gap or a port loss).
KEEP_ONLINE_FAULTS = ("window-gap", "port-loss", "app-busy", "modifier-hold")
GAP_KINDS = ("hide", "minimize", "away")
BUSY_KINDS = ("focus", "hang")
HELD_KEYS = (17, 16)    # Ctrl, Shift: Alt alone would put the target into menu mode
RECORD_FAULTS = ("damage", "drop", "lose-ack", "duplicate", "long-line", "early-timeout")
# How many records before and after the next expected one a typed line is
# looked for: a skipped record and an older one typed again are told apart
# from a wrong line, without matching far-off records of equal text.
LOOK_AROUND = 10
UNTYPEABLE = {13, 24}


def ean13(rng):
    digits = [rng.randrange(10) for _ in range(12)]
    check = (10 - sum(d * (3 if i % 2 else 1) for i, d in enumerate(digits)) % 10) % 10
    return "".join(map(str, digits)) + str(check)


def make_record(rng, serial, alphabet):
    kind = rng.random()
    if kind < 0.4:
        return ean13(rng).encode()
    if kind < 0.6:
        return ("LOT-%05d/%s" % (serial, rng.choice("ABCXYZ"))).encode()
    if kind < 0.75:
        word = rng.choice(["COVER-%d", "HANDOVER %d", "PACK %d ACK", "OVER%d", "ACK-%d"])
        return (word % serial).encode()
    length = rng.randrange(1, 25)
    return bytes(rng.choice(alphabet) for _ in range(length))


class Account:
    def __init__(self):
        self.sent = self.delivered = self.typed = 0
        self.twice = self.wrong = self.lost = 0
        self.twice_after_port_loss = 0     # typed again because its ACK went down with the port
        self.answers_lost_with_port = set()     # those records, in any run: the next run may send them
        self.message_boxes = 0      # keep-online runs that ended with a message box waiting
        self.port_losses = self.window_gaps = 0     # as they happened, not as drawn
        self.busy_spells = self.modifier_holds = 0
        self.typed_count = {}
        self.sent_ids = set()
        self.faults = {f: 0 for f in FAULTS}
        self.transfers = 0
        self.unheard = 0    # transfers in which the collector received nothing at all
        self.collector_timeouts = 0     # records the collector sent again on its own time-out
        self.seconds = 0.0
        self.processor = 0.0
        self.incidents = []

    def as_dict(self):
        return dict(transfers=self.transfers, unheard_transfers=self.unheard, sent=self.sent, delivered=self.delivered, typed=self.typed,
                    typed_twice=self.twice, typed_twice_after_port_loss=self.twice_after_port_loss,
                    typed_wrongly=self.wrong, lost=self.lost, message_boxes=self.message_boxes,
                    port_losses=self.port_losses, window_gaps=self.window_gaps,
                    busy_spells=self.busy_spells, modifier_holds=self.modifier_holds,
                    collector_timeouts=self.collector_timeouts,
                    faults=self.faults, program_seconds=round(self.seconds, 1),
                    program_processor_seconds=round(self.processor, 2))


def expected_text(data, table):
    return b"".join(table.get(b, b"") for b in data)


def plan_faults(rng, count, rate, account, keep_online=False, lengths=()):
    """Simulator options and typing target options for one run of `count`
    records, whose typed lengths (with the CR) are `lengths`. The faults of
    KEEP_ONLINE_FAULTS only in a keep-online run."""
    options, target_options = [], []
    silent_used = False
    faults = FAULTS if keep_online else tuple(f for f in FAULTS if f not in KEEP_ONLINE_FAULTS)
    for number in range(1, count + 1):
        if rng.random() >= rate:
            continue
        fault = rng.choice(faults)
        if fault == "silent-from" and (silent_used or number == 1):
            fault = "damage"
        if fault == "window-gap" and number == 1:
            fault = "damage"    # a gap "after record 0" would come at the first character, in the record
        if fault == "silent-from":
            silent_used = True
        if fault in ("noise", "split"):
            continue    # whole-transfer faults, drawn below
        account.faults[fault] += 1
        if fault == "window-gap":
            # After the record before this one: the gap outlasts the NAK budget now and then.
            target_options += ["--gap", "%s,%d,%.1f" % (rng.choice(GAP_KINDS), number - 1, rng.uniform(1, 6))]
        elif fault == "app-busy":
            target_options += ["--busy", "%s,%d,%.1f" % (rng.choice(BUSY_KINDS), number, rng.uniform(0.1, 1))]
        elif fault == "modifier-hold":
            at = sum(lengths[:number - 1]) + 1 + rng.randrange(lengths[number - 1])
            target_options += ["--hold", "%d,%dc,%.1f" % (rng.choice(HELD_KEYS), at, rng.uniform(0.1, 1))]
        elif fault == "port-loss":
            options += ["--port-lost-after", str(number - 1)]
        else:
            options += ["--" + fault, str(number)]
    if "--port-lost-after" in options:
        # Now at the ACK, now while the next record is being typed.
        options += ["--port-lost-delay-ms", str(rng.choice((0, 60, 120, 250))),
                    "--port-back-after", "%.1f" % rng.uniform(1, 4)]
    if rng.random() < rate * count / 10:
        options += ["--noise", "\\x07#~\\x93\\r"]
        account.faults["noise"] += count
    if rng.random() < rate * count / 10:
        options += ["--split", str(rng.randrange(1, 6)), "--split-pause-ms", "5"]
        account.faults["split"] += count
    return options, target_options


def records_file(directory, records):
    path = os.path.join(directory, "records-%d.json" % time.monotonic_ns())
    with open(path, "w", encoding="utf-8") as f:
        json.dump([r.decode("latin-1") for r in records], f)
    return path


def run_transfer(bench_, name, records, options, time_limit):
    os.makedirs(bench_.work_root, exist_ok=True)
    setup = harness.Setup(COMMAND_LINE, sim_options=["--records-file", records_file(bench_.work_root, records),
                                                     "--duplicate-wait", "0.6"] + options,
                          time_limit=time_limit)
    return bench_.run(name, setup)


def run_keep_online(bench_, name, batches, options, target_options, time_limit):
    """One keep-online run: the program polls every second and the collector
    hands out one batch per poll, after refusing the first READs. Started
    from a command line, the program keeps its dialog hidden and the typing
    target the focus; the user ends the program from the tray once every
    record is delivered."""
    os.makedirs(bench_.work_root, exist_ok=True)
    total = sum(len(b) for b in batches)
    path = os.path.join(bench_.work_root, "batches-%d.json" % time.monotonic_ns())
    with open(path, "w", encoding="utf-8") as f:
        json.dump([[r.decode("latin-1") for r in b] for b in batches], f)

    def user(driver, outcome):
        wait_for(lambda: harness.delivered_so_far(outcome) >= total, time_limit - 30, step=0.5)
        time.sleep(2.5)     # the next poll finds nothing left and completes
        outcome.seen["message box"] = driver("messagebox", "0", check=False)
        driver("tray", "IDM_TRAY_EXIT")

    setup = harness.InteractiveSetup(KEEP_ONLINE_COMMAND_LINE, sim_options=["--records-file", path,
                                     "--duplicate-wait", "0.6", "--nak-read", "12"] + options,
                                     target_options=target_options, time_limit=time_limit, user=user)
    return bench_.run(name, setup)


def delivered_numbers(outcome):
    return [e["record"] for e in outcome.sim_events if e["ev"] == "delivered"]


def calibrate(bench_):
    values = [b for b in range(1, 256) if b not in UNTYPEABLE]
    outcome = run_transfer(bench_, "soak-calibration", [bytes([b]) for b in values], [], 300)
    segments = outcome.typed.split(b"\r")
    if len(delivered_numbers(outcome)) != len(values) or len(segments) != len(values) + 1:
        raise SystemExit("calibration failed: %d records delivered, %d typed"
                         % (len(delivered_numbers(outcome)), len(segments) - 1))
    table = {b: segment for b, segment in zip(values, segments)}
    table[13] = b"\r"
    return table


def typed_record(segment, expected, position):
    """The index of the record a typed line is, or None: the next record
    expected, else the last one again, else a later one (those in between
    were skipped), else an older one again."""
    nearby = ([position, position - 1] + list(range(position + 1, position + LOOK_AROUND))
              + list(range(position - 2, position - LOOK_AROUND, -1)))
    for index in nearby:
        if 0 <= index < len(expected) and segment == expected[index]:
            return index
    return None


def account_for(account, transfer_records, expected, outcome):
    """Attributes each typed segment to a record of the transfer, in order."""
    delivered = delivered_numbers(outcome)
    account.answers_lost_with_port.update(transfer_records[e["unanswered"] - 1][0] for e in outcome.sim_events
                                          if e["ev"] == "port_lost" and e["unanswered"])
    segments = outcome.typed.split(b"\r")
    if segments[-1] == b"":
        segments.pop()      # nothing after the last CR (or nothing typed at all)
    position = 0
    typed_here = []
    for segment in segments:
        index = typed_record(segment, expected, position)
        if index is None:
            account.wrong += 1
            account.incidents.append(dict(kind="wrong", typed=segment.hex(), transfer=account.transfers))
            continue
        typed_here.append(index)
        position = max(position, index + 1)
    account.typed += len(segments)
    for index in typed_here:
        key = transfer_records[index][0]
        account.typed_count[key] = account.typed_count.get(key, 0) + 1
        if account.typed_count[key] == 2 and key in account.answers_lost_with_port:
            account.answers_lost_with_port.discard(key)
            account.twice_after_port_loss += 1
        elif account.typed_count[key] == 2:
            account.twice += 1
            account.incidents.append(dict(kind="twice", record=key, transfer=account.transfers))
    for number in delivered:
        key = transfer_records[number - 1][0]
        if account.typed_count.get(key, 0) == 0:
            account.lost += 1
            account.incidents.append(dict(kind="lost", record=key, transfer=account.transfers))
    account.delivered += len(delivered)
    return {transfer_records[n - 1][0] for n in delivered}


def keep_evidence(outcome, options, anomalous):
    """Keeps the files of a transfer that went wrong (or delivered nothing)
    with its fault plan; drops those of a clean one, so a long run does not
    fill the disk."""
    if anomalous:
        with open(os.path.join(outcome.directory, "faults.json"), "w", encoding="utf-8") as f:
            json.dump(options, f)
    else:
        shutil.rmtree(outcome.directory, ignore_errors=True)


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--records", type=int, default=10000)
    p.add_argument("--per-transfer", type=int, default=100)
    p.add_argument("--fault-rate", type=float, default=0.05)
    p.add_argument("--seed", type=int, default=1)
    add_program_options(p, "soak")
    p.add_argument("--report", help="write the figures as JSON here")
    p.add_argument("--collector-timeout-ms", type=float, default=1500.0,
                   help="the collector's own answer time-out in every transfer (0: it waits for ever)")
    p.add_argument("--keep-online", action="store_true",
                   help="one keep-online program per run, serving --batches batches of --per-transfer records")
    p.add_argument("--batches", type=int, default=10)
    opts = p.parse_args()

    rng = random.Random(opts.seed)
    account = Account()
    with Display():
        if opts.keep_online:
            bench_ = harness.InteractiveBench(opts.orvanta, opts.target, opts.driver, opts.work)
        else:
            bench_ = harness.Bench(opts.orvanta, opts.target, opts.work)
        table = calibrate(harness.Bench(opts.orvanta, opts.target, opts.work))
        alphabet = [b for b in range(1, 256) if b not in UNTYPEABLE]
        pending = []        # (record id, data): what the collector still holds
        made = 0
        per_run = opts.per_transfer * (opts.batches if opts.keep_online else 1)
        while made < opts.records or pending:
            while len(pending) < per_run and made < opts.records:
                made += 1
                pending.append((made, make_record(rng, made, alphabet)))
            transfer = pending[:per_run]
            account.sent_ids.update(key for key, _ in transfer)
            account.sent = len(account.sent_ids)
            expected = [expected_text(d, table) for _, d in transfer]
            options, target_options = plan_faults(rng, len(transfer), opts.fault_rate, account, opts.keep_online,
                                                  [len(e) + 1 for e in expected])
            options += ["--answer-timeout-ms", str(opts.collector_timeout_ms)]
            name = "soak-transfer-%d" % (account.transfers + 1)
            data = [d for _, d in transfer]
            if opts.keep_online:
                batches = [data[i:i + opts.per_transfer] for i in range(0, len(data), opts.per_transfer)]
                # Every target option ends in its seconds.
                target_seconds = sum(float(o.split(",")[2]) for o in target_options[1::2])
                outcome = run_keep_online(bench_, name, batches, options, target_options,
                                          time_limit=60 + 1.5 * len(data) + 3 * len(batches) + 2 * target_seconds
                                          + 10 * options.count("--port-lost-after"))
                if (outcome.seen or {}).get("message box", "no message box") != "no message box":
                    account.message_boxes += 1
                    account.incidents.append(dict(kind="message box", text=outcome.seen["message box"],
                                                  transfer=account.transfers + 1))
            else:
                outcome = run_transfer(bench_, name, data, options, time_limit=30 + 1.5 * len(transfer))
            account.transfers += 1
            incidents_before = len(account.incidents)
            if outcome.summary.get("bytes_received", 0) == 0:
                account.unheard += 1
            account.seconds += outcome.seconds
            account.collector_timeouts += outcome.summary.get("answer_timeouts", 0)
            account.port_losses += outcome.summary.get("port_losses", 0)
            account.window_gaps += len(outcome.window_gaps())
            account.busy_spells += len(outcome.episodes("busy"))
            account.modifier_holds += len(outcome.episodes("hold"))
            account.processor += outcome.cpu_seconds or 0.0
            done = account_for(account, transfer, expected, outcome)
            pending = [r for r in pending if r[0] not in done]
            keep_evidence(outcome, options + target_options, len(account.incidents) > incidents_before or not done)
            print("transfer %d: %d records, %d delivered, exit %s, %.1f s; totals %s"
                  % (account.transfers, len(transfer), len(done), outcome.exit_code, outcome.seconds,
                     json.dumps({k: v for k, v in account.as_dict().items() if k != "faults"})), flush=True)
            if outcome.user_problem:
                print("  the user's part failed: %s" % outcome.user_problem, flush=True)
    report = account.as_dict()
    report.update(seed=opts.seed, fault_rate=opts.fault_rate, per_transfer=opts.per_transfer,
                  collector_timeout_ms=opts.collector_timeout_ms, incidents=account.incidents[:50])
    print(json.dumps(report, indent=2))
    if opts.report:
        with open(opts.report, "w", encoding="utf-8") as f:
            json.dump(report, f, indent=2)
    bad = account.twice + account.wrong + account.lost + account.message_boxes
    print("%d passed, %d failed" % (account.delivered - bad, bad))
    return 0 if bad == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
