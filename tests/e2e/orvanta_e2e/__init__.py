"""
End-to-end testing of Orvanta.exe under wine: the real program, its COM port
on a simulated collector, its keystrokes into a real window.

    environment  the X display and the wine prefixes a run happens in
    harness      the bench: one run of the program with the typing target
                 and the simulator, unattended or played by the UI driver
    simulator    the collector simulator (a process of its own)
    checks       what a case requires of a run's outcome
    unattended   the cases run from a command line
    interactive  the cases a user plays through the dialog and the tray
    installed    the cases of a program an administrator installed: a
                 read-only folder, the ports the dialog names
    __main__     the runner of both tables, which ctest calls once per case
    soak         many transfers with random faults, every record accounted for
    measure      what a transfer and keep-online polling cost

    python3 -B -m orvanta_e2e --list
    python3 -B -m orvanta_e2e --orvanta Orvanta.exe --target typing_target.exe
                              --driver ui_driver.exe --work DIR CASE...

with tests/e2e on the module search path (python3 -B -m orvanta_e2e.soak
and orvanta_e2e.measure the same way). scripts/demo uses the bench as well.
"""
import sys

# No __pycache__ in the source tree; -B covers this file itself.
sys.dont_write_bytecode = True
