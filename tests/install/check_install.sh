#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs a build tree into a fresh prefix and builds the example programs
# against it the ways users do. Usage:
#   check_install.sh BUILD_DIR WORK_DIR LIBDIR VERSION CC CXX PKG_CONFIG
set -euo pipefail
build=$1 work=$2 libdir=$3 version=$4 cc=$5 cxx=$6 pkgconfig=$7
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
examples=$(cd "$here/../../examples" && pwd)
prefix=$work/prefix

fail() { echo "check_install: $*" >&2; exit 1; }
step() { echo "check_install: $*"; }
# needs PROGRAM LIBRARY: whether the program loads the shared library.
needs() { readelf -d "$1" 2>/dev/null | grep -q "NEEDED.*\[$2"; }

rm -rf "$work"
mkdir -p "$work"
cmake --install "$build" --prefix "$prefix" >"$work/install.log"

step "installed files"
for f in include/vekdi.h include/vekdi.hpp include/vekdi_version.h include/vekdi_codes.h \
         "$libdir/libvekdi.so" "$libdir/libvekdi.a" "$libdir/libvekcore.so" "$libdir/libvekcore.a" \
         "$libdir/libvekdi-codes.so" "$libdir/libvekdi-codes.a" "$libdir/pkgconfig/vekdi-codes.pc" \
         "$libdir/pkgconfig/vekdi.pc" "$libdir/cmake/vekdi/vekdiConfig.cmake"; do
  [[ -e $prefix/$f ]] || fail "$f is not installed"
done
for f in vekcore.h allocator.h base/allocator.h; do
  [[ ! -e $prefix/include/$f ]] || fail "the allocator's fault-injection hooks ($f) are installed"
done
if grep -nE -- '-W(all|extra|error)' "$prefix/$libdir"/cmake/vekdi/*.cmake; then
  fail "exported targets carry warning flags"
fi
grep -q "VEKDI_VERSION_STRING \"$version\"" "$prefix/include/vekdi_version.h" || fail "vekdi_version.h does not say $version"

export PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig
[[ $("$pkgconfig" --modversion vekdi) == "$version" ]] || fail "pkg-config reports another version"

step "C, pkg-config, shared library"
# shellcheck disable=SC2046
"$cc" "$examples/demo.c" $("$pkgconfig" --cflags --libs vekdi) -Wl,-rpath,"$prefix/$libdir" -o "$work/c_shared"
needs "$work/c_shared" libvekdi || fail "c_shared does not load libvekdi"
"$work/c_shared" >"$work/c_shared.out"

step "C, pkg-config --static"
# shellcheck disable=SC2046
"$cc" "$examples/demo.c" $("$pkgconfig" --cflags vekdi) -static $("$pkgconfig" --static --libs vekdi) -o "$work/c_static"
needs "$work/c_static" libvekdi && fail "c_static loads libvekdi"
"$work/c_static" >"$work/c_static.out"

step "C-only CMake project, vekdi::vekdi_static"
cmake -S "$here/c_static" -B "$work/c_cmake" -DCMAKE_C_COMPILER="$cc" -DCMAKE_PREFIX_PATH="$prefix" \
      -DEXAMPLES="$examples" -DEXPECTED_VERSION="$version" >"$work/c_cmake.log"
cmake --build "$work/c_cmake" >>"$work/c_cmake.log"
needs "$work/c_cmake/consumer" libvekdi && fail "the static target's program loads libvekdi"
needs "$work/c_cmake/consumer" libvekcore && fail "the static target's program loads libvekcore"
"$work/c_cmake/consumer" >"$work/c_cmake.out"

step "C++20 CMake project, vekdi.hpp and vekdi::vekdi"
cmake -S "$here/cpp" -B "$work/cpp_cmake" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_PREFIX_PATH="$prefix" \
      -DEXAMPLES="$examples" -DEXPECTED_VERSION="$version" >"$work/cpp_cmake.log"
cmake --build "$work/cpp_cmake" >>"$work/cpp_cmake.log"
needs "$work/cpp_cmake/consumer" libvekdi || fail "the C++ program does not load libvekdi"
"$work/cpp_cmake/consumer" >"$work/cpp_cmake.out"

step "all consumers built and ran"
