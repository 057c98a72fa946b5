#!/usr/bin/env python3
"""
Checks the release zip of a Windows build: it holds exactly what a user
gets (the program, the README, the Group Policy templates, the user guide
and its pictures), the
program is this build's, the pictures are the ones its test run took, and
every picture the guide shows is there. Then the installer package beside
it, with msitools: the same program, templates and guide, the upgrade code that never
changes, a Start menu shortcut, and the logon start only with KEEPONLINE.

    tools/check_package.py BUILD_DIRECTORY
"""
import re
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

SOURCE = Path(__file__).resolve().parent.parent
VERSION = "1.20"


def expected_files(build):
    shots = build / "screenshots"
    return {
        "Orvanta.exe": build / "Orvanta.exe",
        "README.md": SOURCE / "README.md",
        "orvanta.admx": SOURCE / "packaging" / "orvanta.admx",
        "en-US/orvanta.adml": SOURCE / "packaging" / "en-US" / "orvanta.adml",
        "docs/user-guide.md": SOURCE / "docs" / "user-guide.md",
        "docs/images/settings_dialog.png": shots / "settings_dialog.png",
        "docs/images/code_picker_open.png": shots / "code_picker_open.png",
        "docs/images/settings_dialog_port.png": shots / "settings_dialog_port.png",
    }


def content_problems(contents, expected, where):
    """contents: file name -> bytes of a package; expected: name -> original."""
    problems = ["unexpected %s%s" % (where, entry) for entry in sorted(set(contents) - set(expected))]
    for entry, original in expected.items():
        if entry not in contents:
            problems.append("missing %s%s" % (where, entry))
        elif contents[entry] != original.read_bytes():
            problems.append("%s%s differs from %s" % (where, entry, original))
    return problems


def problems_of(build):
    name = "Orvanta-%s-win64" % VERSION
    package = build / (name + ".zip")
    if not package.is_file():
        return ["no %s" % package]
    folder = name + "/"
    with zipfile.ZipFile(package) as archive:
        files = [entry for entry in archive.namelist() if not entry.endswith("/")]
        contents = {entry[len(folder):]: archive.read(entry) for entry in files if entry.startswith(folder)}
    problems = []
    outside = [entry for entry in files if not entry.startswith(folder)]
    if outside:
        problems.append("entries outside the folder %s: %s" % (folder, outside))
    problems += content_problems(contents, expected_files(build), "")
    guide = contents.get("docs/user-guide.md", b"").decode("utf-8")
    for picture in re.findall(r"!\[[^\]]*\]\(([^)]+)\)", guide):
        if "docs/" + picture not in contents:
            problems.append("the guide shows %s, which is not in the zip" % picture)
    return problems


UPGRADE_CODE = "{6F23215D-3BF1-45CE-9E66-F90AD8CCD243}"
# Table, then what one of its rows must hold.
MSI_ROWS = [
    ("Upgrade", UPGRADE_CODE + "\t\t%s.0" % VERSION),
    ("Shortcut", "ProgramMenuFolder\tOrvanta\tStartMenuShortcut\t[INSTALLDIR]Orvanta.exe"),
    ("Component", "INSTALLDIR\t260\tKEEPONLINE OR REMOVE~=\"ALL\""),
    ("Registry",
     "Software\\Microsoft\\Windows\\CurrentVersion\\Run\tOrvanta\t\"[INSTALLDIR]Orvanta.exe\" [KEEPONLINE]"),
    ("Directory", "INSTALLDIR\tProgramFiles64Folder\tOrvanta"),
    ("Property", "ALLUSERS\t1"),
]


def msi_problems_of(build):
    package = build / ("Orvanta-%s-win64.msi" % VERSION)
    if not package.is_file():
        return ["no %s" % package]
    problems = []
    for table, row in MSI_ROWS:
        text = subprocess.run(["msiinfo", "export", str(package), table], capture_output=True, text=True).stdout
        if row not in text:
            problems.append("the package's %s table has no row with %r" % (table, row))
    expected = {name: original for name, original in expected_files(build).items() if name != "README.md"}
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run(["msiextract", "-C", folder, str(package)], capture_output=True, check=True)
        root = Path(folder) / "Orvanta"
        contents = {p.relative_to(root).as_posix(): p.read_bytes() for p in root.rglob("*") if p.is_file()}
    problems += content_problems(contents, expected, "the installer package's ")
    return problems


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    build = Path(sys.argv[1]).resolve()
    problems = problems_of(build) + msi_problems_of(build)
    for problem in problems:
        print("package:", problem)
    print("package: %s" % ("FAILED" if problems else "ok"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
