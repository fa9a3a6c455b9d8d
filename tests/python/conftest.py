# SPDX-License-Identifier: Apache-2.0
"""Shared helpers of the Python tests (run by ctest as `vekdi_python`, with the
module's build folder on PYTHONPATH)."""

import os
import random

import pytest


@pytest.fixture
def rng():
    return random.Random(1234)


def damage(word, positions, rng, top=256):
    """A copy of word with a different symbol (below top) at each position."""
    word = bytearray(word)
    for p in positions:
        word[p] ^= rng.randrange(1, top)
    return word


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    """With VEKDI_NO_SKIPS=1 (configurations that require every part) a
    skipped test fails: a skip there means something went untested."""
    outcome = yield
    report = outcome.get_result()
    if report.skipped and os.environ.get("VEKDI_NO_SKIPS") == "1":
        report.outcome = "failed"
        report.longrepr = f"skipped where every part is required: {report.longrepr}"
