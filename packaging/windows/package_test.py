#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
"""Makes the Windows zip from a built tree into a scratch folder and checks
it: its name from the project version; that it holds exactly the programs,
LICENSE.txt and README.txt; that the programs are the build's own, stripped
(their debug information apart, in debug/); their version resources, read
back with windres; the texts' CR LF line ends; and that kelto-tape.exe from
the zip computes under Wine."""

import argparse
import pathlib
import re
import subprocess
import sys
import tempfile
import zipfile

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def main():
    parser = argparse.ArgumentParser()
    for option in ("--build", "--version", "--cpack", "--objdump", "--windres", "--wine-run"):
        parser.add_argument(option, required=True)
    parser.add_argument("--programs", nargs="+", required=True)
    args = parser.parse_args()
    build = pathlib.Path(args.build)
    licence = pathlib.Path(__file__).resolve().parents[2] / "LICENSE"

    with tempfile.TemporaryDirectory(prefix="numira-zip.") as scratch_name:
        scratch = pathlib.Path(scratch_name)
        result = subprocess.run([args.cpack, "--config", build / "CPackConfig.cmake", "-B", scratch / "out"],
                                capture_output=True, text=True)
        if result.returncode != 0:
            print(result.stdout, result.stderr, file=sys.stderr)
            return "cpack -G ZIP failed"
        zip_path = scratch / "out" / f"numira-{args.version}-windows-x64.zip"
        if not zip_path.is_file():
            return f"no {zip_path.name}; cpack made {sorted(p.name for p in (scratch / 'out').iterdir())}"

        programs = [f"{name}.exe" for name in args.programs]
        with zipfile.ZipFile(zip_path) as archive:
            names = sorted(archive.namelist())
            print(f"{zip_path.name}:")
            for info in archive.infolist():
                print(f"  {info.file_size:>9}  {info.filename}")
            check(names == sorted(programs + ["LICENSE.txt", "README.txt"]), f"the zip holds {names}")
            archive.extractall(scratch / "unzipped")
        unzipped = scratch / "unzipped"

        numbers = (args.version.split(".") + ["0"] * 4)[:4]
        for program in programs:
            shipped = unzipped / program
            if not check(shipped.is_file(), f"{program} missing"):
                continue
            check(shipped.read_bytes() == (build / program).read_bytes(), f"{program} is not the build's")
            sections = run(args.objdump, "-h", str(shipped))
            check(".debug_" not in sections, f"{program} keeps debug sections")
            check(".gnu_debuglink" in sections, f"{program} has no debug link")
            debug = build / "debug" / f"{program}.debug"
            check(debug.is_file() and ".debug_info" in run(args.objdump, "-h", str(debug)),
                  f"no debug information in {debug}")

            resources = run(args.windres, "-i", str(shipped), "-O", "rc")
            block = resources[resources.find("VERSIONINFO"):]
            if not check("VERSIONINFO" in resources, f"{program} has no version resource"):
                continue
            check(re.search(r"FILEVERSION " + r", ".join(numbers) + r"\b", block),
                  f"{program}: FILEVERSION is not {numbers}")
            expected = {"ProductName": "Numira", "ProductVersion": args.version, "FileVersion": args.version,
                        "OriginalFilename": program, "CompanyName": "Numira developers"}
            values = dict(re.findall(r'VALUE "(\w+)", L?"([^"]*)"', block))
            for key, value in expected.items():
                check(values.get(key) == value, f"{program}: {key} is {values.get(key)!r}, not {value!r}")
            # windres writes text beyond ASCII as \x escapes: 電卓 is \x96fb\x5353.
            check(values.get("FileDescription", "").startswith("Numira \\x96fb\\x5353"),
                  f"{program}: FileDescription is {values.get('FileDescription')!r}")
            copyright_text = values.get("LegalCopyright", "")
            check("Numira developers" in copyright_text and "MIT License" in copyright_text,
                  f"{program}: LegalCopyright is {copyright_text!r}")

        readme = (unzipped / "README.txt").read_bytes()
        check(readme.startswith(b"\xef\xbb\xbf"), "README.txt has no UTF-8 byte order mark")
        readme_text = readme[3:].decode("utf-8", errors="replace")
        check(readme.count(b"\n") == readme.count(b"\r\n") > 10, "README.txt does not end every line with CR LF")
        for needle in (f"Numira {args.version} ", "[日本語]", "[English]", "kelto.exe", "kelto-tape.exe"):
            check(needle in readme_text, f"README.txt lacks {needle!r}")
        check((unzipped / "LICENSE.txt").read_bytes() == licence.read_bytes().replace(b"\n", b"\r\n"),
              "LICENSE.txt is not LICENSE with CR LF line ends")

        if "kelto-tape" in args.programs:
            output = run(args.wine_run, str(unzipped / "kelto-tape.exe"), "--separators", ".,", "12+3=")
            check(output.splitlines()[-1:] == ["title\t15.00000"], f"kelto-tape.exe from the zip printed {output!r}")

    for failure in failures:
        print(f"FAIL: {failure}", file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
