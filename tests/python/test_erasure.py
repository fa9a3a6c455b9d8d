# SPDX-License-Identifier: Apache-2.0
"""vekdi.ErasureCode: round trips per matrix, NumPy rows without copies,
update and check, bad input, and zfec's shares where python3-zfec is installed."""

import numpy as np
import pytest

import vekdi

MATRICES = ["reed-solomon", "isal-vandermonde", "isal-cauchy", "jerasure-vandermonde", "zfec"]


@pytest.mark.parametrize("matrix", MATRICES)
def test_encode_and_reconstruct_any_m_lost(matrix):
    rng = np.random.default_rng(1)
    code = vekdi.ErasureCode(6, 3, matrix=matrix)
    data = [bytes(rng.integers(0, 256, 1001, dtype=np.uint8)) for _ in range(6)]
    parity = code.encode(data)
    assert len(parity) == 3 and all(len(p) == 1001 for p in parity)
    shards = data + parity
    assert code.check(shards)
    damaged = list(shards)
    for i in (0, 4, 7):
        damaged[i] = None
    assert code.reconstruct(damaged) == shards


def test_numpy_rows_are_written_in_place():
    rng = np.random.default_rng(2)
    code = vekdi.ErasureCode(4, 2, matrix="isal-cauchy")
    data = rng.integers(0, 256, (4, 777), dtype=np.uint8)
    parity = np.zeros((2, 777), dtype=np.uint8)
    code.encode_into(data, parity)
    assert [bytes(row) for row in parity] == code.encode(data)
    # Incremental encoding: from zeroed parity, one update per data shard.
    again = np.zeros((2, 777), dtype=np.uint8)
    for j in range(4):
        code.update(j, data[j], again)
    assert np.array_equal(again, parity)
    assert code.check(np.vstack([data, parity]))
    parity[1, 776] ^= 1
    assert not code.check(np.vstack([data, parity]))


def test_bad_input_and_singular_survivors():
    with pytest.raises(vekdi.Error):
        vekdi.ErasureCode(200, 56)
    with pytest.raises(vekdi.Error):
        vekdi.ErasureCode(4, 2, matrix="cauchy")
    code = vekdi.ErasureCode(4, 2)
    with pytest.raises(vekdi.Error):
        code.encode([b"ab"] * 3)
    with pytest.raises(vekdi.Error):
        code.encode([b"ab", b"ab", b"ab", b"abc"])
    with pytest.raises(vekdi.Error):
        code.reconstruct([None, None, None, b"x", b"y", b"z"])
    same = vekdi.ErasureCode.from_matrix(2, 2, bytes([1, 1, 1, 1]))
    with pytest.raises(vekdi.Error, match="singular"):
        same.reconstruct([None, None, b"\x05", b"\x05"])


def test_zfec_shares_are_byte_identical():
    rng = np.random.default_rng(3)
    zfec = pytest.importorskip("zfec")
    k, n = 5, 9
    blocks = [bytes(rng.integers(0, 256, 300, dtype=np.uint8)) for _ in range(k)]
    want = zfec.Encoder(k, n).encode(blocks, list(range(k, n)))
    assert vekdi.ErasureCode(k, n - k, matrix="zfec").encode(blocks) == [bytes(s) for s in want]
