# SPDX-License-Identifier: Apache-2.0
# Sphinx configuration of the documentation site. Built by the docs preset
# (cmake/docs.cmake), which passes the Doxygen XML folder and the folder the
# Python package was assembled in through the environment.
import os
import sys

xml = os.environ.get("VEKDI_DOXYGEN_XML")
python_path = os.environ.get("VEKDI_PYTHON_PATH")
if not xml or not python_path:
    sys.exit("docs/conf.py: build the site with the docs preset: cmake --workflow --preset docs")
sys.path.insert(0, python_path)

import vekdi  # noqa: E402  (the module this configuration built)

project = "vekdi"
author = "the vekdi developers"
copyright = "the vekdi developers, Apache-2.0"
version = release = vekdi.__version__

extensions = ["myst_parser", "breathe", "sphinx.ext.autodoc"]
source_suffix = {".md": "markdown"}
exclude_patterns = []
myst_heading_anchors = 3

breathe_projects = {"vekdi": xml}
breathe_default_project = "vekdi"
breathe_domain_by_extension = {"h": "c", "hpp": "cpp"}
breathe_default_members = ("members",)

# Literal blocks without a language (the docstrings' parameter tables) are
# plain text; fenced blocks in the Markdown pages name theirs.
highlight_language = "none"

autodoc_member_order = "bysource"
autodoc_typehints = "signature"

html_theme = "alabaster"
html_title = f"vekdi {release}"
html_show_sourcelink = False
html_static_path = []
