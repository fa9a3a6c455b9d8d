# SPDX-License-Identifier: Apache-2.0
"""Builds and installs the Python package vekdi (python/vekdi) with the
project's own CMake build, for the running interpreter:

    /usr/bin/python3 -m venv --system-site-packages venv
    venv/bin/pip install --no-build-isolation .

It needs CMake, a C++20 compiler and pybind11 (Debian: cmake g++ python3-dev
pybind11-dev python3-pybind11 python3-setuptools), nothing from the network.
The version is the project's, read from the top-level CMakeLists.txt.

A wheel, from the repository root:

    /usr/bin/python3 -m pip wheel --no-build-isolation --no-deps -w dist .

With VEKDI_CMAKE_BUILD_DIR naming a configured CMake build folder (for
example build/release) the module is built there (nothing is rebuilt when it
is up to date) and copied into the package, instead of a second build.
"""

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


def project_version():
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(vekdi VERSION ([0-9.]+)", text).group(1)


class CMakeExtension(Extension):
    """An extension module that CMake builds (target vekdi_python)."""

    def __init__(self, name):
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        package_dir = Path(self.get_ext_fullpath(ext.name)).resolve().parent
        existing = os.environ.get("VEKDI_CMAKE_BUILD_DIR")
        if existing:
            self.copy_from_build(Path(existing).resolve(), Path(self.get_ext_fullpath(ext.name)))
            return
        build_dir = Path(self.build_temp).resolve() / "cmake"
        configure = [
            "cmake", "-S", str(ROOT), "-B", str(build_dir),
            "-DCMAKE_BUILD_TYPE=Release",
            "-DVEKDI_BUILD_TESTS=OFF", "-DVEKDI_BUILD_BENCH=OFF", "-DVEKDI_BUILD_EXAMPLES=OFF",
            "-DVEKDI_BUILD_PYTHON=ON",
            "-DPython3_EXECUTABLE=" + sys.executable,
            "-DVEKDI_PYTHON_PACKAGE_DIR=" + str(package_dir),
        ]
        if shutil.which("ninja") and not (build_dir / "CMakeCache.txt").exists():
            configure += ["-G", "Ninja"]
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", str(os.cpu_count() or 1))
        subprocess.check_call(configure)
        subprocess.check_call(["cmake", "--build", str(build_dir), "--target", "vekdi_python", "--parallel", jobs])

    @staticmethod
    def copy_from_build(build_dir, target):
        """Brings the module of an existing build folder up to date and copies it."""
        if not (build_dir / "CMakeCache.txt").exists():
            sys.exit(f"VEKDI_CMAKE_BUILD_DIR={build_dir} is not a configured CMake build folder")
        subprocess.check_call(["cmake", "--build", str(build_dir), "--target", "vekdi_python"])
        built = sorted((build_dir / "python" / "vekdi").glob("_vekdi*" + Path(target).suffix))
        if len(built) != 1:
            sys.exit(f"{build_dir}/python/vekdi holds {len(built)} builds of the module, not one")
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(built[0], target)


setup(
    version=project_version(),
    package_dir={"": "python"},
    packages=["vekdi", "vekdi.zfec"],
    package_data={"vekdi": ["*.pyi", "py.typed"], "vekdi.zfec": ["*.pyi"]},
    ext_modules=[CMakeExtension("vekdi._vekdi")],
    cmdclass={"build_ext": CMakeBuild},
    zip_safe=False,
)
