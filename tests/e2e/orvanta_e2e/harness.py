"""
The end-to-end bench: runs the Windows program under wine against the
collector simulator on a pseudo-terminal and types into the typing target,
then hands back everything a check needs (exit code, typed bytes, the
simulator's log, the settings file). The interactive bench lets a user,
played by ui_driver.exe, act while the program runs.

The journal a run starts with can be put into the user's journal folder
first (files of its own, or months of them made by journal_bench.exe), and
its day's file can be held open by another program, as a spreadsheet that
shows it does, while the program runs.

Used by the case tables of this package, its soak and measuring runs
(soak, measure) and scripts/demo.
"""
import csv
import datetime
import glob
import os
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass, field

from .environment import PrefixFactory, Wine, keymap_directory, locale_available, start_xvfb, wait_for, windows_path
from .simulator import read_log

SIMULATOR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "simulator.py")
# The source tree, for the default places of the built programs.
REPO = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", ".."))


def add_program_options(parser, work):
    """--orvanta, --target, --driver and --work of a run by hand, at the
    places of the win64 build."""
    built = os.path.join(REPO, "build", "win64")
    parser.add_argument("--orvanta", default=os.path.join(built, "Orvanta.exe"))
    parser.add_argument("--target", default=os.path.join(built, "tools", "typing_target.exe"))
    parser.add_argument("--driver", default=os.path.join(built, "tools", "ui_driver.exe"))
    parser.add_argument("--work", default=os.path.join(REPO, "build", work))


def record_options(*records):
    """Simulator options serving these records (text); the simulator reads
    backslash escapes in a record's text."""
    return [a for r in records for a in ("--record", r.replace("\\", "\\\\"))]


def typed_records(*records):
    """What add-CR types for these records."""
    return b"".join(r.encode("latin-1") + b"\r" for r in records)


def byte_record_options(*records):
    """Records given as bytes, every byte escaped: the simulator would
    otherwise send a non-ASCII character as UTF-8."""
    return [a for r in records for a in ("--record", "".join("\\x%02x" % b for b in r))]


class TypingTarget:
    """program: the target runs as a copy of itself of that name, in
    `directory`, as a window of the shell runs in the shell's own program;
    window_class: its window is of that class."""

    def __init__(self, wine, exe, directory, program=None, window_class=None):
        self.wine = wine
        self.exe = shutil.copy2(exe, os.path.join(directory, program)) if program else exe
        self.class_options = ["--class", window_class] if window_class else []
        self.typed = os.path.join(directory, "typed.txt")
        self.events = os.path.join(directory, "target-events.txt")
        self.ready = os.path.join(directory, "target-ready")
        self.stop_file = os.path.join(directory, "target-stop")
        self.process = None

    def start(self, options=(), seconds=60):
        for path in (self.typed, self.events, self.ready, self.stop_file):
            if os.path.exists(path):
                os.unlink(path)
        self.process = self.wine.start([self.exe, windows_path(self.typed),
                                        "--events", windows_path(self.events),
                                        "--ready", windows_path(self.ready),
                                        "--stop", windows_path(self.stop_file), *self.class_options, *options])
        if not wait_for(lambda: os.path.exists(self.ready) or self.process.poll() is not None, seconds):
            raise RuntimeError("the typing target did not take the foreground")
        if self.process.poll() is not None:
            raise RuntimeError("the typing target ended at start (code %d)" % self.process.returncode)

    def read_typed(self, window=""):
        """All that was typed, or what reached one window of a switch
        ("first" or "second"); None when there is no such file."""
        try:
            with open(self.typed + ("." + window if window else ""), "rb") as f:
                return f.read()
        except FileNotFoundError:
            return None

    def read_events(self):
        try:
            with open(self.events, encoding="ascii") as f:
                return f.read().split("\n")[:-1]
        except FileNotFoundError:
            return []

    def wait_until_quiet(self, quiet=0.5, limit=10):
        """Injected keys are queued: they can still be arriving after the
        program that typed them has ended."""
        last, since = None, time.monotonic()
        deadline = since + limit
        while time.monotonic() < deadline:
            size = os.path.getsize(self.typed)
            if size != last:
                last, since = size, time.monotonic()
            elif time.monotonic() - since >= quiet:
                return
            time.sleep(0.05)

    def stop(self, seconds=15):
        if not self.process:
            return
        open(self.stop_file, "w").close()
        try:
            self.process.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


class SimulatorProcess:
    """The collector simulator, run by path as a process of its own."""

    def __init__(self, link, log_path):
        self.link, self.log_path = link, log_path
        self.process = None

    def start(self, options, lifetime, seconds=15):
        # The lifetime bounds a simulator whose harness was killed.
        self.process = subprocess.Popen([sys.executable, SIMULATOR, "--link", self.link,
                                         "--log", self.log_path, "--timeout", str(lifetime), *options],
                                        stdout=subprocess.DEVNULL)
        if not wait_for(lambda: any(e["ev"] == "ready" for e in self.events())
                        or self.process.poll() is not None, seconds):
            raise RuntimeError("the collector simulator did not start")
        if self.process.poll() is not None:
            raise RuntimeError("the collector simulator ended at start")

    def events(self):
        return read_log(self.log_path)

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


# USB-serial adapters as Windows keeps them in the registry's Enum tree,
# which wine's SetupAPI lists: an instance is "VID_1A86&PID_7523\\5&2A3B4C1&0&3"
# (device id, then the instance part Windows made up from the socket).
ENUM_USB = r"HKEY_LOCAL_MACHINE\System\CurrentControlSet\Enum\USB"
PORTS_CLASS = "{4d36e978-e325-11ce-bfc1-08002be10318}"
DEVICE_NAMES = {"VID_1A86&PID_7523": "USB-SERIAL CH340", "VID_0403&PID_6001": "USB Serial Port"}
CH340_SOCKET = "VID_1A86&PID_7523\\5&2A3B4C1&0&%d"
FTDI = "VID_0403&PID_6001\\A50285BI"


def multi_string(*strings):
    """A REG_MULTI_SZ value as a .reg file of version 5 writes it."""
    data = "".join(s + "\0" for s in strings) + "\0"
    return "hex(7):" + ",".join("%02x" % b for b in data.encode("utf-16-le"))


def adapter_keys(number, instance):
    """The .reg lines of a USB-serial adapter's device on COM<number>."""
    device = instance.split("\\")[0]
    key = ENUM_USB + "\\" + instance
    name = "%s (COM%d)" % (DEVICE_NAMES[device], number)
    return ["[%s]" % key, '"ClassGUID"="%s"' % PORTS_CLASS, '"Class"="Ports"', '"FriendlyName"="%s"' % name,
            '"HardwareID"=%s' % multi_string("USB\\%s&REV_0264" % device, "USB\\" + device), "",
            "[%s\\Device Parameters]" % key, '"PortName"="COM%d"' % number, ""]


def import_registry(wine, directory, lines):
    """Imports .reg lines into the prefix, as one file of the run's folder."""
    path = os.path.join(directory, "registry-%d.reg" % len(glob.glob(os.path.join(directory, "registry-*.reg"))))
    with open(path, "w", encoding="utf-16") as f:
        f.write("Windows Registry Editor Version 5.00\r\n\r\n" + "\r\n".join(lines) + "\r\n")
    if wine.run(["reg", "import", windows_path(path)]) != 0:
        raise RuntimeError("reg import %s failed (see wine.log)" % path)


def move_adapters(wine, directory, gone=(), new=None):
    """Adapters pulled out (their instances) and put in (COM number ->
    instance), as Windows changes the Enum tree."""
    lines = ["[-%s\\%s]" % (ENUM_USB, instance) for instance in gone] + [""]
    for number, instance in (new or {}).items():
        lines += adapter_keys(number, instance)
    import_registry(wine, directory, lines)


class Listener:
    """A port whose far end only listens: what the program sends there."""

    def __init__(self, link):
        self.master, self.slave = os.openpty()
        os.set_blocking(self.master, False)
        os.symlink(os.ttyname(self.slave), link)

    def heard(self):
        data = b""
        try:
            while chunk := os.read(self.master, 4096):
                data += chunk
        except (BlockingIOError, OSError):
            pass
        os.close(self.master)
        os.close(self.slave)
        return data


@dataclass
class Setup:
    """What one run needs. ports maps COM numbers to "sim" (the simulator's
    link), "absent" (a directory, so opening the port fails whatever
    serial devices the machine has: wine falls back to /dev/ttyS<n-1> for a
    port without a mapping or whose mapped path is missing) or "listen" (a
    terminal whose far end keeps what it hears: outcome.heard). adapters
    maps COM numbers to the USB-serial adapter instances the registry has
    for them before the program runs; kept_adapter is the collector's
    adapter the user's key holds then, as its lines. keymap names
    an X keymap (de, fr, ...) for a display of the run's own; without a
    target no window is open while the program runs. settings_unwritable
    puts a directory where the settings file goes, so that writing it fails
    as in a protected folder (a read-only file would not stop root).
    target_options go to the typing target (--gap, --busy, --hold, --switch).
    locale is the one the wine processes run in (LANG and LC_ALL):
    "ja_JP.UTF-8" gives them the ANSI code page 932. target_as (program,
    window class) runs the typing target as a copy of itself named as an
    application's program, with a window of that class; with target_later
    the user of an interactive run opens it (Driver.open_target) while the
    program runs, instead of the bench before the start. registry: (key,
    value name, DWORD) written into the prefix with `wine reg add` before
    the program first runs.

    The user's journal folder gets journal_days days of journal files made
    by journal_bench.exe (up to yesterday, 10,000 rows each), then the
    journal_files (name -> bytes), before the program first runs; "{today}"
    in a name or in the bytes stands for today's date (2026-12-09).
    held_journal names a journal file (which must be there) that another
    program holds as a spreadsheet does for the whole run; run_again runs
    the program once more in the same prefix after that (and after the
    held file is let go), with the same command line: the simulator's
    next batch (--next-batch) serves it. together starts a second program
    with the same command line in the same prefix at the same moment, as
    two batch files might: exit_codes has both, the first's first."""
    args: str
    ports: dict = field(default_factory=lambda: {1: "sim"})
    sim_options: list = field(default_factory=list)
    time_limit: float = 60.0
    keymap: str = None
    target: bool = True
    target_options: list = field(default_factory=list)
    target_as: tuple = (None, None)
    target_later: bool = False
    registry: list = field(default_factory=list)
    settings_unwritable: bool = False
    locale: str = None
    journal_days: int = 0
    journal_files: dict = field(default_factory=dict)
    held_journal: str = None
    run_again: bool = False
    together: bool = False
    adapters: dict = field(default_factory=dict)
    kept_adapter: list = field(default_factory=list)


@dataclass
class Outcome:
    exit_code: int = None       # None: the program did not end within the time limit
    exit_codes: list = None     # with run_again: each run's, in order (exit_code is the last); together: both
    seconds: float = 0.0
    cpu_seconds: float = None
    typed: bytes = b""
    typed_first: bytes = None   # with --switch: what reached the first window
    typed_second: bytes = None  # ... and the second
    target_events: list = field(default_factory=list)
    focus_lost: bool = False    # another window took the focus while the program ran, outside the target's gaps
    sim_events: list = field(default_factory=list)
    settings_file: bytes = None
    directory: str = ""
    journal: list = None        # the journal's rows, as Python's csv module reads them back
    journal_files: list = None  # after each run: {name: bytes} of the journal folder
    seen: dict = None           # interactive runs: what the user saw, by what was looked at
    user_problem: str = None    # interactive runs: why the user could not finish
    heard: dict = None          # "listen" ports: COM number -> the bytes sent there

    @property
    def summary(self):
        found = [e for e in self.sim_events if e["ev"] == "summary"]
        return found[-1] if found else {}

    def lines_received(self):
        return [e["text"] for e in self.sim_events if e["ev"] == "rx_line"]

    def keydowns(self):
        """(virtual key, scan code, extended) of every key the target got."""
        found = []
        for line in self.target_events:
            words = line.split()
            if words[:1] == ["keydown"] and len(words) >= 4:
                found.append((int(words[1], 16), int(words[3], 16), words[4:] == ["ext"]))
        return found

    def episodes(self, name):
        """(kind, characters at its begin, at its end or None) of every gap,
        busy spell, hold or switch (name) the typing target made; kind is
        the word between name and "begin" ("" for a switch)."""
        found = []
        for line in self.target_events:
            words = line.split()
            if words[:1] == [name] and "begin" in words:
                found.append((" ".join(words[1:words.index("begin")]), int(words[-1]), None))
            elif words[:2] == [name, "end"] and found:
                found[-1] = found[-1][:2] + (int(words[-1]),)
        return found

    def window_gaps(self):
        return self.episodes("gap")

    def sim_records(self, event):
        """The record numbers of the simulator's events of one kind."""
        return [e["record"] for e in self.sim_events if e["ev"] == event]

    def cradle_events(self):
        return [e for e in self.sim_events if e["ev"].startswith("cradle")]


def journal_folder(directory):
    """The journal folder of the prefix's user (whose name wine takes from
    the Linux user), whether or not it is there yet."""
    users = [u for u in os.listdir(os.path.join(directory, "prefix", "drive_c", "users")) if u != "Public"]
    return os.path.join(directory, "prefix", "drive_c", "users", users[0], "AppData", "Local", "Orvanta", "Journal")


def today():
    """Today's date as the journal names its days: wine's processes keep
    the local time of the machine."""
    return datetime.date.today().isoformat()


def journal_name(name):
    return name.replace("{today}", today())


def read_journal(directory, leave_out=()):
    """Every row of the user's journal files, oldest file first, but those
    of the files named in leave_out."""
    rows = []
    for path in sorted(glob.glob(os.path.join(journal_folder(directory), "*.csv"))):
        if os.path.basename(path) not in leave_out:
            with open(path, encoding="utf-8-sig", newline="") as f:
                rows.extend(csv.DictReader(f))
    return rows


def journal_snapshot(directory, leave_out=()):
    """{name: bytes} of the journal folder's files, but those in leave_out."""
    folder = journal_folder(directory)
    names = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
    found = {}
    for name in names:
        if name not in leave_out:
            with open(os.path.join(folder, name), "rb") as f:
                found[name] = f.read()
    return found


class Spreadsheet:
    """Another program showing a journal file as a spreadsheet shows a CSV:
    ui_driver.exe hold keeps it open for reading and lets others only read
    it, from open() until close()."""

    def __init__(self, wine, driver_exe, directory, name):
        self.wine, self.driver_exe = wine, driver_exe
        self.path = os.path.join(journal_folder(directory), journal_name(name))
        self.ready = os.path.join(directory, "spreadsheet-ready")
        self.stop_file = os.path.join(directory, "spreadsheet-stop")
        self.process = None

    def open(self, seconds=20):
        for path in (self.ready, self.stop_file):
            if os.path.exists(path):
                os.unlink(path)
        self.process = self.wine.start([self.driver_exe, "hold", windows_path(self.path),
                                        windows_path(self.stop_file), windows_path(self.ready)])
        if not wait_for(lambda: os.path.exists(self.ready) or self.process.poll() is not None, seconds) \
                or self.process.poll() is not None:
            raise UserFailed("could not hold %s open (see wine.log)" % self.path)
        return self

    def close(self, seconds=20):
        open(self.stop_file, "w").close()
        try:
            self.process.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            raise UserFailed("the spreadsheet did not let %s go" % self.path)


def focus_lost(target_events):
    """Whether the target lost the focus other than by a gap, a busy spell
    or a switch of its own (a switch lasts to the end)."""
    away = set()
    for line in target_events:
        word = line.split(" ", 1)[0]
        if word in ("gap", "busy", "switch"):
            if " begin " in line:
                away.add(word)
            elif word != "switch":
                away.discard(word)
        elif line == "killfocus" and not away:
            return True
    return False


class Bench:
    def __init__(self, orvanta_exe, target_exe, work_root, template=None):
        self.orvanta_exe = os.path.abspath(orvanta_exe)
        self.target_exe = os.path.abspath(target_exe)
        # The other tools of the build are beside the typing target.
        self.driver_exe = os.path.join(os.path.dirname(self.target_exe), "ui_driver.exe")
        self.journal_bench_exe = os.path.join(os.path.dirname(self.target_exe), "journal_bench.exe")
        self.work_root = os.path.abspath(work_root)
        self.prefixes = PrefixFactory(template or os.path.join(self.work_root, "wine-template"))

    def run(self, name, setup, before_stop=None):
        """One unattended run of the program; before_stop(outcome, directory)
        runs while the target still shows what was typed (the demo's
        screenshot)."""
        directory = os.path.join(self.work_root, name)
        shutil.rmtree(directory, ignore_errors=True)
        app = os.path.join(directory, "app")
        os.makedirs(app)
        # The program keeps its settings file next to its exe: a copy of its own.
        exe = shutil.copy2(self.orvanta_exe, app)
        settings = os.path.join(app, "Orvanta.ini")
        if setup.settings_unwritable:
            os.makedirs(settings)
        self.prefixes.clone(os.path.join(directory, "prefix"))
        if setup.locale and not locale_available(setup.locale):
            raise RuntimeError("the locale %s is missing (scripts/test makes it with localedef)" % setup.locale)
        server, display = (start_xvfb("1024x768x24", keymap_directory(self.work_root, setup.keymap))
                           if setup.keymap else (None, None))
        wine = Wine(os.path.join(directory, "prefix"), os.path.join(directory, "wine.log"), display, setup.locale)
        for key, name, value in setup.registry:
            wine.run(["reg", "add", key, "/v", name, "/t", "REG_DWORD", "/d", str(value), "/f"])
        ports, sim_link = self._port_paths(directory, setup.ports)
        self._put_adapters(wine, directory, setup)
        wine.map_ports(ports)
        listeners = {n: Listener(ports[n]) for n, kind in setup.ports.items() if kind == "listen"}

        outcome = Outcome(directory=directory)
        target = TypingTarget(wine, self.target_exe, directory, *setup.target_as) if setup.target else None
        self.target = target    # the user of an interactive run may open it (Driver.open_target)
        sim = SimulatorProcess(sim_link, os.path.join(directory, "sim.log")) if sim_link else None
        made = ()
        try:
            made = self._put_journal(wine, directory, setup)
            if target and not setup.target_later:
                target.start(setup.target_options)
            if sim:
                sim.start(setup.sim_options, lifetime=setup.time_limit * (2 if setup.run_again else 1) + 120)
            self._run_held_and_again(wine, exe, setup, outcome, made)
            if target and target.process:
                target.wait_until_quiet()
                outcome.typed = target.read_typed()
                outcome.typed_first, outcome.typed_second = target.read_typed("first"), target.read_typed("second")
                outcome.target_events = target.read_events()
                outcome.focus_lost = focus_lost(outcome.target_events)
            if before_stop:
                before_stop(outcome, directory)
        finally:
            if target:
                target.stop()
            if sim:
                sim.stop()
            wine.kill_server()
            outcome.heard = {n: listener.heard() for n, listener in listeners.items()}
            wine.close()
            if server:
                server.terminate()
                server.wait()
        if sim:
            outcome.sim_events = sim.events()
        if os.path.isfile(settings):
            with open(settings, "rb") as f:
                outcome.settings_file = f.read()
        outcome.journal = read_journal(directory, made)
        return outcome

    @staticmethod
    def _put_adapters(wine, directory, setup):
        lines = []
        for number, instance in setup.adapters.items():
            lines += adapter_keys(number, instance)
        if setup.kept_adapter:
            lines += [r"[HKEY_CURRENT_USER\Software\Orvanta]",
                      '"CollectorAdapter"=%s' % multi_string(*setup.kept_adapter), ""]
        if lines:
            import_registry(wine, directory, lines)

    def _put_journal(self, wine, directory, setup):
        """The journal the run starts with; returns the names of the files
        journal_bench.exe made, which the outcome leaves out (890,000 rows
        would only weigh on it)."""
        folder = journal_folder(directory)
        made = ()
        if setup.journal_days or setup.journal_files:
            # Otherwise the program makes the folder with its first row.
            os.makedirs(folder, exist_ok=True)
        if setup.journal_days:
            code = wine.run([self.journal_bench_exe, "make", windows_path(folder), str(setup.journal_days)],
                            timeout=600)
            if code != 0:
                raise RuntimeError("journal_bench.exe make ended with %d (see wine.log)" % code)
            made = frozenset(os.listdir(folder))
        for name, content in setup.journal_files.items():
            with open(os.path.join(folder, journal_name(name)), "wb") as f:
                f.write(content.replace(b"{today}", today().encode()))
        return made

    def _run_held_and_again(self, wine, exe, setup, outcome, made):
        """The run, with its journal file held meanwhile if so set up, and
        the run after it; the journal folder is kept after each."""
        spreadsheet = Spreadsheet(wine, self.driver_exe, outcome.directory, setup.held_journal).open() \
            if setup.held_journal else None
        beside = wine.start([exe, setup.args]) if setup.together else None
        self._run_program(wine, exe, setup, outcome)
        if beside:
            outcome.exit_codes = [outcome.exit_code, ended(beside, setup.time_limit - outcome.seconds)]
        outcome.journal_files = [journal_snapshot(outcome.directory, made)]
        if spreadsheet:
            spreadsheet.close()
        if setup.run_again:
            first = (outcome.exit_code, outcome.seconds, outcome.cpu_seconds or 0.0)
            self._run_program(wine, exe, setup, outcome)
            outcome.exit_codes = [first[0], outcome.exit_code]
            outcome.seconds += first[1]
            outcome.cpu_seconds = (outcome.cpu_seconds or 0.0) + first[2]
            outcome.journal_files.append(journal_snapshot(outcome.directory, made))

    @staticmethod
    def _port_paths(directory, ports):
        paths, sim_link = {}, None
        for number, kind in ports.items():
            path = os.path.join(directory, "com%d" % number)
            if kind == "sim":
                sim_link = path
            elif kind == "absent":
                os.makedirs(path)
            paths[number] = path
        return paths, sim_link

    @staticmethod
    def _run_program(wine, exe, setup, outcome):
        """Runs the program to its end, with its processor time: a program
        that polls instead of waiting shows up there, not in the result."""
        start = time.monotonic()
        process = wine.start([exe, setup.args])
        while True:
            pid, status, usage = os.wait4(process.pid, os.WNOHANG)
            if pid:
                process.returncode = outcome.exit_code = os.waitstatus_to_exitcode(status)
                outcome.cpu_seconds = usage.ru_utime + usage.ru_stime
                break
            if time.monotonic() - start > setup.time_limit:
                process.kill()
                process.wait()
                break
            time.sleep(0.01)
        outcome.seconds = time.monotonic() - start


def ended(process, seconds):
    """The exit code of a program of the run once it has ended, None when
    it did not end within the seconds left (it is ended then)."""
    try:
        return process.wait(timeout=max(1.0, seconds))
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        return None


class UserFailed(Exception):
    pass


class Driver:
    """One ui_driver.exe run per action, in the program's wine prefix.
    Controls and menu commands go by their names in src/res/resource.h."""

    def __init__(self, wine, exe, log_path, target=None, options=()):
        self.wine, self.exe, self.log_path = wine, exe, log_path
        self.target, self.target_options = target, options

    def open_target(self):
        """The user opens the typing target, which takes the front."""
        self.target.start(self.target_options)

    def shell_window(self, outcome, program, window_class):
        """A window of the shell, played by the typing target: a copy of it
        named as the shell's program, in a folder of its own under the
        case's, with a window of the shell's class. start() puts it in
        front; stop() closes it."""
        folder = os.path.join(outcome.directory, "shell", "%s %s" % (program, window_class.replace("#", "")))
        os.makedirs(folder)
        return TypingTarget(self.wine, os.path.join(os.path.dirname(self.exe), "typing_target.exe"), folder,
                            program, window_class)

    def start_again(self, outcome, *args, seconds=30):
        """The user starts Orvanta once more while it runs (from the Start
        menu, or with a command line): the same program in the same
        prefix. Its exit code once it has ended, None if it did not end
        within the seconds."""
        program = self.wine.start([os.path.join(outcome.directory, "app", "Orvanta.exe"), *args])
        return ended(program, seconds)

    def move_adapters(self, outcome, gone=(), new=None):
        """The user pulls adapters out and puts them into other sockets."""
        move_adapters(self.wine, outcome.directory, gone, new)

    def spreadsheet(self, outcome, name):
        """The user opens a journal file in a spreadsheet (open(), and
        close() to close it)."""
        return Spreadsheet(self.wine, self.exe, outcome.directory, name)

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
    """A run with the settings dialog: a user, played by the UI driver
    (driver.log beside the bench's own logs), acts while the program runs."""

    def __init__(self, orvanta_exe, target_exe, driver_exe, work_root, template=None):
        super().__init__(orvanta_exe, target_exe, work_root, template)
        self.driver_exe = os.path.abspath(driver_exe)
        self.journal_bench_exe = os.path.join(os.path.dirname(self.driver_exe), "journal_bench.exe")

    def _run_program(self, wine, exe, setup, outcome):
        """Starts the program (with no argument at all when there is no
        command line: an empty one would count as given), lets the user act,
        then waits for the program to end."""
        start = time.monotonic()
        process = wine.start([exe, setup.args] if setup.args else [exe])
        outcome.seen, outcome.user_problem = {}, None
        driver = Driver(wine, self.driver_exe, os.path.join(outcome.directory, "driver.log"), self.target,
                        setup.target_options)
        try:
            setup.user(driver, outcome)
        except (UserFailed, subprocess.TimeoutExpired) as problem:
            outcome.user_problem = str(problem)
        try:
            process.wait(timeout=max(1.0, setup.time_limit - (time.monotonic() - start)))
            outcome.exit_code = process.returncode
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
        outcome.seconds = time.monotonic() - start


# What a user waits for, read while the program runs.

def typed_so_far(outcome):
    try:
        with open(os.path.join(outcome.directory, "typed.txt"), "rb") as f:
            return f.read()
    except FileNotFoundError:
        return b""


def sim_events_so_far(outcome):
    return read_log(os.path.join(outcome.directory, "sim.log"))


def delivered_so_far(outcome):
    return max((e.get("delivered", 0) for e in sim_events_so_far(outcome)), default=0)


def wait_until_typed(outcome, expected, seconds=30):
    if not wait_for(lambda: typed_so_far(outcome) == expected, seconds):
        raise UserFailed("typed %r, waited for %r" % (typed_so_far(outcome), expected))


def reads_so_far(outcome):
    return sum(1 for e in sim_events_so_far(outcome) if e["ev"] == "rx_line" and e["text"] == "READ")


def wait_until_delivered(outcome, count, seconds=30):
    if not wait_for(lambda: delivered_so_far(outcome) >= count, seconds):
        raise UserFailed("the collector counted %d records delivered, waited for %d"
                         % (delivered_so_far(outcome), count))


def wait_until_polled(outcome, reads, seconds=30):
    if not wait_for(lambda: reads_so_far(outcome) >= reads, seconds):
        raise UserFailed("the collector received %d READs, waited for %d" % (reads_so_far(outcome), reads))


def wait_until_port_lost(outcome, seconds=60):
    if not wait_for(lambda: any(e["ev"] == "port_lost" for e in sim_events_so_far(outcome)), seconds):
        raise UserFailed("the collector's port did not go away")
