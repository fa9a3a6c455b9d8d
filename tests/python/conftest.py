# SPDX-License-Identifier: Apache-2.0
"""Shared helpers of the Python tests (run by ctest as `vekdi_python`, with the
module's build folder on PYTHONPATH)."""

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
