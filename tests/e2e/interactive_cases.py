#!/usr/bin/env python3
"""
Interactive end-to-end cases: Orvanta.exe runs with its settings dialog,
on the collector simulator and with the typing target, as in e2e_run.py;
ui_driver.exe plays the user from outside (buttons, fields, the code
picker, message boxes, the tray menu's Open and Exit).

    interactive_cases.py --orvanta Orvanta.exe --target typing_target.exe
                         --driver ui_driver.exe --work DIR [--template PREFIX] CASE...
    interactive_cases.py --list

A failing case leaves its directory under --work, with driver.log beside
the bench's own logs.
"""
import argparse
import json
import os
import subprocess
import sys
import time
from dataclasses import dataclass

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from bench import Bench, Display, Setup, report, wait_for  # noqa: E402

DIALOG = "Orvanta (Ver 1.20)"
GRID = "The Grid Control"
TARGET = "Typing target"
TRAY_OPEN, TRAY_EXIT = "150", "151"
START, PREFIX_BOX, PREFIX_FIELD, TRANSMISSION = "1", "453", "304", "401"


class UserFailed(Exception):
    pass


class Driver:
    """One ui_driver.exe run per action, in the program's wine prefix."""

    def __init__(self, wine, exe, log_path):
        self.wine, self.exe, self.log_path = wine, exe, log_path

    def __call__(self, *args, check=True):
        result = subprocess.run(["wine", self.exe, *args], env=self.wine.env, stdin=subprocess.DEVNULL,
                                capture_output=True, text=True, timeout=90)
        output = result.stdout.rstrip("\r\n")
        with open(self.log_path, "a") as log:
            log.write("%s -> %d %r\n" % (" ".join(args), result.returncode, output))
        if check and result.returncode != 0:
            raise UserFailed("%s failed: %s" % (" ".join(args), output))
        return output


@dataclass
class InteractiveSetup(Setup):
    user: object = None    # user(driver, outcome) acts while the program runs


class InteractiveBench(Bench):
    def __init__(self, orvanta_exe, target_exe, driver_exe, work_root, template=None):
        super().__init__(orvanta_exe, target_exe, work_root, template)
        self.driver_exe = os.path.abspath(driver_exe)

    def _run_program(self, wine, exe, setup, outcome):
        """Starts the program (with no argument at all when there is no
        command line: an empty one would count as given), lets the user act,
        then waits for the program to end."""
        start = time.monotonic()
        process = wine.start([exe, setup.args] if setup.args else [exe])
        outcome.seen, outcome.user_problem = {}, None
        try:
            setup.user(Driver(wine, self.driver_exe, os.path.join(outcome.directory, "driver.log")), outcome)
        except (UserFailed, subprocess.TimeoutExpired) as problem:
            outcome.user_problem = str(problem)
        try:
            process.wait(timeout=max(1.0, setup.time_limit - (time.monotonic() - start)))
            outcome.exit_code = process.returncode
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
        outcome.seconds = time.monotonic() - start


# What the user waits for.

def typed_so_far(outcome):
    try:
        with open(os.path.join(outcome.directory, "typed.txt"), "rb") as f:
            return f.read()
    except FileNotFoundError:
        return b""


def delivered_so_far(outcome):
    try:
        with open(os.path.join(outcome.directory, "sim.log")) as f:
            counts = [json.loads(line).get("delivered", 0) for line in f if line.endswith("\n")]
    except FileNotFoundError:
        return 0
    return max(counts, default=0)


def wait_until_typed(outcome, expected, seconds=30):
    if not wait_for(lambda: typed_so_far(outcome) == expected, seconds):
        raise UserFailed("typed %r, waited for %r" % (typed_so_far(outcome), expected))


def wait_until_delivered(outcome, count, seconds=30):
    if not wait_for(lambda: delivered_so_far(outcome) >= count, seconds):
        raise UserFailed("the collector counted %d records delivered, waited for %d"
                         % (delivered_so_far(outcome), count))


# The users. Start goes to the dialog as the button's notification only, so
# that the typing target keeps the keyboard focus for the records.

def start_over_rs232(driver, outcome):
    driver("wait", DIALOG, "visible")
    driver("select", DIALOG, TRANSMISSION, "0")
    driver("foreground", TARGET)
    driver("command", DIALOG, START)
    outcome.seen["hidden after Start"] = driver("wait", DIALOG, "hidden", "10")
    wait_until_typed(outcome, b"abc\r4006381333931\r")
    driver("tray", TRAY_EXIT)


def prefix_enter(driver, outcome):
    driver("wait", DIALOG, "visible")
    driver("select", DIALOG, TRANSMISSION, "0")
    driver("click", DIALOG, PREFIX_BOX)
    driver("press", DIALOG, PREFIX_FIELD, "4", "4")
    driver("wait", GRID, "visible")
    driver("pickcell", GRID, "0", "13")
    driver("click", GRID, "1")
    driver("wait", GRID, "gone")
    outcome.seen["prefix field"] = driver("gettext", DIALOG, PREFIX_FIELD)
    driver("foreground", TARGET)
    driver("command", DIALOG, START)
    wait_until_typed(outcome, b"\rabc\r")
    driver("tray", TRAY_EXIT)


def missing_port(driver, outcome):
    driver("wait", DIALOG, "visible")
    driver("command", DIALOG, START)
    outcome.seen["message"] = driver("messagebox")
    outcome.seen["hidden after the message"] = driver("wait", DIALOG, "hidden", "5")
    driver("tray", TRAY_OPEN)
    outcome.seen["shown by Open"] = driver("wait", DIALOG, "visible", "10")
    driver("tray", TRAY_EXIT)


# The transfer starts while the dialog opens, and the dialog stays hidden:
# the target keeps the focus from the start, with no help from the user,
# through the READs the collector first refuses and two polls.
def keep_online_from_command_line(driver, outcome):
    wait_until_delivered(outcome, 2)
    wait_until_typed(outcome, b"abc\rdef\r")
    outcome.seen["dialog hidden"] = driver("wait", DIALOG, "hidden", "1")
    driver("tray", TRAY_EXIT)


# Checks, as in e2e_run.py: each returns a problem text or None.

def exit_code(expected):
    return lambda o: None if o.exit_code == expected else "exit code %s, expected %d" % (o.exit_code, expected)


def typed(expected):
    return lambda o: None if o.typed == expected else "typed %r, expected %r" % (o.typed, expected)


def seen(what, expected):
    return lambda o: None if o.seen.get(what) == expected else \
        "%s: %r, expected %r" % (what, o.seen.get(what), expected)


def kept_focus(o):
    return "another window took the focus during the run" if o.focus_lost else None


def user_done(o):
    return "the user could not finish: " + o.user_problem if o.user_problem else None


def settings_start(expected):
    """The first bytes of the settings file that Start wrote."""
    return lambda o: None if (o.settings_file or b"").startswith(expected) else \
        "settings file %r, expected it to start with %r" % (o.settings_file, expected)


def lines_received_start(*expected):
    return lambda o: None if o.lines_received()[:len(expected)] == list(expected) else \
        "the collector received %r, expected it to begin with %r" % (o.lines_received(), list(expected))


def records(*texts):
    return [a for t in texts for a in ("--record", t)]


RS232_LINES = b"0\r\n1\r\n0\r\n1\r\n0\r\n2\r\n2\r\n"
ENTER_PREFIX = b"1\x7f" + bytes(9) + b"\r\n"

CASES = {
    "interactive_start_types_records": (
        InteractiveSetup("", sim_options=records("abc", "4006381333931"), user=start_over_rs232),
        [typed(b"abc\r4006381333931\r"), seen("hidden after Start", "ok"), settings_start(RS232_LINES)]),
    "interactive_prefix_enter_saved_as_127": (
        InteractiveSetup("", sim_options=records("abc"), user=prefix_enter),
        [typed(b"\rabc\r"), seen("prefix field", " Enter"), settings_start(RS232_LINES + ENTER_PREFIX)]),
    "interactive_missing_port": (
        InteractiveSetup("", ports={1: "absent"}, user=missing_port),
        [typed(b""), seen("message", "Error|Failed to open the COM port!"),
         seen("hidden after the message", "ok"), seen("shown by Open", "ok")]),
    "interactive_keep_online_command_line": (
        InteractiveSetup("1,1,1,1,1,1,2", sim_options=records("abc") + ["--next-batch"] + records("def")
                         + ["--nak-read", "12"], user=keep_online_from_command_line),
        [typed(b"abc\rdef\r"), lines_received_start(*["READ"] * 13, "ACK", "READ", "ACK"),
         seen("dialog hidden", "ok"), kept_focus]),
}

# Every interactive run ends through the tray menu's Exit, with exit code 1.
ALWAYS = [user_done, exit_code(1)]


def run_case(bench, name):
    setup, checks = CASES[name]
    outcome = bench.run(name, setup)
    problems = [p for p in (check(outcome) for check in ALWAYS + checks) if p]
    return report(name, outcome, problems, "; seen %r" % getattr(outcome, "seen", {}))


def main():
    p = argparse.ArgumentParser(description="Runs the interactive end-to-end cases of Orvanta.exe under wine.")
    p.add_argument("--orvanta")
    p.add_argument("--target")
    p.add_argument("--driver")
    p.add_argument("--work", default=os.path.join(os.getcwd(), "e2e-interactive-work"))
    p.add_argument("--template", help="template wine prefix, shared with other runs (default: in --work)")
    p.add_argument("--list", action="store_true", help="print the case names and stop")
    p.add_argument("cases", nargs="*")
    opts = p.parse_args()
    if opts.list:
        print(";".join(CASES))
        return 0
    unknown = [c for c in opts.cases if c not in CASES]
    if unknown or not (opts.orvanta and opts.target and opts.driver):
        p.error("need --orvanta, --target, --driver and known cases (unknown: %s)" % ", ".join(unknown))
    bench = InteractiveBench(opts.orvanta, opts.target, opts.driver, opts.work, opts.template)
    with Display():
        results = [run_case(bench, name) for name in opts.cases or CASES]
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main())
