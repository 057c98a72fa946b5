"""
The cases of a program installed by an administrator: the installer
package, installed, run and removed again with wine's msiexec; a folder
that is read-only for the user, so the settings live per user, starting
from a file the administrator may have put beside the program; and the
settings dialog naming the COM ports the PC has. A user played by
ui_driver.exe acts, as in the interactive cases, over one or more starts
of the program.

Root may write into any folder, so when the bench runs as root the
programs it starts lose that right (the capability bounding set of this
process drops it for every program it starts from then on), and the
folder's mode is what counts, as it does for a user on Windows.

The runner (__main__) applies ALWAYS and a case's own checks to its run.
"""
import ctypes
import glob
import os
import subprocess
import sys
from dataclasses import dataclass, field, replace
from pathlib import Path

from .checks import delivered, exit_code, seen, settings_file, typed, user_done
from .environment import windows_path
from .harness import Bench, InteractiveBench, InteractiveSetup, record_options
from .interactive import DIALOG
from .unattended import UNATTENDED, typed_records

SOURCE = Path(__file__).resolve().parents[3]
MAKE_MSI = SOURCE / "tools" / "make_msi.py"

PR_CAPBSET_DROP = 24
CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH = 1, 2


def drop_root_file_rights():
    if os.geteuid() != 0:
        return
    libc = ctypes.CDLL(None, use_errno=True)
    for capability in (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH):
        if libc.prctl(PR_CAPBSET_DROP, capability, 0, 0, 0) != 0:
            raise OSError(ctypes.get_errno(), "cannot give up root's right to write anywhere")


@dataclass
class InstalledSetup(InteractiveSetup):
    """users: one user per start of the program, in order. read_only: the
    program's folder, with admin_file (bytes) beside the program if given.
    msi_properties: the program comes from the installer package, installed
    with these properties, run once unattended with args, and removed."""
    users: list = field(default_factory=list)
    read_only: bool = False
    admin_file: bytes = None
    msi_properties: list = None


# Under drive C: what the package installs, and its shortcut. Windows puts
# a per-machine package's shortcut into the common Start menu; wine 8 puts
# it into the installing user's.
INSTALLED = ["Program Files/Orvanta/Orvanta.exe", "Program Files/Orvanta/orvanta.admx",
             "Program Files/Orvanta/en-US/orvanta.adml", "Program Files/Orvanta/docs/user-guide.md",
             "Program Files/Orvanta/docs/images/settings_dialog.png",
             "Program Files/Orvanta/docs/images/settings_dialog_port.png",
             "Program Files/Orvanta/docs/images/code_picker_open.png"]
SHORTCUTS = ["ProgramData/Microsoft/Windows/Start Menu/Programs/Orvanta.lnk",
             "users/*/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Orvanta.lnk"]


def found_under(drive, paths):
    return [os.path.relpath(f, drive) for p in paths for f in sorted(glob.glob(os.path.join(drive, p)))]


RUN_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Run"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
EVENT_SOURCE_KEY = r"HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Orvanta"
REGISTRY_KEYS = (RUN_KEY, UNINSTALL_KEY, EVENT_SOURCE_KEY)


def registry_text(wine, key):
    result = subprocess.run(["wine", "reg", "query", key, "/s"], env=wine.env, stdin=subprocess.DEVNULL,
                            capture_output=True, text=True, timeout=60)
    return result.stdout


class InstalledBench(InteractiveBench):
    def run(self, name, setup, before_stop=None):
        # Before wine's server starts: it is the one that opens files.
        if setup.read_only:
            drop_root_file_rights()
        return super().run(name, setup, before_stop)

    def _run_program(self, wine, exe, setup, outcome):
        if setup.msi_properties is not None:
            return self._install_run_remove(wine, exe, setup, outcome)
        return self._run_starts(wine, exe, setup, outcome)

    @staticmethod
    def _install_run_remove(wine, exe, setup, outcome):
        """A user of Program Files cannot write there: the program runs with
        the folder read-only, as for a user on Windows."""
        msi = os.path.join(outcome.directory, "Orvanta.msi")
        subprocess.run([sys.executable, "-B", str(MAKE_MSI), "--exe", exe, "--docs", str(SOURCE / "docs"),
                        "--version", "1.20", "--output", msi], check=True)
        drive = os.path.join(outcome.directory, "prefix", "drive_c")
        outcome.install_code = wine.run(["msiexec", "/i", windows_path(msi), "/qn", *setup.msi_properties],
                                        timeout=180)
        outcome.installed = found_under(drive, INSTALLED)
        outcome.shortcuts = found_under(drive, SHORTCUTS)
        outcome.registry_installed = "".join(registry_text(wine, key) for key in REGISTRY_KEYS)
        folder = os.path.join(drive, "Program Files", "Orvanta")
        os.chmod(folder, 0o555)
        try:
            Bench._run_program(wine, os.path.join(folder, "Orvanta.exe"), setup, outcome)
        finally:
            os.chmod(folder, 0o755)
        outcome.uninstall_code = wine.run(["msiexec", "/x", windows_path(msi), "/qn"], timeout=180)
        outcome.left_behind = [os.path.relpath(os.path.join(top, f), drive)
                               for top, _, files in os.walk(folder) for f in files] + found_under(drive, SHORTCUTS)
        outcome.registry_removed = "".join(registry_text(wine, key) for key in REGISTRY_KEYS)

    def _run_starts(self, wine, exe, setup, outcome):
        folder = os.path.dirname(exe)
        if setup.admin_file is not None:
            with open(os.path.join(folder, "Orvanta.ini"), "wb") as f:
                f.write(setup.admin_file)
        if setup.read_only:
            os.chmod(folder, 0o555)
        seen_by_all = {}
        try:
            for user in setup.users:
                super()._run_program(wine, exe, replace(setup, user=user), outcome)
                seen_by_all.update(outcome.seen)
                if outcome.user_problem or outcome.exit_code is None:
                    break
        finally:
            os.chmod(folder, 0o755)
        outcome.seen = seen_by_all
        found = glob.glob(os.path.join(outcome.directory, "prefix", "drive_c", "users", "*", "AppData", "Local",
                                       "Orvanta", "Orvanta.ini"))
        outcome.per_user_file = open(found[0], "rb").read() if found else None


def installed_and_removed(o):
    if (o.install_code, o.uninstall_code) != (0, 0):
        return "msiexec /i gave %r, /x gave %r" % (o.install_code, o.uninstall_code)
    if o.installed != INSTALLED:
        return "installed %r, expected %r" % (o.installed, INSTALLED)
    if len(o.shortcuts) != 1:
        return "Start menu shortcuts %r, expected one" % o.shortcuts
    return "left behind: %r" % o.left_behind if o.left_behind else None


def registry_entries(o):
    """The logon start with the administrator's command line, the
    uninstall entry and the event log's source, all gone after the removal."""
    logon = r'"C:\Program Files\Orvanta\Orvanta.exe" 1,5,1,1,1,10,2'
    event_source = r"EventMessageFile    REG_EXPAND_SZ    C:\Program Files\Orvanta\Orvanta.exe"
    for text, present in ((o.registry_installed, True), (o.registry_removed, False)):
        for entry in (logon, "DisplayName    REG_SZ    Orvanta", event_source):
            if (entry in text) != present:
                return "%r %s the registry %s" % (entry, "not in" if present else "still in",
                                                   "after the install" if present else "after the removal")
    return None


def per_user_settings_start(expected):
    return lambda o: None if (o.per_user_file or b"").startswith(expected) else \
        "per-user settings file %r, expected it to start with %r" % (o.per_user_file, expected)


# The users.

def changes_the_port(driver, outcome):
    driver("wait", DIALOG, "visible")
    outcome.seen["port at the first start"] = driver("gettext", DIALOG, "IDC_COM_PORT")
    driver("settext", DIALOG, "IDC_COM_PORT", "7")
    driver("command", DIALOG, "IDC_START")
    driver("messagebox")
    driver("tray", "IDM_TRAY_EXIT")


def looks_at_the_port(driver, outcome):
    driver("wait", DIALOG, "visible")
    outcome.seen["port at the next start"] = driver("gettext", DIALOG, "IDC_COM_PORT")
    driver("tray", "IDM_TRAY_EXIT")


def reads_the_port_names(driver, outcome):
    driver("wait", DIALOG, "visible")
    for number in ("4", "9"):
        driver("settext", DIALOG, "IDC_COM_PORT", number)
        outcome.seen["COM" + number] = driver("gettext", DIALOG, "IDC_COM_PORT_NAME")
    driver("tray", "IDM_TRAY_EXIT")


# What the administrator put beside the program: RS-232 on COM5.
ADMIN_FILE = b"0\r\n5\r\n0\r\n1\r\n0\r\n2\r\n2\r\n" + (b"0" + bytes(10) + b"\r\n") * 2

# The typing target runs in every case: the first program of a run starts
# wine's server, which keeps that program's output open, and the driver
# would wait for its output for ever.
CASES = {
    # Silent install with a logon start, an unattended transfer of the
    # installed program, silent removal.
    "installed_by_msi_runs_and_uninstalls": (
        InstalledSetup(UNATTENDED, sim_options=record_options("4006381333931", "LOT-24B117"), read_only=True,
                       msi_properties=["KEEPONLINE=1,5,1,1,1,10,2"]),
        [installed_and_removed, registry_entries, typed(typed_records("4006381333931", "LOT-24B117")),
         delivered(2)]),
    # Start saves the user's COM7 per user, and the next start shows it;
    # the administrator's file stays as it was.
    "installed_read_only_folder_keeps_settings_per_user": (
        InstalledSetup("", ports={5: "absent", 7: "absent"}, read_only=True,
                       admin_file=ADMIN_FILE, users=[changes_the_port, looks_at_the_port]),
        [seen("port at the first start", "5"), seen("port at the next start", "7"),
         per_user_settings_start(b"0\r\n7\r\n"), settings_file(ADMIN_FILE)]),
    # wine lists the ports it maps under SERIALCOMM, as Windows does.
    "installed_dialog_names_the_ports": (
        InstalledSetup("", ports={4: "sim"}, users=[reads_the_port_names]),
        [seen("COM4", "Serial3 (COM4)"), seen("COM9", "COM9: not present on this PC")]),
}

ALWAYS = [user_done, exit_code(1)]
