"""pip's way in: builds libvarnel.so.0, libvarnel-c.so.0 and the extension
with the project's CMake and ships all three in the package, the extension
finding the libraries beside itself. Offline, with Debian's NumPy and setuptools:

    python3 -m venv --system-site-packages venv
    venv/bin/pip install --no-build-isolation --no-index ./python
"""

import glob
import os
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def project_version():
    """The version of the project() line of the top CMakeLists.txt."""
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
        match = re.search(r"project\(\s*varnel\s+VERSION\s+([0-9][0-9.]*)", f.read())
    if match is None:
        raise RuntimeError("no project(varnel VERSION x.y.z) line in CMakeLists.txt")
    return match.group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build_dir = os.path.abspath(os.path.join(self.build_temp, "cmake"))
        jobs = str(min(2, os.cpu_count() or 1))
        subprocess.check_call([
            "cmake", "-S", ROOT, "-B", build_dir, "-DCMAKE_BUILD_TYPE=Release",
            "-DVARNEL_BUILD_TESTS=OFF", "-DVARNEL_BUILD_TOOLS=OFF",
            "-DVARNEL_BUILD_PYTHON=ON", "-DVARNEL_PYTHON_BUNDLE_LIBRARY=ON",
            f"-DPython3_EXECUTABLE={sys.executable}"])
        subprocess.check_call(["cmake", "--build", build_dir, "--target", "varnel_python",
                               "-j", jobs])
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        (built,) = glob.glob(os.path.join(build_dir, "python", "varnel", "_varnel*.so"))
        shutil.copy2(built, target)
        for library in ("libvarnel.so.0", "libvarnel-c.so.0"):
            shutil.copy2(os.path.join(build_dir, library), os.path.dirname(target))


setup(
    name="varnel",
    version=project_version(),
    description="Special functions of libvarnel as NumPy ufuncs",
    packages=["varnel"],
    package_dir={"varnel": "varnel"},
    package_data={"varnel": ["__init__.pyi", "py.typed"]},
    ext_modules=[Extension("varnel._varnel", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    install_requires=["numpy"],
    python_requires=">=3.9",
    zip_safe=False,
)
