#!/usr/bin/env python3
"""Checks the guest log of the vidtv smoke test.

usage: check.py LOG SHIFT_KHZ PROGRAM(0|1) "IF_KHZ..." "NEAR_KHZ..." "OFF_KHZ..."
IF_KHZ: vidtv's frequencies; the probe tunes them, NEAR_KHZ (must lock too) and OFF_KHZ
(must not lock), in that order.
"""
import re
import sys


def main():
    log_path, shift_khz, program = sys.argv[1], int(sys.argv[2]), sys.argv[3] == "1"
    valid, near, off = ([int(k) for k in arg.split()] for arg in sys.argv[4:7])
    raw = open(log_path, errors="replace").read().replace("\r", "")
    lines = [l[len("SMOKE "):] for l in raw.split("\n") if l.startswith("SMOKE ")]
    text = "\n".join(lines)
    failures = []

    def need(cond, what):
        if not cond:
            failures.append(what)

    if not lines:
        return fail(["the guest printed nothing (no SMOKE line): see " + log_path])
    need("END ok" in lines, "the guest did not finish: " + (
        [l for l in lines if l.startswith("END")] or ["no END line (timeout or crash)"])[0])

    name = re.search(r'^probe: name "(.*)"$', text, re.M)
    need(name and name.group(1), "the probe read no frontend name")
    delsys = re.search(r"^probe: delsys (.*)$", text, re.M)
    systems = delsys.group(1).split() if delsys else []
    need("5" in systems and "6" in systems,
         "DTV_ENUM_DELSYS lacks DVB-S (5) or DVB-S2 (6): %s" % systems)
    need("probe: second open Device or resource busy" in lines,
         "a second read-write open of the frontend did not fail with EBUSY")

    for khz in valid + near + off:
        m = re.search(r"^probe: tune %d kHz returned after ([\d.]+) ms, status (\S+)( LOCK)? "
                      r"after ([\d.]+) ms$" % khz, text, re.M)
        if not m:
            failures.append("no probe tune line for %d kHz" % khz)
            continue
        locked = bool(m.group(3))
        if khz not in off:
            need(locked, "the probe did not lock on %d kHz (status %s)" % (khz, m.group(2)))
        else:
            need(not locked, "the probe locked on %d kHz, where vidtv has nothing" % khz)
    for op in ("voltage", "tone", "diseqc", "burst"):
        bad = [l for l in lines if l.startswith("probe: %s " % op) and l != "probe: %s ok" % op]
        need(not bad, "the frontend refused %s: %s" % (op, bad[:1]))
    reported = re.findall(r"^probe: reports (\d+) kHz", text, re.M)
    need(reported == [str(k) for k in valid + near + off],
         "DTV_FREQUENCY read back %s, tuned %s" % (reported, valid + near + off))

    if "NO PROGRAM" in lines:
        need(not program, "the program was packed but did not run")
    elif not program:
        failures.append("the program ran though none was packed")
    else:
        check_program(lines, text, name.group(1) if name else "", valid, shift_khz, need)
    if failures:
        return fail(failures)
    return 0


def check_program(lines, text, fe_name, valid, shift_khz, need):
    busy = [l[len("busy| "):] for l in lines if l.startswith("busy| ")]
    rc = re.search(r"^BUSY RC (\d+)$", text, re.M)
    need(rc and rc.group(1) != "0", "the program exited 0 while the frontend was held")
    need(any("busy" in l.lower() for l in busy),
         "no 'busy' message while the frontend was held: %s" % busy)
    need("Can't start device 0 !" in busy, "no \"Can't start device 0 !\" while held")

    scan = [re.sub(r"^\[[\d.]+\] ", "", l[len("scan| "):]) for l in lines
            if l.startswith("scan| ")]
    rc = re.search(r"^SCAN RC (\d+)", text, re.M)
    need(rc and rc.group(1) == "0", "the scan run exited %s" % (rc.group(1) if rc else "?"))
    devices = [l for l in scan if re.match(r"Device \d+: ", l)]
    need(devices and fe_name and fe_name in devices[0],
         "the program listed no device named like the frontend (%r): %s" % (fe_name, devices))
    need(not any("SendDiSEqC failed" in l or "SendDiseqCmd failed" in l for l in scan),
         "a DiSEqC call failed")
    found = [(float(m.group(1)), int(m.group(2)))
             for m in (re.match(r"(\d+\.\d+) Mhz, (\d+) KS, ", l) for l in scan) if m]
    tol = shift_khz / 1000.0 + 0.0005
    want = sorted(k / 1000.0 for k in valid)
    got = sorted(f for f, _ in found)
    need(len(got) == len(want) and all(abs(g - w) <= tol for g, w in zip(got, want)),
         "the sweep found %s Mhz, vidtv has %s (within %.3f)" % (got, want, tol))
    need(all(sr > 0 for _, sr in found), "a transponder with symbol rate 0: %s" % found)

    listed = [int(m.group(1)) for m in
              (re.match(r"file \w+\.ini\| \d+=(\d+),H,", l) for l in lines) if m]
    need(len(listed) == len(want) and
         all(abs(g - w) <= tol + 0.5 for g, w in zip(sorted(listed), want)),
         "the transponder list holds %s Mhz, vidtv has %s" % (listed, want))


def fail(failures):
    for f in failures:
        print("vidtv smoke test FAILED: " + f, file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
