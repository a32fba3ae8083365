#!/usr/bin/env python3
"""Checks the shipped reference pages: every link between them reaches an existing page and
anchor without leaving the reference folder, and libtidy reads every page as clean HTML 4.01
(no errors, no warnings). Usage: ReferencePages.py <reference folder>"""

import ctypes
import ctypes.util
import pathlib
import sys
import tempfile
from html.parser import HTMLParser
from urllib.parse import unquote, urlsplit


class PageScan(HTMLParser):
    """Collects the anchors a page offers and the references it makes."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.anchors, self.refs = set(), []

    def handle_starttag(self, tag, attrs):
        for name, value in attrs:
            if name == "id" or (tag == "a" and name == "name"):
                self.anchors.add(value)
            elif name in ("href", "src"):
                self.refs.append(value)


def scan(path):
    page = PageScan()
    page.feed(path.read_text(encoding="utf-8"))
    page.close()
    return page


def link_faults(root):
    pages = {p.resolve(): scan(p) for p in root.rglob("*.html")}
    faults = []
    for path, page in pages.items():
        for ref in page.refs:
            parts = urlsplit(ref)
            if parts.scheme or parts.netloc:
                faults.append(f"{path.name}: remote or absolute link {ref}")
                continue
            target = (path.parent / unquote(parts.path)).resolve() if parts.path else path
            if root.resolve() not in target.parents or not target.is_file():
                faults.append(f"{path.name}: no such file {ref}")
            elif parts.fragment and parts.fragment not in pages.get(target, PageScan()).anchors:
                faults.append(f"{path.name}: no anchor for {ref}")
    return faults


def tidy_faults(root):
    lib = ctypes.util.find_library("tidy")
    if not lib:
        print("libtidy not found; only the links were checked")
        return []
    tidy = ctypes.CDLL(lib)
    tidy.tidyCreate.restype = ctypes.c_void_p
    for fn in ("tidyOptParseValue", "tidySetErrorFile", "tidyParseFile", "tidyErrorCount",
               "tidyWarningCount", "tidyRelease"):
        getattr(tidy, fn).argtypes = [ctypes.c_void_p] + [ctypes.c_char_p] * {
            "tidyOptParseValue": 2, "tidySetErrorFile": 1, "tidyParseFile": 1}.get(fn, 0)
    faults = []
    with tempfile.TemporaryDirectory() as tmp:
        for path in sorted(root.rglob("*.html")):
            report = pathlib.Path(tmp, path.name + ".txt")
            doc = tidy.tidyCreate()
            tidy.tidyOptParseValue(doc, b"show-info", b"no")
            tidy.tidySetErrorFile(doc, str(report).encode())
            tidy.tidyParseFile(doc, str(path).encode())
            unclean = tidy.tidyErrorCount(doc) or tidy.tidyWarningCount(doc)
            tidy.tidyRelease(doc)  # also closes the report file
            if unclean:
                faults.append(f"{path.name}:\n{report.read_text(errors='replace')}")
    return faults


def main():
    root = pathlib.Path(sys.argv[1])
    pages = list(root.rglob("*.html"))
    faults = ([] if pages else [f"no pages in {root}"]) + link_faults(root) + tidy_faults(root)
    for fault in faults:
        print(fault)
    print(f"{len(pages)} pages, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
