"""The platform tag rules of wheel_policy.py: which tag a set of objects
allows, and that a wheel whose tag claims more is refused.

The first tests use made-up objects, one row per rule. With VARNEL_WHEEL set
to a built wheel (scripts/test-wheel.sh does so), that wheel is relabelled
with other tags, inside (WHEEL) and in its file name, and checked.
"""

import os
import re
import zipfile

import pytest

import wheel_policy as wp


def obj(name="_varnel.so", needed=("libc.so.6",), needs=None, arch="x86_64"):
    return {"path": f"/w/varnel/{name}", "arch": arch, "needed": list(needed),
            "runpath": ["$ORIGIN"], "needs": dict(needs or {})}


LIBVARNEL = obj("libvarnel.so.0", needs={"GLIBC_2.2.5": "libc.so.6"})

# objects, the tag they allow, why
TAGS = [
    ([obj(needs={"GLIBC_2.17": "libc.so.6"})], "manylinux_2_17_x86_64", "oldest policy"),
    ([obj(needs={"GLIBC_2.18": "libc.so.6"})], "manylinux_2_24_x86_64",
     "2.18 has no policy of its own: the next one up"),
    ([obj(needs={"GLIBC_2.29": "libm.so.6"})], "manylinux_2_31_x86_64",
     "the mathematics library's versions are glibc's"),
    ([obj(needs={"GLIBC_2.17": "libc.so.6", "GLIBCXX_3.4.30": "libstdc++.so.6"})],
     "manylinux_2_35_x86_64", "libstdc++ of GCC 12 lifts an old glibc"),
    ([obj(needs={"GLIBC_2.34": "libc.so.6", "GLIBCXX_3.4.29": "libstdc++.so.6"})],
     "manylinux_2_34_x86_64", "GCC 11's libstdc++ fits AlmaLinux 9"),
    ([obj(needs={"GLIBCXX_3.4.24": "libstdc++.so.6"})], "manylinux_2_28_x86_64",
     "GCC 7's libstdc++ is manylinux_2_28's limit"),
    ([obj(needs={"GLIBCXX_3.4.25": "libstdc++.so.6"})], "manylinux_2_31_x86_64",
     "GCC 8's is beyond it"),
    ([obj(needs={"CXXABI_1.3.12": "libstdc++.so.6"})], "manylinux_2_31_x86_64", "CXXABI"),
    ([obj(needs={"GCC_12.0.0": "libgcc_s.so.1"})], "manylinux_2_35_x86_64", "libgcc_s"),
    ([obj(needs={"GLIBC_2.42": "libc.so.6"})], "linux_x86_64", "newer than every policy"),
    ([obj(needs={"GLIBC_PRIVATE": "libc.so.6"})], "linux_x86_64", "glibc's private symbols"),
    ([obj(needed=("libc.so.6", "libpython3.11.so.1.0"))], "linux_x86_64",
     "libpython is no system library of any policy"),
    ([obj(needed=("libc.so.6", "libvarnel.so.0")), LIBVARNEL], "manylinux_2_17_x86_64",
     "a library the wheel carries may be linked"),
    ([obj(needed=("libvarnel.so.0",))], "linux_x86_64", "the same library, not in the wheel"),
    ([obj(needs={"GLIBC_2.36": "libvarnel.so.0"}),
      obj("libvarnel.so.0", needs={"GLIBC_2.28": "libc.so.6"})], "manylinux_2_28_x86_64",
     "the versions of a bundled library are its own, not the system's"),
    ([obj(needs={"GLIBC_2.17": "libc.so.6"}, arch="aarch64")], "manylinux_2_17_aarch64",
     "the architecture of the objects"),
]


@pytest.mark.parametrize("objects, tag, why", TAGS, ids=[row[2] for row in TAGS])
def test_allowed_tag(objects, tag, why):
    assert wp.allowed_tag(objects) == tag, why


def test_objects_of_two_architectures_are_refused():
    with pytest.raises(SystemExit):
        wp.allowed_tag([obj(), obj("libvarnel.so.0", arch="aarch64")])


@pytest.mark.parametrize("name, parsed", [
    ("GLIBC_2.2.5", ("GLIBC", (2, 2, 5))), ("GLIBCXX_3.4.30", ("GLIBCXX", (3, 4, 30))),
    ("CXXABI_1.3.9", ("CXXABI", (1, 3, 9))), ("GCC_4.0.0", ("GCC", (4, 0, 0))),
    ("GLIBC_PRIVATE", None), ("CXXABI_TM_1", None), ("Base", None)])
def test_parse_version(name, parsed):
    assert wp.parse_version(name) == parsed


WHEEL = os.environ.get("VARNEL_WHEEL")
needs_wheel = pytest.mark.skipif(not WHEEL, reason="VARNEL_WHEEL not set")


def relabel(wheel, platform, directory, inside=None):
    """A copy of the wheel with another platform tag in its name and (or
    `inside`) in its WHEEL file."""
    base = os.path.basename(wheel)
    name = re.sub(r"-[^-]+\.whl$", f"-{platform}.whl", base)
    target = os.path.join(directory, name)
    with zipfile.ZipFile(wheel) as src, zipfile.ZipFile(target, "w") as dst:
        for item in src.infolist():
            data = src.read(item)
            if item.filename.endswith(".dist-info/WHEEL"):
                text = data.decode()
                data = re.sub(r"^(Tag: [^-]+-[^-]+-)\S+$",
                              lambda m: m.group(1) + (inside or platform), text,
                              flags=re.M).encode()
            dst.writestr(item, data)
    return target


def allowed_of(wheel):
    with zipfile.ZipFile(wheel) as z:
        match = re.search(r"^Tag: [^-]+-[^-]+-(\S+)$",
                          next(z.read(n).decode() for n in z.namelist()
                               if n.endswith(".dist-info/WHEEL")), re.M)
    return match.group(1)


@needs_wheel
def test_the_built_wheel_claims_no_more_than_it_may(tmp_path):
    assert wp.check(WHEEL) == []


@needs_wheel
def test_tags_claiming_more_are_refused(tmp_path):
    tag = allowed_of(WHEEL)
    arch = re.sub(r"^(manylinux_[0-9]+_[0-9]+|linux)_", "", tag)
    # Every policy older than the one the build chose must be refused, and
    # for each a reason must name an object.
    names = [wp.policy_tag(p, arch) for p in wp.POLICIES]
    older = wp.POLICIES[:names.index(tag)] if tag in names else wp.POLICIES
    assert older, "the wheel allows the oldest policy: nothing to refuse"
    for policy in older:
        faults = wp.check(relabel(WHEEL, wp.policy_tag(policy, arch), tmp_path))
        assert faults and all(".so" in f for f in faults), (policy, faults)


@needs_wheel
@pytest.mark.parametrize("platform, inside, fault", [
    ("linux_{arch}", None, None),                               # claims less: truthful
    ("manylinux_2_41_{other}", None, "for objects of"),         # wrong machine
    ("manylinux_2_30_{arch}", None, "no policy known"),         # no such policy here
    ("linux_{arch}", "manylinux_2_17_{arch}", "WHEEL declares"),  # name and WHEEL differ
    ("any", None, "neither manylinux"),
])
def test_relabelled(tmp_path, platform, inside, fault):
    tag = allowed_of(WHEEL)
    arch = re.sub(r"^(manylinux_[0-9]+_[0-9]+|linux)_", "", tag)
    other = "aarch64" if arch == "x86_64" else "x86_64"
    label = platform.format(arch=arch, other=other)
    faults = wp.check(relabel(WHEEL, label, tmp_path,
                              inside and inside.format(arch=arch, other=other)))
    if fault is None:
        assert faults == []
    else:
        assert any(fault in f for f in faults), faults


@needs_wheel
def test_retag_gives_back_the_tag_of_the_objects(tmp_path):
    """The built wheel relabelled linux_<arch>, then retagged: the same tag,
    name and bytes of every member but WHEEL and RECORD."""
    tag = allowed_of(WHEEL)
    arch = re.sub(r"^(manylinux_[0-9]+_[0-9]+|linux)_", "", tag)
    plain = relabel(WHEEL, f"linux_{arch}", tmp_path)
    again = wp.retag(plain)
    assert os.path.basename(again) == os.path.basename(WHEEL)
    assert wp.check(again) == []
    with zipfile.ZipFile(WHEEL) as a, zipfile.ZipFile(again) as b:
        assert a.namelist() == b.namelist()
        for name in a.namelist():
            if not name.endswith(("/WHEEL", "/RECORD")):
                assert a.read(name) == b.read(name), name


# auditwheel's report on a wheel, as `auditwheel show` wraps it, and whether
# it keeps the wheel's tag. The rows' reports name the tag at the place
# auditwheel's do.
def auditwheel_report(tag):
    return (f"\nvarnel-0.1.0-cp311-abi3-manylinux_2_28_x86_64.whl is consistent with\n"
            f"the following platform tag: \"{tag}\".\n\nThe wheel references external\n")


X86_64 = "varnel-0.1.0-cp311-abi3-manylinux_2_28_x86_64.whl"
AARCH64 = "varnel-0.1.0-cp311-abi3-manylinux_2_28_aarch64.whl"
# wheel, auditwheel's report, the fault's start (None: the tag is kept), why
AUDITWHEEL = [
    (X86_64, auditwheel_report("manylinux_2_28_x86_64"), None, "the wheel's own tag"),
    (AARCH64, auditwheel_report("manylinux_2_27_aarch64"), None,
     "an older glibc: a wheel for 2.27 runs on 2.28"),
    (X86_64, auditwheel_report("manylinux_2_17_x86_64"), None, "much older, still kept"),
    (X86_64, auditwheel_report("manylinux_2_31_x86_64"), "auditwheel finds manylinux_2_31_x86_64, newer",
     "a newer glibc than the tag promises"),
    (X86_64, auditwheel_report("manylinux_2_28_aarch64"), "auditwheel finds manylinux_2_28_aarch64, another",
     "the objects of another architecture"),
    (X86_64, auditwheel_report("linux_x86_64"), "auditwheel finds linux_x86_64, no manylinux",
     "no manylinux tag at all"),
    (X86_64, "This does not look like a platform wheel", "auditwheel names no platform tag",
     "a report without the sentence"),
    ("varnel-0.1.0-cp311-abi3-linux_x86_64.whl", auditwheel_report("manylinux_2_28_x86_64"),
     "varnel-0.1.0-cp311-abi3-linux_x86_64.whl has no manylinux tag", "a wheel that claims none"),
    (X86_64, 'is consistent\nwith the following\nplatform tag:\n"manylinux_2_28_x86_64".', None,
     "lines wrapped between any two words"),
]


@pytest.mark.parametrize("wheel, text, fault, why", AUDITWHEEL, ids=[row[3] for row in AUDITWHEEL])
def test_auditwheel_report(wheel, text, fault, why):
    found = wp.auditwheel_fault(wheel, text)
    if fault is None:
        assert found is None, why
    else:
        assert found is not None and found.startswith(fault), (why, found)
