"""
The end-to-end bench: runs the Windows program under wine against the
collector simulator on a pseudo-terminal and types into the typing target,
then hands back everything a check needs (exit code, typed bytes, the
simulator's log, the settings file). Used by e2e_run.py for the test cases
and by scripts/demo.

Each run gets a wine prefix of its own, cloned from a template prefix that
is made once (wineboot takes about ten seconds; a clone a fraction of one),
so runs never share registry state or a wineserver.
"""
import fcntl
import json
import os
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass, field

REPO = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
SIMULATOR = os.path.join(REPO, "tools", "collector_sim.py")

WINE_ENV = {"WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml="}
# Files that wine never writes after wineboot: hard links to the template
# are safe for these and save copying about 700 MB per run.
LINKABLE = {".dll", ".exe", ".nls", ".sys", ".drv", ".ocx", ".cpl", ".acm", ".tlb", ".ds",
            ".msstyles", ".com", ".icm"}


def windows_path(path):
    """The path as wine's Z: drive shows it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wait_for(condition, seconds, step=0.05):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(step)
    return condition()


def start_xvfb(size, xkbdir=None):
    """An Xvfb on a free display number: (process, display name). With
    xkbdir it takes its keymap from there (it ignores setxkbmap)."""
    read_end, write_end = os.pipe()
    extra = ["-xkbdir", xkbdir] if xkbdir else []
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", size, "-nolisten", "tcp",
                               *extra], pass_fds=(write_end,),
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    if not number:
        server.kill()
        raise RuntimeError("Xvfb did not start")
    return server, ":" + number


def keymap_directory(root, keymap):
    """A copy of the X keyboard database whose "us" symbols are the given
    keymap's, so that an Xvfb started on it types that layout."""
    directory = os.path.join(root, "xkb-" + keymap)
    if not os.path.exists(os.path.join(directory, ".complete")):
        shutil.rmtree(directory, ignore_errors=True)
        shutil.copytree("/usr/share/X11/xkb", directory)
        shutil.copyfile(os.path.join(directory, "symbols", keymap), os.path.join(directory, "symbols", "us"))
        open(os.path.join(directory, ".complete"), "w").close()
    return directory


class Display:
    """The X display to run on: the caller's, or an Xvfb of our own when
    there is none (a developer running ctest without xvfb-run)."""

    def __init__(self, size="1024x768x24"):
        self.size = size
        self.server = None

    def __enter__(self):
        if os.environ.get("DISPLAY"):
            return self
        self.server, os.environ["DISPLAY"] = start_xvfb(self.size)
        return self

    def __exit__(self, *exc):
        if self.server:
            del os.environ["DISPLAY"]
            self.server.terminate()
            self.server.wait()


class PrefixFactory:
    """Makes the template prefix once (guarded by a lock, so parallel runs
    wait for the first) and clones it for each run."""

    def __init__(self, template):
        self.template = os.path.abspath(template)    # wine takes absolute prefixes only
        self.marker = os.path.join(self.template, ".orvanta-template")

    def exists(self):
        return os.path.exists(self.marker)

    def ensure(self):
        os.makedirs(os.path.dirname(self.template), exist_ok=True)
        version = subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()
        with open(self.template + ".lock", "w") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            if self.exists() and open(self.marker).read() == version:
                return
            shutil.rmtree(self.template, ignore_errors=True)
            env = dict(os.environ, WINEPREFIX=self.template, **WINE_ENV)
            subprocess.run(["wineboot", "--init"], env=env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
            subprocess.run(["wineserver", "-w"], env=env, check=True)
            with open(self.marker, "w") as f:
                f.write(version)

    def clone(self, prefix):
        self.ensure()
        shutil.rmtree(prefix, ignore_errors=True)
        shutil.copytree(self.template, prefix, symlinks=True, copy_function=self._link_or_copy)

    @staticmethod
    def _link_or_copy(source, target):
        if os.path.splitext(source)[1].lower() in LINKABLE:
            os.link(source, target)
        else:
            shutil.copy2(source, target)


class Wine:
    """Commands in one prefix; wine's own chatter goes to a log file."""

    def __init__(self, prefix, log_path, display=None):
        self.env = dict(os.environ, WINEPREFIX=prefix, **WINE_ENV)
        if display:
            self.env["DISPLAY"] = display
        self.log = open(log_path, "ab")

    def run(self, args, timeout=60):
        return subprocess.run(["wine", *args], env=self.env, stdin=subprocess.DEVNULL, stdout=self.log,
                              stderr=self.log, timeout=timeout).returncode

    def start(self, args):
        return subprocess.Popen(["wine", *args], env=self.env, stdin=subprocess.DEVNULL, stdout=self.log,
                                stderr=self.log)

    def kill_server(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stdin=subprocess.DEVNULL, stdout=self.log,
                       stderr=self.log)

    def close(self):
        self.log.close()

    def map_ports(self, ports):
        """ports: COM number -> unix path. The prefix resolves COM ports when
        its server starts, so the server is ended after the change."""
        for number, path in sorted(ports.items()):
            self.run(["reg", "add", r"HKLM\Software\Wine\Ports", "/v", "COM%d" % number, "/d", path, "/f"])
        self.kill_server()


class TypingTarget:
    def __init__(self, wine, exe, directory):
        self.wine, self.exe = wine, exe
        self.typed = os.path.join(directory, "typed.txt")
        self.events = os.path.join(directory, "target-events.txt")
        self.ready = os.path.join(directory, "target-ready")
        self.stop_file = os.path.join(directory, "target-stop")
        self.process = None

    def start(self, seconds=60):
        for path in (self.typed, self.events, self.ready, self.stop_file):
            if os.path.exists(path):
                os.unlink(path)
        self.process = self.wine.start([self.exe, windows_path(self.typed),
                                        "--events", windows_path(self.events),
                                        "--ready", windows_path(self.ready),
                                        "--stop", windows_path(self.stop_file)])
        if not wait_for(lambda: os.path.exists(self.ready) or self.process.poll() is not None, seconds):
            raise RuntimeError("the typing target did not take the foreground")
        if self.process.poll() is not None:
            raise RuntimeError("the typing target ended at start (code %d)" % self.process.returncode)

    def read_typed(self):
        with open(self.typed, "rb") as f:
            return f.read()

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


class Simulator:
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
        try:
            with open(self.log_path, encoding="utf-8") as f:
                return [json.loads(line) for line in f if line.endswith("\n")]
        except FileNotFoundError:
            return []

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


@dataclass
class Setup:
    """What one run needs. ports maps COM numbers to "sim" (the simulator's
    link) or "absent" (a directory, so opening the port fails whatever
    serial devices the machine has: wine falls back to /dev/ttyS<n-1> for a
    port without a mapping or whose mapped path is missing). keymap names
    an X keymap (de, fr, ...) for a display of the run's own; without a
    target no window is open while the program runs."""
    args: str
    ports: dict = field(default_factory=lambda: {1: "sim"})
    sim_options: list = field(default_factory=list)
    time_limit: float = 60.0
    keymap: str = None
    target: bool = True


@dataclass
class Outcome:
    exit_code: int = None       # None: the program did not end within the time limit
    seconds: float = 0.0
    cpu_seconds: float = None
    typed: bytes = b""
    target_events: list = field(default_factory=list)
    focus_lost: bool = False    # another window took the focus while the program ran
    sim_events: list = field(default_factory=list)
    settings_file: bytes = None
    directory: str = ""

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

    def cradle_events(self):
        return [e for e in self.sim_events if e["ev"].startswith("cradle")]


def report(name, outcome, problems, extra=""):
    """Prints what a case saw and what was wrong; returns True if nothing."""
    cpu = "" if outcome.cpu_seconds is None else " (processor %.2f s)" % outcome.cpu_seconds
    print("%s: exit code %s after %.2f s%s; typed %r%s"
          % (name, outcome.exit_code, outcome.seconds, cpu, outcome.typed, extra))
    if outcome.sim_events:
        print("  collector received: %s" % " ".join(outcome.lines_received()))
        print("  collector summary: %s" % {k: v for k, v in outcome.summary.items() if k not in ("t", "ev")})
    for problem in problems:
        print("  FAILED: " + problem)
    if problems:
        print("  details in " + outcome.directory)
    return not problems


class Bench:
    def __init__(self, orvanta_exe, target_exe, work_root, template=None):
        self.orvanta_exe = os.path.abspath(orvanta_exe)
        self.target_exe = os.path.abspath(target_exe)
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
        self.prefixes.clone(os.path.join(directory, "prefix"))
        server, display = (start_xvfb("1024x768x24", keymap_directory(self.work_root, setup.keymap))
                           if setup.keymap else (None, None))
        wine = Wine(os.path.join(directory, "prefix"), os.path.join(directory, "wine.log"), display)
        ports, sim_link = self._port_paths(directory, setup.ports)
        wine.map_ports(ports)

        outcome = Outcome(directory=directory)
        target = TypingTarget(wine, self.target_exe, directory) if setup.target else None
        sim = Simulator(sim_link, os.path.join(directory, "sim.log")) if sim_link else None
        try:
            if target:
                target.start()
            if sim:
                sim.start(setup.sim_options, lifetime=setup.time_limit + 120)
            self._run_program(wine, exe, setup, outcome)
            if target:
                target.wait_until_quiet()
                outcome.typed = target.read_typed()
                outcome.target_events = target.read_events()
                outcome.focus_lost = "killfocus" in outcome.target_events
            if before_stop:
                before_stop(outcome, directory)
        finally:
            if target:
                target.stop()
            if sim:
                sim.stop()
            wine.kill_server()
            wine.close()
            if server:
                server.terminate()
                server.wait()
        if sim:
            outcome.sim_events = sim.events()
        settings = os.path.join(app, "Orvanta.ini")
        if os.path.exists(settings):
            with open(settings, "rb") as f:
                outcome.settings_file = f.read()
        return outcome

    @staticmethod
    def _port_paths(directory, ports):
        paths, sim_link = {}, None
        for number, kind in ports.items():
            path = os.path.join(directory, "com%d" % number)
            if kind == "sim":
                sim_link = path
            else:
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
