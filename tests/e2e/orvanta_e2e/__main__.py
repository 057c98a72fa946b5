"""
Runs end-to-end cases of Orvanta.exe under wine, from both tables
(unattended and interactive), and tells for each what it saw and what was
wrong. Exit code 0 when every case passed.

    python3 -B -m orvanta_e2e --orvanta Orvanta.exe --target typing_target.exe
                              --driver ui_driver.exe --work DIR [CASE...]
    python3 -B -m orvanta_e2e --list [unattended|interactive|installed]

--driver is needed only for interactive cases. ctest runs one case per test
(label e2e; gui as well for the interactive ones). A failing case leaves its
directory under --work: wine.log, sim.log, typed.txt, target-events.txt,
and driver.log for an interactive case.
"""
import argparse
import os
import sys

from . import installed, interactive, unattended
from .environment import Display
from .harness import Bench, InteractiveBench
from .installed import InstalledBench

TABLES = {"unattended": unattended, "interactive": interactive, "installed": installed}
# The tables whose cases a user plays through the dialog.
WITH_USER = (interactive, installed)


def table_of(name):
    return next((table for table in TABLES.values() if name in table.CASES), None)


def report(name, outcome, problems):
    """Prints what a case saw and what was wrong; returns True if nothing."""
    cpu = "" if outcome.cpu_seconds is None else " (processor %.2f s)" % outcome.cpu_seconds
    seen = "" if outcome.seen is None else "; seen %r" % outcome.seen
    codes = "/".join(map(str, outcome.exit_codes)) if outcome.exit_codes else outcome.exit_code
    print("%s: exit code %s after %.2f s%s; typed %r%s"
          % (name, codes, outcome.seconds, cpu, outcome.typed, seen))
    if outcome.sim_events:
        print("  collector received: %s" % " ".join(outcome.lines_received()))
        print("  collector summary: %s" % {k: v for k, v in outcome.summary.items() if k not in ("t", "ev")})
    for problem in problems:
        print("  FAILED: " + problem)
    if problems:
        print("  details in " + outcome.directory)
    return not problems


def run_case(bench, name):
    table = table_of(name)
    setup, checks = table.CASES[name]
    outcome = bench.run(name, setup)
    problems = [p for p in (check(outcome) for check in table.ALWAYS + checks) if p]
    return report(name, outcome, problems)


def parse_args(argv):
    p = argparse.ArgumentParser(prog="python3 -B -m orvanta_e2e", description=__doc__.split("\n\n")[0].strip())
    p.add_argument("--orvanta")
    p.add_argument("--target")
    p.add_argument("--driver", help="ui_driver.exe, for the interactive cases")
    p.add_argument("--work", default=os.path.join(os.getcwd(), "e2e-work"))
    p.add_argument("--template", help="template wine prefix, shared with other runs (default: in --work)")
    p.add_argument("--list", nargs="?", const="all", choices=["all", *TABLES],
                   help="print the case names (of one table) and stop")
    p.add_argument("cases", nargs="*")
    opts = p.parse_args(argv)
    if opts.list:
        return opts
    opts.cases = opts.cases or [name for table in TABLES.values() for name in table.CASES]
    unknown = [c for c in opts.cases if table_of(c) is None]
    needs_driver = any(table_of(c) in WITH_USER for c in opts.cases)
    if unknown or not (opts.orvanta and opts.target) or (needs_driver and not opts.driver):
        p.error("need --orvanta, --target, --driver for interactive cases, and known cases (unknown: %s)"
                % ", ".join(unknown))
    return opts


def main(argv=None):
    opts = parse_args(argv)
    if opts.list:
        print(";".join(name for key, table in TABLES.items() if opts.list in ("all", key) for name in table.CASES))
        return 0
    benches = {unattended: Bench(opts.orvanta, opts.target, opts.work, opts.template)}
    if opts.driver:
        benches[interactive] = InteractiveBench(opts.orvanta, opts.target, opts.driver, opts.work, opts.template)
        benches[installed] = InstalledBench(opts.orvanta, opts.target, opts.driver, opts.work, opts.template)
    with Display():
        results = [run_case(benches[table_of(name)], name) for name in opts.cases]
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main())
