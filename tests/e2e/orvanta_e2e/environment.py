"""
Where a run happens: the X display (the caller's, or an Xvfb of our own,
with a chosen keymap if need be) and the wine prefix.

Each run gets a wine prefix of its own, cloned from a template prefix that
is made once (wineboot takes about ten seconds; a clone a fraction of one),
so runs never share registry state or a wineserver.
"""
import fcntl
import os
import shutil
import subprocess
import time

# ORVANTA_WINEDEBUG, for a run by hand, gives wine channels to log (+debugstr).
WINE_ENV = {"WINEDEBUG": os.environ.get("ORVANTA_WINEDEBUG", "-all"), "WINEDLLOVERRIDES": "mscoree,mshtml="}
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


def locale_available(name):
    """Whether `locale -a` lists the locale ("ja_JP.UTF-8" shows there as
    ja_JP.utf8)."""
    def canonical(locale):
        return locale.lower().replace("-", "")
    listed = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.split()
    return canonical(name) in map(canonical, listed)


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

    def __init__(self, prefix, log_path, display=None, locale=None):
        self.env = dict(os.environ, WINEPREFIX=prefix, **WINE_ENV)
        if display:
            self.env["DISPLAY"] = display
        if locale:
            # wine takes its ANSI code page from the locale.
            self.env.update(LANG=locale, LC_ALL=locale)
        self.log = open(log_path, "ab")

    def run(self, args, timeout=60):
        return subprocess.run(["wine", *args], env=self.env, stdin=subprocess.DEVNULL, stdout=self.log,
                              stderr=self.log, timeout=timeout).returncode

    def start(self, args):
        return subprocess.Popen(["wine", *args], env=self.env, stdin=subprocess.DEVNULL, stdout=self.log,
                                stderr=self.log)

    def kill_server(self):
        """Ends the prefix's server and waits until it is gone: a program
        started while it is still going down would still be served by it,
        with the ports it resolved when it started."""
        for option in ("-k", "-w"):
            subprocess.run(["wineserver", option], env=self.env, stdin=subprocess.DEVNULL, stdout=self.log,
                           stderr=self.log)

    def close(self):
        self.log.close()

    def map_ports(self, ports):
        """ports: COM number -> unix path. The prefix resolves COM ports when
        its server starts, so the server is ended after the change."""
        for number, path in sorted(ports.items()):
            self.run(["reg", "add", r"HKLM\Software\Wine\Ports", "/v", "COM%d" % number, "/d", path, "/f"])
        self.kill_server()
