#!/usr/bin/env python3
"""Runs the real program on one end-to-end case and compares what it did.

A case is a folder:
  Vextral.ini, Kestrune.ini   INI files put beside the program (both optional)
  double.script               the test double's script (optional)
  files/                      further files copied into the run folder (optional)
  nolib                       present: no tuner library beside the program
  args                        command-line arguments, one per line (optional)
  interrupt-after             seconds after which Ctrl+C is sent to the program (optional)
  stdin                       what is typed at the console (optional)
  setup                       folders to create before the run, one per line (optional)
  expected.out                the console output (expected.out.windows where it differs there;
                              no file: the console is not compared)
  expected.rc                 the exit code as the shell sees it (0..255)
  expected.log                the test double's call log (optional)
  expected/                   files the run must leave, by path relative to the run folder
  absent                      paths that must not exist after the run (optional)
  xml                         files that must be well-formed XML (optional)
  verbatim                    expected files compared without line-end conversion: files the
                              program must leave as they are (optional)
  targets                     the targets the case applies to, on its first line (optional;
                              the case is skipped elsewhere, with exit code 77)

Expected texts and the INI files use {SEP} for the path separator, {CUR} for the current-folder prefix,
{DIR} for the program's folder (with its final separator) and {DEG} for the degree sign,
so one case holds for both targets. Times and date stamps are masked.
"""
import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

TIME = re.compile(rb"Scan Time = -?\d+\.\d{3}s")
STAMP = re.compile(rb"\d{1,2}:\d\d - \d\d/\d\d/\d{4}")


def mask(data):
    data = TIME.sub(b"Scan Time = #.###s", data)
    return STAMP.sub(b"H:MM - DD/MM/YYYY", data)


def expand(text, target, folder):
    windows = target == "windows"
    sep = b"\\" if windows else b"/"
    deg = b"\xb0" if windows else "\u00b0".encode()
    if windows:
        shown = b"Z:" + folder.replace("/", "\\").encode() + b"\\"
    else:
        shown = folder.encode() + b"/"
    text = text.replace(b"{DIR}", shown).replace(b"{SEP}", sep)
    return text.replace(b"{CUR}", b"." + sep).replace(b"{DEG}", deg)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def prepare(case, work, exe, lib, target):
    shutil.copy(exe, work)
    if not os.path.exists(os.path.join(case, "nolib")):
        shutil.copy(lib, work)
    if os.path.isdir(os.path.join(case, "files")):
        shutil.copytree(os.path.join(case, "files"), work, dirs_exist_ok=True)
    for name in ("Vextral.ini", "Kestrune.ini", "double.script"):
        if os.path.exists(os.path.join(case, name)):
            with open(os.path.join(work, name), "wb") as f:
                f.write(expand(read(os.path.join(case, name)), target, work))
    if os.path.exists(os.path.join(case, "setup")):
        for line in read(os.path.join(case, "setup")).decode().splitlines():
            if line.strip():
                os.makedirs(os.path.join(work, line.strip()), exist_ok=True)


def run(case, work, exe, launcher):
    args = []
    if os.path.exists(os.path.join(case, "args")):
        args = [a for a in read(os.path.join(case, "args")).decode().splitlines() if a]
    stdin = read(os.path.join(case, "stdin")) if os.path.exists(os.path.join(case, "stdin")) else b""
    command = launcher + [os.path.join(work, os.path.basename(exe))] + args
    interrupt = os.path.join(case, "interrupt-after")
    if not os.path.exists(interrupt):
        done = subprocess.run(command, cwd=work, input=stdin, capture_output=True, timeout=120)
        return done.returncode & 0xFF, done.stdout.replace(b"\r\n", b"\n"), done.stderr
    process = subprocess.Popen(command, cwd=work, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE)
    process.stdin.write(stdin)
    process.stdin.close()
    process.stdin = None
    time.sleep(float(read(interrupt).decode().strip()))
    process.send_signal(signal.SIGINT)
    out, err = process.communicate(timeout=120)
    return process.returncode & 0xFF, out.replace(b"\r\n", b"\n"), err


def compare(label, expected, actual, failures):
    if expected != actual:
        failures.append("%s differs:\n--- expected\n%s\n--- actual\n%s" % (
            label, expected.decode("latin-1"), actual.decode("latin-1")))


def listed(case, name):
    path = os.path.join(case, name)
    if not os.path.exists(path):
        return []
    return [line.strip() for line in read(path).decode().splitlines()
            if line.strip() and not line.startswith("#")]


def check_files(case, work, target, failures, update):
    expected_dir = os.path.join(case, "expected")
    verbatim = listed(case, "verbatim")
    for root, _, files in os.walk(expected_dir):
        for name in files:
            rel = os.path.relpath(os.path.join(root, name), expected_dir)
            actual_path = os.path.join(work, rel)
            if not os.path.exists(actual_path):
                failures.append("missing output file %s" % rel)
                continue
            actual = mask(read(actual_path))
            if update:
                with open(os.path.join(root, name), "wb") as f:
                    f.write(actual.replace(b"\r\n", b"\n"))
                continue
            expected = expand(read(os.path.join(root, name)), target, work)
            if target == "windows" and rel not in verbatim:
                expected = expected.replace(b"\n", b"\r\n")
            compare("file " + rel, expected, actual, failures)
    if os.path.exists(os.path.join(case, "absent")):
        for line in read(os.path.join(case, "absent")).decode().splitlines():
            if line.strip() and os.path.exists(os.path.join(work, line.strip())):
                failures.append("file %s should not exist" % line.strip())
    if os.path.exists(os.path.join(case, "xml")) and shutil.which("xmllint"):
        for line in read(os.path.join(case, "xml")).decode().splitlines():
            if line.strip():
                lint = subprocess.run(["xmllint", "--noout", os.path.join(work, line.strip())],
                                      capture_output=True)
                if lint.returncode != 0:
                    failures.append("%s is not well-formed XML: %s" % (line, lint.stderr.decode()))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--lib", required=True, help="the test double library")
    parser.add_argument("--case", required=True)
    parser.add_argument("--launcher", default="", help="e.g. wine")
    parser.add_argument("--target", default="linux", choices=["linux", "windows"])
    parser.add_argument("--update", action="store_true", help="write what the run did as expected")
    options = parser.parse_args()

    case = os.path.abspath(options.case)
    targets = listed(case, "targets")
    if targets and options.target not in targets[0].split():
        print("not a case for %s (targets: %s)" % (options.target, targets[0]))
        return 77
    work = tempfile.mkdtemp(prefix="vextral-e2e-")
    try:
        prepare(case, work, options.exe, options.lib, options.target)
        launcher = options.launcher.split() if options.launcher else []
        rc, out, err = run(case, work, options.exe, launcher)
        out = mask(out)
        log_path = os.path.join(work, "double.log")
        log = read(log_path).replace(b"\r\n", b"\n") if os.path.exists(log_path) else b""
        if options.update and not os.path.exists(os.path.join(case, "interrupt-after")):
            shown = expand(b"{DIR}", options.target, work)
            with open(os.path.join(case, "expected.out"), "wb") as f:
                f.write(out.replace(shown, b"{DIR}"))
            with open(os.path.join(case, "expected.rc"), "w") as f:
                f.write("%d\n" % rc)
            if log:
                with open(os.path.join(case, "expected.log"), "wb") as f:
                    f.write(log)
        failures = []
        if not options.update:
            expected_rc = int(read(os.path.join(case, "expected.rc")).decode().strip())
            if rc != expected_rc:
                failures.append("exit code %d, expected %d" % (rc, expected_rc))
            expected_out = os.path.join(case, "expected.out")
            if os.path.exists(expected_out + "." + options.target):
                expected_out += "." + options.target
            if os.path.exists(expected_out):
                compare("console", expand(read(expected_out), options.target, work), out, failures)
            if os.path.exists(os.path.join(case, "expected.log")):
                compare("call log", read(os.path.join(case, "expected.log")), log, failures)
        check_files(case, work, options.target, failures, options.update)
        if failures:
            print("\n\n".join(failures))
            if err:
                print("--- stderr\n" + err.decode("latin-1"))
            print("(run folder kept: %s)" % work)
            return 1
        shutil.rmtree(work)
        return 0
    except subprocess.TimeoutExpired:
        print("the program did not end within 120 s (run folder: %s)" % work)
        return 1


if __name__ == "__main__":
    sys.exit(main())
