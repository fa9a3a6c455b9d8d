#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The wheel as a user installs it: made with pip from a copy of the package's
# sources (the module taken from the given build folder, not built again),
# installed offline into a fresh venv that sees Debian's packages, and the
# Python tests run with that venv's interpreter and nothing on PYTHONPATH.
#   check_wheel.sh PYTHON SOURCE_DIR BUILD_DIR WORK_DIR
set -euo pipefail
python=$1 source=$2 build=$3 work=$4
rm -rf "$work"
mkdir -p "$work/src"
cp -r "$source"/{setup.py,pyproject.toml,README.md,LICENSE,CMakeLists.txt,python} "$work/src/"
cd "$work"
unset PYTHONPATH
VEKDI_CMAKE_BUILD_DIR=$build "$python" -m pip wheel --quiet --no-build-isolation --no-deps --no-index \
  -w "$work/dist" "$work/src"
wheels=("$work"/dist/vekdi-*.whl)
echo "wheel: ${wheels[*]##*/}"
"$python" -m venv --system-site-packages "$work/venv"
"$work/venv/bin/pip" install --quiet --no-index --no-deps "${wheels[@]}"
installed=$("$work/venv/bin/python" -c 'import vekdi, sys; print(vekdi.__file__)')
case $installed in
  "$work/venv/"*) echo "imported from $installed" ;;
  *) echo "vekdi was imported from $installed, not from the venv" >&2; exit 1 ;;
esac
"$work/venv/bin/python" -m pytest -q -rs -p no:cacheprovider "$source/tests/python"
