# SPDX-License-Identifier: Apache-2.0
"""Opens the documentation site offline in headless Chromium and checks it.

- The front page and the C, C++ and Python reference pages render with their
  headings (read from the DOM Chromium built, so the pages parsed and their
  scripts ran), and each reference page holds the entries generated from the
  headers or docstrings.
- A screenshot of the front page is not blank (more than one colour).
- linkchecker finds no broken link inside the site (links leaving the site
  are not followed), and every #fragment a page links to exists on its
  target page.
"""

import argparse
import html.parser
import os
import struct
import subprocess
import sys
import tempfile
import urllib.parse
import zlib

# page -> (headings that must be on it, ids of generated entries that must be on it)
PAGES = {
    "index.html": (["vekdi documentation"], []),
    "api/c.html": (["C API reference"], ["c.veksRSDecodeBM_8u", "c.VekdiLibVersion", "c.vekdiStatusText"]),
    "api/cpp.html": (["C++ API reference"],
                     ["vekdi::ReedSolomon", "vekdi::CodeOptions::dualBasis__b",
                      "vekdi::Field"]),
    "api/python.html": (["Python API reference", "The vekdi package", "vekdi.reedsolo"],
                        ["vekdi.ReedSolomon.decode", "vekdi.reedsolo.RSCodec"]),
}

CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                  "--disable-component-update", "--disable-sync", "--no-first-run", "--hide-scrollbars"]


class Dom(html.parser.HTMLParser):
    """Collects the text of h1 ... h6 and every id."""

    def __init__(self):
        super().__init__()
        self.headings, self.ids, self._depth, self._text = [], set(), 0, []

    def handle_starttag(self, tag, attrs):
        for name, value in attrs:
            if name == "id" and value:
                self.ids.add(value)
        if tag in ("h1", "h2", "h3", "h4", "h5", "h6"):
            self._depth += 1
            self._text = []

    def handle_endtag(self, tag):
        if tag in ("h1", "h2", "h3", "h4", "h5", "h6") and self._depth:
            self._depth -= 1
            # Sphinx ends each heading with a pilcrow permalink.
            self.headings.append(" ".join("".join(self._text).replace("\u00b6", "").split()))

    def handle_data(self, data):
        if self._depth:
            self._text.append(data)


class Links(html.parser.HTMLParser):
    """Collects the ids and names a page defines and the hrefs and srcs it uses."""

    def __init__(self):
        super().__init__()
        self.anchors, self.targets = set(), []

    def handle_starttag(self, tag, attrs):
        for name, value in attrs:
            if name in ("id", "name") and value and not (tag == "meta" and name == "name"):
                self.anchors.add(value)
            elif name in ("href", "src") and value:
                self.targets.append(value)


def broken_anchors(site):
    """Links from one page of the site to a #fragment that its target page lacks.

    linkchecker checks that every linked file exists; its anchor check fetches
    a page again for every fragment (minutes for this site), so fragments are
    checked here, from the files."""
    pages = {}
    for folder, _, files in os.walk(site):
        for name in files:
            if name.endswith(".html"):
                path = os.path.join(folder, name)
                parser = Links()
                with open(path, encoding="utf-8") as f:
                    parser.feed(f.read())
                pages[os.path.normpath(path)] = parser
    broken = []
    for path, page in sorted(pages.items()):
        for target in page.targets:
            if "#" not in target or urllib.parse.urlsplit(target).scheme:
                continue
            file_part, fragment = target.split("#", 1)
            if not fragment:
                continue
            linked = os.path.normpath(os.path.join(os.path.dirname(path), urllib.parse.unquote(file_part))) \
                if file_part else path
            if linked not in pages:
                broken.append(f"{os.path.relpath(path, site)}: {target}: no such page")
            elif urllib.parse.unquote(fragment) not in pages[linked].anchors:
                broken.append(f"{os.path.relpath(path, site)}: {target}: no such anchor")
    return broken, len(pages)


def chromium(binary, *args):
    with tempfile.TemporaryDirectory(prefix="vekdi-docs-chromium-") as profile:
        run = subprocess.run([binary, *CHROMIUM_FLAGS, f"--user-data-dir={profile}", *args],
                             capture_output=True, text=True, timeout=120, cwd=profile)
    if run.returncode != 0:
        raise SystemExit(f"chromium {' '.join(args)} failed ({run.returncode}):\n{run.stderr[-3000:]}")
    return run.stdout


def png_colours(path):
    """The set of distinct pixels of an 8-bit RGB or RGBA, non-interlaced PNG."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit(f"{path} is not a PNG")
    pos, idat, header = 8, [], None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat.append(body)
        pos += 12 + length
    width, height, depth, colour_type, _, _, interlace = header
    if depth != 8 or colour_type not in (2, 6) or interlace:
        raise SystemExit(f"{path}: unexpected PNG format {header}")
    bpp = 3 if colour_type == 2 else 4
    raw = zlib.decompress(b"".join(idat))
    stride = width * bpp
    previous = bytearray(stride)
    colours = set()
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            left = line[i - bpp] if i >= bpp else 0
            up = previous[i]
            upper_left = previous[i - bpp] if i >= bpp else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + ((left + up) >> 1)) & 0xFF
            elif kind == 4:
                p = left + up - upper_left
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - upper_left)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else upper_left)) & 0xFF
            elif kind != 0:
                raise SystemExit(f"{path}: bad PNG filter {kind} in row {y}")
        colours.update(bytes(line[i:i + bpp]) for i in range(0, stride, bpp))
        previous = line
    return width, height, colours


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--site", required=True)
    parser.add_argument("--chromium", required=True)
    parser.add_argument("--linkchecker", required=True)
    options = parser.parse_args()
    site = os.path.abspath(options.site)
    failures = []

    for page, (headings, ids) in PAGES.items():
        path = os.path.join(site, page)
        if not os.path.isfile(path):
            failures.append(f"{page}: missing (build the docs target first)")
            continue
        dom = Dom()
        dom.feed(chromium(options.chromium, "--dump-dom", "file://" + path))
        for heading in headings:
            if heading not in dom.headings:
                failures.append(f"{page}: no heading '{heading}' (headings: {dom.headings})")
        for entry in ids:
            if entry not in dom.ids:
                failures.append(f"{page}: no generated entry with id '{entry}'")

    with tempfile.TemporaryDirectory(prefix="vekdi-docs-shot-") as folder:
        shot = os.path.join(folder, "front.png")
        chromium(options.chromium, f"--screenshot={shot}", "--window-size=1024,768",
                 "file://" + os.path.join(site, "index.html"))
        width, height, colours = png_colours(shot)
        if len(colours) < 2:
            failures.append(f"the front page's screenshot ({width}x{height}) is blank: {len(colours)} colour")

    # Only the site's own files are checked (linkchecker's default for a
    # file:// start URL); https: and the like are listed, never fetched.
    with tempfile.TemporaryDirectory(prefix="vekdi-docs-links-") as home:
        config = os.path.join(home, "linkcheckerrc")
        with open(config, "w") as f:
            f.write("[filtering]\nignore=\n  ^https?:\n  ^mailto:\n")
        run = subprocess.run([options.linkchecker, "--config", config, "--no-status", "--no-warnings",
                              "--recursion-level=-1", "file://" + os.path.join(site, "index.html")],
                             capture_output=True, text=True, timeout=240, cwd=home,
                             env={**os.environ, "HOME": home})
        if run.returncode != 0:
            failures.append(f"linkchecker found broken links ({run.returncode}):\n{run.stdout[-6000:]}{run.stderr[-2000:]}")
        elif "0 errors found" not in run.stdout:
            failures.append(f"linkchecker's report is not clean:\n{run.stdout[-6000:]}")

    broken, page_count = broken_anchors(site)
    failures += broken
    if page_count < len(PAGES):
        failures.append(f"only {page_count} HTML pages in {site}")

    if failures:
        print("\n".join(failures))
        return 1
    print(f"site {site}: {len(PAGES)} pages with their headings, screenshot with {len(colours)} colours, "
          f"links and anchors of {page_count} pages sound")
    return 0


if __name__ == "__main__":
    sys.exit(main())
