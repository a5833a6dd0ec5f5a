#!/usr/bin/env python3
"""Which platform tag the wheel's compiled objects allow, and whether a wheel
claims more than that.

A ``manylinux_2_X_<arch>`` tag (PEP 600) promises that the wheel runs on every
mainstream Linux distribution with glibc 2.X or later. An object keeps that
promise when it links only libraries every such distribution has (the C
library, its loader, the mathematics, threads, dl, rt and util libraries,
libgcc_s and libstdc++) or libraries inside the wheel, and when it asks them
for no symbol version newer than the oldest of those distributions provides:
glibc's GLIBC_2.Y up to 2.X, and the C++ run time (GLIBCXX_, CXXABI_) and
libgcc_s (GCC_) of the toolchain those distributions shipped. The versions an
object asks for are its ELF version needs (``readelf -V``), which is what the
dynamic loader checks; a symbol version missing from the machine stops the
load. Nothing in the object decides the tag but these needs.

Otherwise the tag is the plain ``linux_<arch>``, which promises nothing beyond
the machine the wheel was built on.

    wheel_policy.py tag OBJECT...        prints the tag the objects allow
    wheel_policy.py check WHEEL...       reports each object of each wheel and
                                         fails if a wheel's tag claims more
                                         than its objects allow
    wheel_policy.py retag WHEEL          renames a linux_<arch> wheel to the tag
                                         its objects allow (file name, WHEEL
                                         and RECORD), keeping every other byte
                                         and the entries' times; prints the
                                         new file's path
    wheel_policy.py auditwheel WHEEL REPORT
                                         fails unless REPORT, the text of
                                         `auditwheel show WHEEL`, finds the
                                         wheel's manylinux tag kept
"""

import argparse
import base64
import hashlib
import os
import re
import subprocess
import sys
import tempfile
import zipfile

# The manylinux policies, by the glibc version of their tag, each with the
# newest C++ run time and libgcc_s symbol versions its reference systems
# provide. The libstdc++ limits are those of the oldest system of the
# policy's era, and where a limit was uncertain the lower one is taken, so
# that a tag is never claimed on the strength of a version some system of
# the policy lacks.
#
#   manylinux_2_17  manylinux2014: CentOS 7, GCC 4.8.5 (libstdc++ 3.4.19,
#                   CXXABI 1.3.7), libgcc_s GCC_4.8.0
#   manylinux_2_24  Debian 9, GCC 6.3 (3.4.22, 1.3.10); libgcc_s taken as
#                   GCC_4.8.0 (GCC_7.0.0 came with GCC 7)
#   manylinux_2_28  AlmaLinux/RHEL 8, system GCC 8.5 (3.4.25, 1.3.11),
#                   taken as GCC 7's 3.4.24 (the lower limit that the
#                   policy's tools hold wheels to), libgcc_s GCC_7.0.0
#   manylinux_2_31  Ubuntu 20.04, libstdc++ of GCC 10 (3.4.28, 1.3.12),
#                   GCC_7.0.0
#   manylinux_2_34  AlmaLinux/RHEL 9, system GCC 11 (3.4.29, 1.3.13),
#                   GCC_7.0.0
#   manylinux_2_35  Ubuntu 22.04, libstdc++ of GCC 12 (3.4.30, 1.3.13),
#                   GCC_12.0.0
#   manylinux_2_36  Debian 12, GCC 12.2 (3.4.30, 1.3.13), GCC_12.0.0
#   manylinux_2_39  Ubuntu 24.04, libstdc++ of GCC 14 taken as GCC 13's
#                   (3.4.32, 1.3.14), GCC_13.0.0
#   manylinux_2_41  Debian 13, GCC 14.2 (3.4.33, 1.3.15), GCC_14.0.0
#
# glibc versions between these have no policy here: an object needing
# GLIBC_2.37 gets manylinux_2_39 at best, never a tag the table does not
# back.
POLICIES = [
    # (glibc, GLIBCXX, CXXABI, GCC)
    ((2, 17), (3, 4, 19), (1, 3, 7), (4, 8, 0)),
    ((2, 24), (3, 4, 22), (1, 3, 10), (4, 8, 0)),
    ((2, 28), (3, 4, 24), (1, 3, 11), (7, 0, 0)),
    ((2, 31), (3, 4, 28), (1, 3, 12), (7, 0, 0)),
    ((2, 34), (3, 4, 29), (1, 3, 13), (7, 0, 0)),
    ((2, 35), (3, 4, 30), (1, 3, 13), (12, 0, 0)),
    ((2, 36), (3, 4, 30), (1, 3, 13), (12, 0, 0)),
    ((2, 39), (3, 4, 32), (1, 3, 14), (13, 0, 0)),
    ((2, 41), (3, 4, 33), (1, 3, 15), (14, 0, 0)),
]

# Libraries every manylinux system provides (PEP 599, PEP 600): the only
# ones an object outside the wheel may link. libpython is not among them:
# an extension module takes the interpreter's symbols from the process.
SYSTEM_LIBRARIES = {
    "libc.so.6", "libm.so.6", "libdl.so.2", "librt.so.1", "libpthread.so.0",
    "libutil.so.1", "libgcc_s.so.1", "libstdc++.so.6",
    "ld-linux-x86-64.so.2", "ld-linux-aarch64.so.1", "ld-linux.so.2",
    "ld64.so.2", "ld64.so.1", "ld-linux-armhf.so.3",
}

# readelf's machine names and the tags' architecture names.
MACHINES = {
    "Advanced Micro Devices X86-64": "x86_64",
    "AArch64": "aarch64",
    "Intel 80386": "i686",
    "PowerPC64": "ppc64le",
    "IBM S/390": "s390x",
}

# The symbol version families a policy limits, by the prefix of their name.
FAMILIES = ("GLIBCXX", "CXXABI", "GLIBC", "GCC")


def parse_version(name):
    """('GLIBC', (2, 34)) for GLIBC_2.34; None for a name of no known family
    or without a numeric version (GLIBC_PRIVATE, CXXABI_TM_1)."""
    match = re.fullmatch(r"(GLIBCXX|CXXABI|GLIBC|GCC)_([0-9]+(?:\.[0-9]+)*)", name)
    if match is None:
        return None
    return match.group(1), tuple(int(p) for p in match.group(2).split("."))


def _readelf(args, path):
    return subprocess.run(["readelf", "-W", *args, path], check=True,
                          capture_output=True, text=True).stdout


def inspect(path):
    """An object's architecture, linked libraries, run path and version needs."""
    header = _readelf(["-h"], path)
    machine = re.search(r"^\s*Machine:\s*(.*?)\s*$", header, re.M).group(1)
    if machine == "PowerPC64" and "big endian" in header:
        machine = "PowerPC64 big endian"
    dynamic = _readelf(["-d"], path)
    needed = re.findall(r"\(NEEDED\).*\[(.*)\]", dynamic)
    runpath = re.findall(r"\((?:RUNPATH|RPATH)\).*\[(.*)\]", dynamic)
    needs = {}  # version name -> the library that must provide it
    library = None
    for line in _readelf(["-V"], path).splitlines():
        file_match = re.search(r"File:\s*(\S+)", line)
        if file_match:
            library = file_match.group(1)
            continue
        name_match = re.search(r"Name:\s*(\S+)", line)
        if name_match and library is not None:
            needs[name_match.group(1)] = library
    return {"path": path, "arch": MACHINES.get(machine, machine), "needed": needed,
            "runpath": runpath, "needs": needs}


def newest(needs):
    """The newest version asked for in each family, and the names no policy
    can allow."""
    top = {}
    unknown = []
    for name in needs:
        parsed = parse_version(name)
        if parsed is None:
            unknown.append(name)
            continue
        family, version = parsed
        if version > top.get(family, ()):
            top[family] = version
    return top, sorted(unknown)


def fits(info, policy, bundled):
    """Why the object breaks the policy, or an empty list."""
    glibc, glibcxx, cxxabi, gcc = policy
    limits = {"GLIBC": glibc, "GLIBCXX": glibcxx, "CXXABI": cxxabi, "GCC": gcc}
    reasons = []
    for library in info["needed"]:
        if library not in SYSTEM_LIBRARIES and library not in bundled:
            reasons.append(f"links {library}, neither a system library of the policy "
                           "nor in the wheel")
    for name, library in info["needs"].items():
        if library in bundled:
            continue  # versions of a bundled library travel with it
        parsed = parse_version(name)
        if parsed is None:
            reasons.append(f"needs {name} of {library}")
        elif parsed[1] > limits[parsed[0]]:
            reasons.append(f"needs {name} of {library}")
    return reasons


def policy_tag(policy, arch):
    glibc = policy[0]
    return f"manylinux_{glibc[0]}_{glibc[1]}_{arch}"


def allowed_tag(infos):
    """The oldest manylinux tag that every object keeps, else linux_<arch>."""
    arches = {info["arch"] for info in infos}
    if len(arches) != 1:
        raise SystemExit(f"objects of several architectures: {sorted(arches)}")
    (arch,) = arches
    bundled = {os.path.basename(info["path"]) for info in infos}
    for policy in POLICIES:
        if not any(fits(info, policy, bundled) for info in infos):
            return policy_tag(policy, arch)
    return f"linux_{arch}"


def _text(version):
    return ".".join(str(v) for v in version)


def report(infos, out=sys.stdout):
    for info in infos:
        top, unknown = newest(info["needs"])
        versions = ", ".join(f"{family}_{_text(top[family])}"
                             for family in FAMILIES if family in top) or "none"
        print(f"  {os.path.basename(info['path'])} ({info['arch']}): newest {versions}"
              + (f"; unversioned needs {', '.join(unknown)}" if unknown else ""), file=out)
        print(f"    links {', '.join(info['needed']) or 'nothing'}; run path "
              f"{', '.join(info['runpath']) or 'none'}", file=out)


def is_elf(path):
    with open(path, "rb") as f:
        return f.read(4) == b"\x7fELF"


def wheel_tags(wheel):
    """The platform tags of a wheel's file name and of its WHEEL file."""
    name = os.path.basename(wheel)
    match = re.fullmatch(r"[^-]+-[^-]+(?:-[0-9][^-]*)?-([^-]+)-([^-]+)-([^-]+)\.whl", name)
    if match is None:
        raise SystemExit(f"{name}: not a wheel file name")
    with zipfile.ZipFile(wheel) as z:
        (meta,) = [n for n in z.namelist() if re.fullmatch(r"[^/]+\.dist-info/WHEEL", n)]
        declared = re.findall(r"^Tag:\s*(\S+)\s*$", z.read(meta).decode(), re.M)
    return match.groups(), declared


def check(wheel):
    """Reports the wheel's objects; returns the list of its faults."""
    (python, abi, platforms), declared = wheel_tags(wheel)
    faults = []
    if declared != [f"{python}-{abi}-{p}" for p in platforms.split(".")]:
        faults.append(f"WHEEL declares {declared}, the file name {python}-{abi}-{platforms}")
    with tempfile.TemporaryDirectory() as tmp:
        with zipfile.ZipFile(wheel) as z:
            z.extractall(tmp)
        objects = sorted(os.path.join(d, f) for d, _, files in os.walk(tmp) for f in files
                         if is_elf(os.path.join(d, f)))
        if not objects:
            faults.append("no compiled object in the wheel")
            return faults
        infos = [inspect(p) for p in objects]
        print(f"{os.path.basename(wheel)}:")
        report(infos)
        allowed = allowed_tag(infos)
        bundled = {os.path.basename(p) for p in objects}
    arch = infos[0]["arch"]
    print(f"  the objects allow {allowed}")
    for platform in platforms.split("."):
        match = re.fullmatch(r"(?:manylinux_([0-9]+)_([0-9]+)|linux)_(.+)", platform)
        if match is None:
            faults.append(f"platform tag {platform} is neither manylinux_2_X_<arch> "
                          "nor linux_<arch>")
            continue
        if match.group(3) != arch:
            faults.append(f"platform tag {platform} for objects of {arch}")
            continue
        if match.group(1) is None:
            continue  # linux_<arch> claims no more than the objects' machine
        glibc = (int(match.group(1)), int(match.group(2)))
        policy = next((p for p in POLICIES if p[0] == glibc), None)
        if policy is None:
            faults.append(f"{platform}: no policy known for glibc {_text(glibc)}")
            continue
        for info in infos:
            for reason in fits(info, policy, bundled):
                faults.append(f"{platform}: {os.path.basename(info['path'])} {reason}")
    return faults


def retag(wheel):
    """Writes the wheel again under the platform tag its objects allow and
    removes the old file; returns the new path."""
    (python, abi, platforms), _ = wheel_tags(wheel)
    with tempfile.TemporaryDirectory() as tmp:
        with zipfile.ZipFile(wheel) as z:
            names = [n for n in z.namelist() if not n.endswith("/")]
            for n in names:
                z.extract(n, tmp)
            infos = [inspect(os.path.join(tmp, n)) for n in names
                     if is_elf(os.path.join(tmp, n))]
        if not infos:
            raise SystemExit(f"{wheel}: no compiled object to decide a platform tag")
        tag = allowed_tag(infos)
        if platforms == tag:
            return wheel
        if not re.fullmatch(r"linux_[a-z0-9_]+", platforms):
            raise SystemExit(f"{wheel}: retag takes a linux_<arch> wheel, not {platforms}")
        name = os.path.basename(wheel)
        new_name = name[: -len(f"{platforms}.whl")] + f"{tag}.whl"
        new_path = os.path.join(os.path.dirname(wheel), new_name)
        with zipfile.ZipFile(wheel) as old, \
                zipfile.ZipFile(new_path, "w", zipfile.ZIP_DEFLATED) as new:
            entries = old.infolist()
            meta = next(e.filename for e in entries
                        if re.fullmatch(r"[^/]+\.dist-info/WHEEL", e.filename))
            record = meta[: -len("WHEEL")] + "RECORD"
            wheel_text = old.read(meta).decode()
            wheel_text = re.sub(r"^Tag:.*\n", "", wheel_text, flags=re.M).rstrip("\n")
            wheel_text += f"\nTag: {python}-{abi}-{tag}\n"
            wheel_bytes = wheel_text.encode()
            digest = base64.urlsafe_b64encode(hashlib.sha256(wheel_bytes).digest())
            for e in entries:
                data = old.read(e.filename)
                if e.filename == meta:
                    data = wheel_bytes
                elif e.filename == record:
                    lines = [f"{meta},sha256={digest.rstrip(b'=').decode()},{len(wheel_bytes)}"
                             if line.startswith(meta + ",") else line
                             for line in data.decode().splitlines()]
                    data = ("\n".join(lines) + "\n").encode()
                info = zipfile.ZipInfo(e.filename, date_time=e.date_time)
                info.external_attr = e.external_attr
                info.compress_type = zipfile.ZIP_DEFLATED
                new.writestr(info, data)
    os.remove(wheel)
    return new_path


MANYLINUX = re.compile(r"manylinux_(\d+)_(\d+)_(\w+)")
# auditwheel's sentence naming the most widely installable tag; it wraps its
# lines anywhere between the words.
AUDITWHEEL_TAG = re.compile(r"is\s+consistent\s+with\s+the\s+following\s+platform\s+tag:\s+\"([^\"]+)\"")


def auditwheel_fault(wheel, text):
    """None if auditwheel's report finds the wheel's manylinux tag kept: the tag
    it names is of the wheel's architecture and needs no newer glibc (a
    wheel for glibc 2.27 runs on 2.28 too). Otherwise what is wrong."""
    claimed = MANYLINUX.search(os.path.basename(wheel))
    if claimed is None:
        return f"{os.path.basename(wheel)} has no manylinux tag"
    found = AUDITWHEEL_TAG.search(text)
    if found is None:
        return "auditwheel names no platform tag"
    named = MANYLINUX.fullmatch(found.group(1))
    if named is None:
        return f"auditwheel finds {found.group(1)}, no manylinux tag"
    if named.group(3) != claimed.group(3):
        return f"auditwheel finds {found.group(1)}, another architecture"
    if (int(named.group(1)), int(named.group(2))) > (int(claimed.group(1)), int(claimed.group(2))):
        return f"auditwheel finds {found.group(1)}, newer than the wheel's {claimed.group(0)}"
    return None


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    sub = parser.add_subparsers(dest="command", required=True)
    tag = sub.add_parser("tag", help="print the platform tag the objects allow")
    tag.add_argument("objects", nargs="+")
    tag.add_argument("--report", action="store_true", help="report each object on stderr")
    chk = sub.add_parser("check", help="fail if a wheel's tag claims more than its objects")
    chk.add_argument("wheels", nargs="+")
    ret = sub.add_parser("retag", help="rename a linux_<arch> wheel to the tag its objects allow")
    ret.add_argument("wheel")
    aud = sub.add_parser("auditwheel", help="fail unless auditwheel's report keeps the wheel's tag")
    aud.add_argument("wheel")
    aud.add_argument("report")
    args = parser.parse_args(argv)
    if args.command == "auditwheel":
        with open(args.report) as f:
            fault = auditwheel_fault(args.wheel, f.read())
        print(f"  auditwheel: {fault or 'the tag is kept'}")
        return int(fault is not None)
    if args.command == "retag":
        print(retag(args.wheel))
        return 0
    if args.command == "tag":
        infos = [inspect(p) for p in args.objects]
        if args.report:
            report(infos, out=sys.stderr)
        print(allowed_tag(infos))
        return 0
    status = 0
    for wheel in args.wheels:
        faults = check(wheel)
        for fault in faults:
            print(f"  FAULT: {fault}")
        print(f"  {'tag claims more than the objects allow' if faults else 'tag is truthful'}")
        status |= bool(faults)
    return status


if __name__ == "__main__":
    sys.exit(main())
