#!/usr/bin/env python3
"""
Checks the release zip of a Windows build: it holds exactly what a user
gets (the program, the README, the user guide and its pictures), the
program is this build's, the pictures are the ones its test run took, and
every picture the guide shows is there.

    tools/check_package.py BUILD_DIRECTORY
"""
import re
import sys
import zipfile
from pathlib import Path

SOURCE = Path(__file__).resolve().parent.parent
VERSION = "1.20"


def expected_files(build):
    shots = build / "screenshots"
    return {
        "Orvanta.exe": build / "Orvanta.exe",
        "README.md": SOURCE / "README.md",
        "docs/user-guide.md": SOURCE / "docs" / "user-guide.md",
        "docs/images/settings_dialog.png": shots / "settings_dialog.png",
        "docs/images/code_picker_open.png": shots / "code_picker_open.png",
        "docs/images/settings_dialog_port.png": shots / "settings_dialog_port.png",
    }


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
    expected = expected_files(build)
    for entry in sorted(set(contents) - set(expected)):
        problems.append("unexpected %s" % entry)
    for entry, original in expected.items():
        if entry not in contents:
            problems.append("missing %s" % entry)
        elif contents[entry] != original.read_bytes():
            problems.append("%s differs from %s" % (entry, original))
    guide = contents.get("docs/user-guide.md", b"").decode("utf-8")
    for picture in re.findall(r"!\[[^\]]*\]\(([^)]+)\)", guide):
        if "docs/" + picture not in contents:
            problems.append("the guide shows %s, which is not in the zip" % picture)
    return problems


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    problems = problems_of(Path(sys.argv[1]).resolve())
    for problem in problems:
        print("package:", problem)
    print("package: %s" % ("FAILED" if problems else "ok"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
