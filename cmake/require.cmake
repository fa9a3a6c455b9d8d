# SPDX-License-Identifier: Apache-2.0
# What a configuration does when a part its tests need is missing (the tool's
# headers, the Python module's packages, pytest, mypy, a peer library the
# comparison tests run against). By default the part is left out with one
# status line. With VEKDI_REQUIRE_ALL (the release preset) configuring fails
# and names the Debian package, so the README's test command never passes
# having skipped a part; a part turned off explicitly (VEKDI_BUILD_TOOL=OFF,
# VEKDI_BUILD_PYTHON=OFF, VEKDI_PEERS=OFF) stays off.
option(VEKDI_REQUIRE_ALL "Fail to configure when a part the tests need is missing" OFF)
option(VEKDI_PEERS "Build the comparisons with peer libraries (libfec, ISA-L, Jerasure, zfec) where they are found" ON)

# vekdi_missing(WHAT PACKAGES): WHAT is not built or tested because
# PACKAGES (Debian) are missing.
function(vekdi_missing what packages)
  if(VEKDI_REQUIRE_ALL)
    message(FATAL_ERROR "${what}: needs the Debian packages ${packages} "
                        "(install them with .ci/packages, or turn the part off explicitly)")
  endif()
  message(STATUS "${what}: not built (needs the Debian packages ${packages})")
endfunction()
