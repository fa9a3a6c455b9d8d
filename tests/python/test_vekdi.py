# SPDX-License-Identifier: Apache-2.0
"""vekdi.Field and vekdi.ReedSolomon: codes of several fields and lengths,
inputs through the buffer protocol, many-word calls, threads."""

import re
import threading
from pathlib import Path

import pytest

import vekdi
from conftest import damage


def reference_mul(a, b, polynomial):
    product = 0
    while b:
        if b & 1:
            product ^= a
        b >>= 1
        a <<= 1
        if a & (1 << (polynomial.bit_length() - 1)):
            a ^= polynomial
    return product


def test_version_is_the_package_version():
    cmake = (Path(__file__).parents[2] / "CMakeLists.txt").read_text()
    assert vekdi.__version__ == re.search(r"project\(vekdi VERSION ([0-9.]+)", cmake).group(1)


@pytest.mark.parametrize("polynomial", [0x3, 0x13, 0x11D, 0x11B])
def test_field_arithmetic(polynomial, rng):
    field = vekdi.Field(polynomial)
    order = 1 << (polynomial.bit_length() - 1)
    assert (field.m, field.order, field.polynomial) == (polynomial.bit_length() - 1, order, polynomial)
    for _ in range(200):
        a, b = rng.randrange(order), rng.randrange(1, order)
        assert field.mul(a, b) == reference_mul(a, b, polynomial)
        assert field.mul(field.div(a, b), b) == a and field.mul(b, field.inv(b)) == 1
        assert field.add(a, b) == a ^ b and field.exp(field.log(b)) == b
        assert field.pow(b, -3) == field.inv(field.mul(b, field.mul(b, b)))
    assert vekdi.Field(0x11B).alpha == 3  # 0x11B is irreducible, not primitive: x has order 51
    with pytest.raises(ZeroDivisionError):
        field.div(1, 0)
    with pytest.raises(vekdi.Error):
        field.mul(order, 1)
    with pytest.raises(vekdi.Error):
        field.log(0)
    with pytest.raises(ValueError):  # vekdi.Error is a ValueError
        vekdi.Field(0x11F)


# (n, k, polynomial, fcr, root_step): full and shortened codes over several fields.
CODES = [(255, 223, 0x11D, 1, 1), (204, 188, 0x11D, 0, 1), (40, 30, 0x11B, 1, 1), (15, 9, 0x13, 1, 1),
         (31, 20, 0x25, 3, 1), (7, 3, 0xB, 1, 1), (120, 100, 0x11D, 5, 7), (255, 239, 0x187, 112, 11)]


@pytest.mark.parametrize("n,k,polynomial,fcr,step", CODES)
def test_round_trip_at_capacity_reports_positions(n, k, polynomial, fcr, step, rng):
    code = vekdi.ReedSolomon(n, k, polynomial=polynomial, fcr=fcr, root_step=step)
    top = code.field.order
    assert (code.n, code.k, code.parity_count, code.correction_capacity) == (n, k, n - k, (n - k) // 2)
    for _ in range(30):
        message = bytes(rng.randrange(top) for _ in range(k))
        word = code.encode(message)
        assert word[:k] == message and code.parity(message) == word[k:] and code.check(word)
        erasures = sorted(rng.sample(range(n), rng.randrange(n - k + 1)))
        errors = sorted(rng.sample([p for p in range(n) if p not in erasures], (n - k - len(erasures)) // 2))
        received = damage(word, errors, rng, top)
        for p in erasures:
            received[p] = rng.randrange(top)
        result = code.decode(bytes(received), erasures=erasures + erasures[:1],
                             algorithm=rng.choice(["bm", "euclid"]))
        assert result.codeword == word and result.message == message and bytes(result) == word
        assert result.error_positions == errors and result.erasure_positions == erasures
        assert result.corrected == sum(a != b for a, b in zip(word, received))


def test_overloaded_words_fail_or_give_a_codeword(rng):
    code = vekdi.ReedSolomon(60, 50)  # shortened: a "correction" in the padding is a failure
    word = code.encode(bytes(50))
    for _ in range(200):
        received = damage(word, rng.sample(range(60), 6 + rng.randrange(10)), rng)
        before = bytes(received)
        try:
            result = code.decode_in_place(received)
        except vekdi.DecodeError:
            assert received == before and not code.check(received)
            continue
        assert code.check(received) and len(result.error_positions) <= 5


def test_inputs_outputs_and_bad_arguments():
    numpy = pytest.importorskip("numpy")
    code = vekdi.ReedSolomon(255, 223)
    message = bytes(range(223))
    word = code.encode(message)
    for source in (message, bytearray(message), memoryview(message), numpy.frombuffer(message, numpy.uint8)):
        assert code.encode(source) == word
    target = numpy.zeros(255, numpy.uint8)
    code.encode_into(message, target)
    assert target.tobytes() == word
    target[[3, 100]] ^= 7
    result = code.decode_in_place(target)
    assert result.codeword is target and target.tobytes() == word and result.error_positions == [3, 100]
    with pytest.raises(TypeError):
        code.decode_in_place(word)  # bytes are read-only
    with pytest.raises(TypeError):
        code.encode(numpy.zeros(446, numpy.uint8)[::2])  # not contiguous
    with pytest.raises(TypeError):
        code.encode(numpy.zeros(223, numpy.uint16))
    with pytest.raises(vekdi.Error, match="223"):
        code.encode(message[:-1])
    for short in (word[:-1], b""):
        with pytest.raises(vekdi.Error, match="codeword"):
            code.decode(short)
    with pytest.raises(vekdi.Error, match="erasures"):
        code.decode(word, erasures=[255])
    with pytest.raises(vekdi.Error, match="algorithm"):
        code.decode(word, algorithm="fast")
    with pytest.raises(vekdi.Error):
        vekdi.ReedSolomon(16, 9, polynomial=0x13)  # longer than GF(16) allows
    with pytest.raises(vekdi.Error, match="GF\\(16\\)"):
        vekdi.ReedSolomon(15, 9, polynomial=0x13).encode(bytes([16] * 9))
    with pytest.raises(vekdi.Error):
        vekdi.ReedSolomon(255, 223, root_step=5)  # 5 divides 255
    ccsds = vekdi.ReedSolomon.ccsds()
    assert ccsds.decode(damage(ccsds.encode(message), [0, 254], __import__("random").Random(1))).codeword \
        == ccsds.encode(message)


def test_many_words_and_threads(rng):
    numpy = pytest.importorskip("numpy")
    code = vekdi.ReedSolomon(255, 239)
    messages = numpy.frombuffer(bytes(rng.randrange(256) for _ in range(64 * 239)), numpy.uint8).reshape(64, 239)
    words = code.encode_blocks(messages)
    assert words == b"".join(code.encode(m) for m in messages)
    received = bytearray(words)
    for w in range(64):
        for p in rng.sample(range(255), 8 if w % 10 else 9):  # words 0, 10, ... are beyond capacity
            received[w * 255 + p] ^= rng.randrange(1, 256)
    expected_failed = list(range(0, 64, 10))

    results = [None] * 4

    def decode(slot):
        results[slot] = code.decode_blocks(received)

    threads = [threading.Thread(target=decode, args=(i,)) for i in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for result in results:
        assert result.words == 64 and result.failed == expected_failed and not result
        assert result.corrected == 8 * (64 - len(expected_failed))
        for w in range(64):
            block = result.codewords[w * 255:(w + 1) * 255]
            assert block == (received[w * 255:(w + 1) * 255] if w in expected_failed else words[w * 255:(w + 1) * 255])

    in_place = numpy.frombuffer(bytearray(received), numpy.uint8).copy().reshape(64, 255)
    summary = code.decode_blocks_in_place(in_place)
    assert summary.failed == expected_failed and in_place.tobytes() == results[0].codewords
    out = bytearray(64 * 255)
    code.encode_blocks_into(messages, out)
    assert out == words

    # Erasures per word: 16 symbols changed and listed (all 16 parity symbols'
    # worth); half of word 3's are not listed, which puts it beyond capacity.
    erased = bytearray(words)
    lists = [rng.sample(range(255), 16) for _ in range(64)]
    for w, positions in enumerate(lists):
        for p in positions:
            erased[w * 255 + p] ^= 0xFF
    lists[3] = lists[3][:8]
    result = code.decode_blocks(erased, erasures=lists)
    assert result.failed == [3] and result.corrected == 16 * 63
    assert result.codewords[:3 * 255] == words[:3 * 255] and result.codewords[4 * 255:] == words[4 * 255:]
    with pytest.raises(ValueError):
        code.decode_blocks(erased, erasures=lists[:63])
    with pytest.raises(vekdi.Error):
        code.decode_blocks(erased, erasures=[[255]] + lists[1:])

def test_code_options_shortened_ccsds_and_repr(rng):
    message = bytes((i * 7 + 3) % 256 for i in range(168))
    # libfec's encode_rs_ccsds with pad = 55 gives these parity bytes.
    shortened = vekdi.ReedSolomon.ccsds(200, 168)
    assert shortened.parity(message).hex() == (
        "c4a0e234009b4f369012de9ca23308225ec285877caf213b3c37960f2f38b689")
    assert vekdi.ReedSolomon.ccsds().encode(bytes(55) + message)[55:] == shortened.encode(message)
    assert (vekdi.ReedSolomon.ccsds(255, 239).fcr, shortened.dual_basis) == (120, True)
    with pytest.raises(vekdi.Error, match="even"):
        vekdi.ReedSolomon.ccsds(255, 224)

    field = vekdi.Field(0x11D)
    by_root = vekdi.ReedSolomon(255, 223, root=field.exp(5 * 7), root_step=7)
    assert by_root.root == field.exp(35) and by_root.encode(message + bytes(55)) == \
        vekdi.ReedSolomon(255, 223, fcr=5, root_step=7).encode(message + bytes(55))

    codes = [vekdi.ReedSolomon(255, 223), vekdi.ReedSolomon.ccsds(), shortened, by_root,
             vekdi.ReedSolomon(15, 11, polynomial=0x13, fcr=0, root_step=2)]
    for code in codes:
        twin = eval(repr(code), {"vekdi": vekdi})
        assert repr(twin) == repr(code)
        data = bytes(rng.randrange(code.field.order) for _ in range(code.k))
        assert twin.encode(data) == code.encode(data)
