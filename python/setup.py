"""pip's way in: builds libvarnel.so.0, libvarnel-c.so.0, libvarnel-stats.so.0
and the extension with the project's CMake and ships all four in the package,
the extension finding the libraries beside itself. Offline, with Debian's NumPy and setuptools:

    python3 -m venv --system-site-packages venv
    venv/bin/pip install --no-build-isolation --no-index ./python

A wheel (`pip wheel --no-build-isolation --no-index --no-deps ./python`) holds
the same four objects. Its platform tag is the one tools/wheel_policy.py
finds the objects allow: manylinux_2_X_<arch> when they need no newer glibc
and libstdc++ than that policy, linux_<arch> otherwise.

VARNEL_CMAKE_ARGS (split as a shell would) passes arguments to CMake; a
cross build gives the toolchain and the target's Python userland there, for
example for aarch64:

    VARNEL_CMAKE_ARGS="-DCMAKE_TOOLCHAIN_FILE=$PWD/cmake/aarch64-linux-gnu.cmake \
        -DVARNEL_PYTHON_TARGET_ROOT=$(bash scripts/arm64-python-root.sh)"

and the wheel's tags are then those of the target's interpreter and machine.
Every build goes into a fresh temporary tree, so that nothing of an earlier
build (of another architecture) can reach the package; the wheel's file
times are SOURCE_DATE_EPOCH, by default the time of the last commit, so that
two builds of one tree give the same bytes.
"""

import atexit
import glob
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

try:  # setuptools 70.1 and later carry bdist_wheel themselves
    from setuptools.command.bdist_wheel import bdist_wheel
except ImportError:
    from wheel.bdist_wheel import bdist_wheel

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tools"))
import wheel_policy  # noqa: E402

CMAKE_ARGS = shlex.split(os.environ.get("VARNEL_CMAKE_ARGS", ""))


def project_version():
    """The version of the project() line of the top CMakeLists.txt."""
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
        match = re.search(r"project\(\s*varnel\s+VERSION\s+([0-9][0-9.]*)", f.read())
    if match is None:
        raise RuntimeError("no project(varnel VERSION x.y.z) line in CMakeLists.txt")
    return match.group(1)


def target_root():
    for arg in CMAKE_ARGS:
        if arg.startswith("-DVARNEL_PYTHON_TARGET_ROOT="):
            return arg.split("=", 1)[1]
    return None


def numpy_requirement():
    """NumPy's binary interface as the extension is built against it: a
    module built with NumPy 1.x headers loads in 1.x releases from that one
    on and in no NumPy 2; one built with NumPy 2 in 2.x from that one on."""
    root = target_root()
    if root is None:
        try:
            import numpy
        except ImportError:  # metadata asked for in an isolated build
            return "numpy"
        version = numpy.__version__
    else:
        found = glob.glob(os.path.join(root, "usr/lib/python3/dist-packages/numpy-*-info"))
        if not found:
            raise RuntimeError(f"no NumPy in the target userland {root}")
        version = re.match(r"numpy-([0-9.]+)", os.path.basename(found[0])).group(1)
    major, minor = (int(p) for p in version.split(".")[:2])
    return f"numpy>={major}.{minor}" + (",<2" if major < 2 else "")


def source_time():
    """The time of the last commit; without git, that of CMakeLists.txt."""
    try:
        done = subprocess.run(["git", "-C", ROOT, "log", "-1", "--format=%ct"],
                              capture_output=True, text=True, check=True)
        if done.stdout.strip():
            return done.stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        pass
    return str(int(os.path.getmtime(os.path.join(ROOT, "CMakeLists.txt"))))


os.environ.setdefault("SOURCE_DATE_EPOCH", source_time())

# setuptools' build tree (and the CMake tree in it) lives for this process
# only.
BUILD_BASE = tempfile.mkdtemp(prefix="varnel-build-")
atexit.register(shutil.rmtree, BUILD_BASE, ignore_errors=True)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build_dir = os.path.join(BUILD_BASE, "cmake")
        jobs = str(min(2, os.cpu_count() or 1))
        subprocess.check_call([
            "cmake", "-S", ROOT, "-B", build_dir, "-DCMAKE_BUILD_TYPE=Release",
            "-DVARNEL_BUILD_TESTS=OFF", "-DVARNEL_BUILD_TOOLS=OFF",
            "-DVARNEL_BUILD_FORTRAN=OFF",
            "-DVARNEL_BUILD_PYTHON=ON", "-DVARNEL_PYTHON_BUNDLE_LIBRARY=ON",
            "-DVARNEL_LIBRARY_RUNPATH=$ORIGIN",
            f"-DPython3_EXECUTABLE={sys.executable}", *CMAKE_ARGS])
        subprocess.check_call(["cmake", "--build", build_dir, "--target", "varnel_python",
                               "-j", jobs])
        # The module keeps the name CMake gave it: in a cross build that is
        # the target interpreter's, not this one's.
        (built,) = glob.glob(os.path.join(build_dir, "python", "varnel", "_varnel*.so"))
        package = os.path.dirname(self.get_ext_fullpath(ext.name))
        os.makedirs(package, exist_ok=True)
        objects = [shutil.copy2(built, package)]
        for library in ("libvarnel.so.0", "libvarnel-c.so.0", "libvarnel-stats.so.0"):
            objects.append(shutil.copy2(os.path.join(build_dir, library), package))
        self.distribution.varnel_objects = objects


class Wheel(bdist_wheel):
    def get_tag(self):
        """The interpreter and ABI of the module's file name, the platform
        the objects allow."""
        objects = self.distribution.varnel_objects
        suffix = re.search(r"\.cpython-([0-9]+)([a-z]*)-", os.path.basename(objects[0]))
        if suffix is None:
            raise RuntimeError(f"{objects[0]}: not a CPython extension module name")
        python = f"cp{suffix.group(1)}"
        infos = [wheel_policy.inspect(p) for p in objects]
        wheel_policy.report(infos)
        return python, python + suffix.group(2), wheel_policy.allowed_tag(infos)


setup(
    name="varnel",
    version=project_version(),
    description="Special functions of libvarnel as NumPy ufuncs",
    packages=["varnel"],
    package_dir={"varnel": "varnel"},
    package_data={"varnel": ["__init__.pyi", "py.typed"]},
    ext_modules=[Extension("varnel._varnel", sources=[])],
    cmdclass={"build_ext": CMakeBuild, "bdist_wheel": Wheel},
    options={"build": {"build_base": BUILD_BASE}},
    install_requires=[numpy_requirement()],
    python_requires=">=3.9",
    zip_safe=False,
)
