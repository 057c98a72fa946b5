"""
What the end-to-end cases require of a run: each check takes the bench's
Outcome and returns a problem text, or None when the run is as required.
The functions of arguments make such a check.
"""


def exit_code(expected):
    return lambda o: None if o.exit_code == expected else \
        "exit code %s, expected %d" % (o.exit_code, expected)


def typed(expected):
    return lambda o: None if o.typed == expected else \
        "typed %r, expected %r" % (o.typed, expected)


def kept_focus(o):
    return "another window took the focus during the run" if o.focus_lost else None


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


def user_done(o):
    return "the user could not finish: " + o.user_problem if o.user_problem else None
