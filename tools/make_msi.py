#!/usr/bin/env python3
"""
Builds the installer package from packaging/orvanta.wxs with wixl, then
gives the logon-start component its condition with msibuild, since wixl's
WiX reader takes no conditions: installed when the administrator gives
KEEPONLINE, and taken away again by the removal. It also marks the event
log source's message file as an expandable string ("#%"), which wixl
writes as a plain one. Both tools come with Debian's wixl and msitools
packages.

    tools/make_msi.py --exe Orvanta.exe --docs DOCS_FOLDER --version 1.20 --output Orvanta.msi
"""
import argparse
import subprocess
import sys
from pathlib import Path

SOURCE = Path(__file__).resolve().parent.parent
WXS = SOURCE / "packaging" / "orvanta.wxs"


def make_msi(exe, docs, version, output):
    """exe, docs and output are absolute paths."""
    # wixl takes sources relative to the folder it runs in only. Windows
    # Installer compares three version fields: 1.20 is 1.20.0.
    subprocess.run(["wixl", "-a", "x64", "-D", "Version=%s.0" % version,
                    "-D", "ProgramFile=%s" % exe.relative_to("/"), "-D", "DocsFolder=%s" % docs.relative_to("/"),
                    "-D", "PackagingFolder=%s" % WXS.parent.relative_to("/"),
                    "-o", str(output), str(WXS)], check=True, cwd="/")
    subprocess.run(["msibuild", str(output), "-q",
                    "UPDATE `Component` SET `Condition` = 'KEEPONLINE OR REMOVE~=\"ALL\"' WHERE `Component` = 'LogonStart'"],
                   check=True)
    subprocess.run(["msibuild", str(output), "-q",
                    "UPDATE `Registry` SET `Value` = '#%[INSTALLDIR]Orvanta.exe' WHERE `Name` = 'EventMessageFile'"],
                   check=True)


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0].strip())
    p.add_argument("--exe", required=True)
    p.add_argument("--docs", required=True)
    p.add_argument("--version", required=True)
    p.add_argument("--output", required=True)
    opts = p.parse_args()
    make_msi(Path(opts.exe).resolve(), Path(opts.docs).resolve(), opts.version, Path(opts.output).resolve())
    return 0


if __name__ == "__main__":
    sys.exit(main())
