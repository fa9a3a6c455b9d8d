# SPDX-License-Identifier: Apache-2.0
"""vekdi.zfec: round trips from any k shares, the same shares, padding and
exception types as python3-zfec (where installed), and an Error where zfec
1.5.2 returns wrong bytes, hangs or crashes."""

import array
import random

import pytest

import vekdi.zfec as vz
from vekdi.zfec import easyfec

SHAPES = [(1, 1), (1, 4), (3, 3), (4, 7), (10, 14), (17, 256), (256, 256)]


def blocks_of(rng, k, length):
    return [rng.randbytes(length) for _ in range(k)]


@pytest.mark.parametrize("k,m", SHAPES)
def test_any_k_distinct_shares_rebuild_the_blocks(k, m):
    rng = random.Random(k * 1000 + m)
    blocks = blocks_of(rng, k, 301)
    shares = vz.Encoder(k, m).encode(blocks)
    assert len(shares) == m and all(s is b for s, b in zip(shares, blocks))
    decoder = vz.Decoder(k, m)
    for _ in range(4):
        numbers = rng.sample(range(m), k)
        out = decoder.decode([shares[n] for n in numbers], numbers)
        assert out == blocks
        assert all(out[n] is shares[n] for n in numbers if n < k)
    wanted = rng.choices(range(m), k=5)
    assert vz.Encoder(k, m).encode(tuple(blocks), wanted) == [shares[n] for n in wanted]


def test_blocks_of_any_buffer_type_and_length():
    rng = random.Random(7)
    enc, dec = vz.Encoder(3, 5), vz.Decoder(3, 5)
    assert enc.encode([b"", b"", b""]) == [b""] * 5
    words = array.array("I", rng.randbytes(40))
    mixed = [bytearray(rng.randbytes(40)), memoryview(words), rng.randbytes(40)]
    shares = enc.encode(iter(mixed))
    flat = [bytes(mixed[0]), words.tobytes(), mixed[2]]
    assert enc.encode(flat)[3:] == shares[3:]
    assert dec.decode([memoryview(shares[4]), bytearray(shares[3]), shares[0]], [4, 3, 0]) == flat


@pytest.mark.parametrize("length", [0, 1, 9, 10, 11, 1000])
def test_easyfec_pads_to_k_blocks_and_strips_it(length):
    rng = random.Random(length)
    data = rng.randbytes(length)
    shares = easyfec.Encoder(3, 6).encode(data)
    size = -(-length // 3)
    assert [len(s) for s in shares] == [size] * 6 and b"".join(shares[:3]) == data + bytes(3 * size - length)
    padlen = 3 * size - length
    assert easyfec.Decoder(3, 6).decode(shares[3:], [3, 4, 5], padlen) == data
    assert easyfec.Decoder(3, 6).decode(shares[:3], [0, 1, 2], None) == b"".join(shares[:3])


def test_shares_and_decodes_match_python3_zfec():
    zfec = pytest.importorskip("zfec")
    rng = random.Random(25)
    for k, m in SHAPES + [(2, 3), (8, 20), (100, 200)]:
        blocks = blocks_of(rng, k, rng.choice([1, 77, 4096]))
        want = zfec.Encoder(k, m).encode(blocks)
        assert vz.Encoder(k, m).encode(blocks) == [bytes(s) for s in want]
        numbers = rng.sample(range(m), k)
        shares = [want[n] for n in numbers]
        if k < 256:  # zfec's Decoder crashes the interpreter at k = 256
            theirs = zfec.Decoder(k, m).decode(list(shares), numbers)  # zfec reorders the list it is given
            assert vz.Decoder(k, m).decode(shares, numbers) == [bytes(b) for b in theirs]
        wanted = rng.sample(range(m), min(m, 3))
        assert vz.Encoder(k, m).encode(blocks, wanted) == [bytes(s) for s in zfec.Encoder(k, m).encode(blocks, wanted)]
    for length in (0, 5, 1001):
        data = rng.randbytes(length)
        want = zfec.easyfec.Encoder(5, 8).encode(data)
        assert easyfec.Encoder(5, 8).encode(data) == want
        padlen = 5 * len(want[0]) - length
        assert easyfec.Decoder(5, 8).decode(want[3:], range(3, 8), padlen) == data


# Bad input zfec itself rejects safely: (call on a module, exception type).
BAD_INPUT = [
    (lambda z: z.Encoder(0, 3), "Error"),
    (lambda z: z.Encoder(4, 3), "Error"),
    (lambda z: z.Decoder(1, 257), "Error"),
    (lambda z: z.Decoder(2, 0), "Error"),
    (lambda z: z.Encoder(2.0, 3), TypeError),
    (lambda z: z.Encoder(2**31, 3), OverflowError),
    (lambda z: z.Decoder(2, -(2**31) - 1), OverflowError),
    (lambda z: z.Encoder(2, 3).encode([b"ab"]), "Error"),
    (lambda z: z.Encoder(2, 3).encode([b"ab", b"abc"]), "Error"),
    (lambda z: z.Encoder(2, 3).encode(["ab", "cd"]), "Error"),
    (lambda z: z.Encoder(2, 3).encode(None), TypeError),
    (lambda z: z.Encoder(2, 3).encode([b"ab", b"cd"], 2), TypeError),
    (lambda z: z.Encoder(2, 3).encode([b"ab", b"cd"], [2.0]), "Error"),
    (lambda z: z.Decoder(2, 3).decode([b"ab"], [0]), "Error"),
    (lambda z: z.Decoder(2, 3).decode([b"ab", b"cd"], [0, 1, 2]), "Error"),
    (lambda z: z.Decoder(2, 3).decode([b"ab", b"c"], [0, 2]), "Error"),
    (lambda z: z.Decoder(2, 3).decode([b"ab", b"cd"], [0, "1"]), "Error"),
    (lambda z: z.Decoder(2, 3).decode([b"ab", b"cd"], [0, 256]), "Error"),
    (lambda z: z.Decoder(2, 3).decode([b"ab", b"cd"], None), TypeError),
    (lambda z: z.easyfec.Encoder(2, 3).encode("text"), TypeError),
    (lambda z: z.easyfec.Decoder(2, 3).decode([b"ab", b"cd"], [0, 1], 1.5), TypeError),
]


def test_bad_input_raises_zfecs_exception_types():
    try:
        import zfec
    except ImportError:
        zfec = None
    for call, kind in BAD_INPUT:
        want = vz.Error if kind == "Error" else kind
        with pytest.raises(want) as raised:
            call(vz)
        assert type(raised.value) is want
        if zfec is not None:
            theirs = zfec.Error if kind == "Error" else kind
            with pytest.raises(theirs):
                call(zfec)


def test_where_zfec_misbehaves_vekdi_raises_error():
    enc, dec = vz.Encoder(2, 4), vz.Decoder(2, 4)
    shares = enc.encode([b"ab", b"cd"])
    for numbers in ([2, 2], [0, 0], [0, 4], [1, 255], [0, -1]):
        with pytest.raises(vz.Error):
            dec.decode([shares[0], shares[2]], numbers)
    given, numbers = [shares[3], shares[1]], [3, 1]
    assert dec.decode(given, numbers) == [b"ab", b"cd"] and given == [shares[3], shares[1]]
    for wanted in ([4], [-1], [2**70]):
        with pytest.raises(vz.Error):
            enc.encode([b"ab", b"cd"], wanted)
    blocks = easyfec.Encoder(2, 4).encode(b"abc")
    for padlen in (-1, 5):
        with pytest.raises(vz.Error):
            easyfec.Decoder(2, 4).decode(blocks[2:], [2, 3], padlen)
