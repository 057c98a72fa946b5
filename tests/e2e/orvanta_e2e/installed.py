"""
The cases of a program installed by an administrator: its folder is
read-only for the user, so the settings live per user, starting from a
file the administrator may have put beside the program; and the settings
dialog names the COM ports the PC has. A user played by ui_driver.exe
acts, as in the interactive cases, over one or more starts of the program.

Root may write into any folder, so when the bench runs as root the
programs it starts lose that right (the capability bounding set of this
process drops it for every program it starts from then on), and the
folder's mode is what counts, as it does for a user on Windows.

The runner (__main__) applies ALWAYS and a case's own checks to its run.
"""
import ctypes
import glob
import os
from dataclasses import dataclass, field, replace

from .checks import exit_code, seen, settings_file, user_done
from .harness import InteractiveBench, InteractiveSetup
from .interactive import DIALOG

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
    program's folder, with admin_file (bytes) beside the program if given."""
    users: list = field(default_factory=list)
    read_only: bool = False
    admin_file: bytes = None


class InstalledBench(InteractiveBench):
    def run(self, name, setup, before_stop=None):
        # Before wine's server starts: it is the one that opens files.
        if setup.read_only:
            drop_root_file_rights()
        return super().run(name, setup, before_stop)

    def _run_program(self, wine, exe, setup, outcome):
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
