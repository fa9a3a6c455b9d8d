# SPDX-License-Identifier: Apache-2.0
#
# The documentation site (VEKDI_BUILD_DOCS, the docs preset): Doxygen reads
# the public headers into XML, Sphinx renders docs/ with breathe (the C and
# C++ references from that XML), myst-parser (the Markdown pages) and autodoc
# (the Python reference, imported from the module this configuration builds).
# Warnings of either stop the build. The test vekdi_docs_site opens the result
# offline in headless Chromium and runs an offline link check on it.
#
# Everything comes from Debian; a missing package stops the configuration with
# the list to install.

set(vekdi_docs_missing "")
find_program(VEKDI_DOXYGEN doxygen)
if(NOT VEKDI_DOXYGEN)
  list(APPEND vekdi_docs_missing doxygen)
endif()
foreach(pair "sphinx;python3-sphinx" "breathe;python3-breathe" "myst_parser;python3-myst-parser")
  list(GET pair 0 module)
  list(GET pair 1 package)
  execute_process(COMMAND ${Python3_EXECUTABLE} -c "import ${module}" RESULT_VARIABLE vekdi_docs_no_module
                  OUTPUT_QUIET ERROR_QUIET)
  if(vekdi_docs_no_module)
    list(APPEND vekdi_docs_missing ${package})
  endif()
endforeach()
find_program(VEKDI_CHROMIUM chromium)
if(NOT VEKDI_CHROMIUM)
  list(APPEND vekdi_docs_missing chromium)
endif()
find_program(VEKDI_LINKCHECKER linkchecker)
if(NOT VEKDI_LINKCHECKER)
  list(APPEND vekdi_docs_missing linkchecker)
endif()
if(vekdi_docs_missing)
  list(JOIN vekdi_docs_missing " " vekdi_docs_missing)
  message(FATAL_ERROR "The documentation site needs these Debian packages, which are missing: "
                      "${vekdi_docs_missing} (apt-get install ${vekdi_docs_missing})")
endif()
if(NOT TARGET vekdi_python)
  message(FATAL_ERROR "The documentation site needs the Python module for its Python reference "
                      "(VEKDI_BUILD_PYTHON=ON, Debian: python3-dev pybind11-dev)")
endif()

set(VEKDI_DOCS_DIR ${CMAKE_BINARY_DIR}/site)
configure_file(${PROJECT_SOURCE_DIR}/cmake/Doxyfile.in ${VEKDI_DOCS_DIR}/Doxyfile @ONLY)

file(GLOB vekdi_docs_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.md ${PROJECT_SOURCE_DIR}/docs/*.py
     ${PROJECT_SOURCE_DIR}/docs/api/*.md)
add_custom_command(
  OUTPUT ${VEKDI_DOCS_DIR}/doxygen/xml/index.xml
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${VEKDI_DOCS_DIR}/doxygen
  COMMAND ${VEKDI_DOXYGEN} ${VEKDI_DOCS_DIR}/Doxyfile
  DEPENDS ${PROJECT_SOURCE_DIR}/include/vekdi.h ${PROJECT_SOURCE_DIR}/include/vekdi.hpp
          ${VEKDI_DOCS_DIR}/Doxyfile
  COMMENT "Doxygen: the C and C++ headers to XML"
  VERBATIM)
# A full rebuild each time (-E): the page set is small, and an incremental
# Sphinx build would not repeat the warnings of unchanged pages.
add_custom_command(
  OUTPUT ${VEKDI_DOCS_DIR}/html/index.html
  COMMAND ${CMAKE_COMMAND} -E env VEKDI_DOXYGEN_XML=${VEKDI_DOCS_DIR}/doxygen/xml
          VEKDI_PYTHON_PATH=${CMAKE_BINARY_DIR}/python PYTHONDONTWRITEBYTECODE=1
          ${Python3_EXECUTABLE} -m sphinx -b html -E -W --keep-going -q
          -d ${VEKDI_DOCS_DIR}/doctrees ${PROJECT_SOURCE_DIR}/docs ${VEKDI_DOCS_DIR}/html
  DEPENDS ${VEKDI_DOCS_DIR}/doxygen/xml/index.xml ${vekdi_docs_sources} vekdi_python
          ${PROJECT_SOURCE_DIR}/python/vekdi/__init__.py ${PROJECT_SOURCE_DIR}/python/vekdi/reedsolo.py
  COMMENT "Sphinx: the documentation site in ${VEKDI_DOCS_DIR}/html"
  VERBATIM)
add_custom_target(vekdi_docs ALL DEPENDS ${VEKDI_DOCS_DIR}/html/index.html)

add_test(NAME vekdi_docs_site
         COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/docs/check_site.py
                 --site ${VEKDI_DOCS_DIR}/html --chromium ${VEKDI_CHROMIUM} --linkchecker ${VEKDI_LINKCHECKER})
set_tests_properties(vekdi_docs_site PROPERTIES TIMEOUT 300 ENVIRONMENT "PYTHONDONTWRITEBYTECODE=1")
