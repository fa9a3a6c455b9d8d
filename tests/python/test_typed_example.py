# SPDX-License-Identifier: Apache-2.0
"""A typed program using vekdi as its users would: `mypy --strict` checks it
against the package's stubs (ctest vekdi_python_stubs), and pytest runs it."""

import array

import vekdi
import vekdi.reedsolo as reedsolo
from vekdi.reedsolo import ReedSolomonError, RSCodec


def repair(code: vekdi.ReedSolomon, word: bytearray, erasures: list[int]) -> bytes:
    try:
        result: vekdi.DecodeResult = code.decode(word, erasures=erasures, algorithm="euclid")
    except vekdi.DecodeError:
        return b""
    positions: list[int] = result.error_positions + result.erasure_positions
    assert result.corrected <= len(positions)
    return result.message


def stream_round_trip(data: bytes) -> bytearray:
    codec = RSCodec(12, fcr=1)
    encoded: bytearray = codec.encode(data)
    encoded[3] ^= 0x5A
    message, _, errata = codec.decode(encoded, erase_pos=[7])
    checks: list[bool] = codec.check(encoded)
    assert list(errata) == [7, 3] and checks == [False]
    return message


def functions() -> list[int]:
    log, exp, largest = reedsolo.init_tables(0x11D, 2, 8)
    word = reedsolo.rs_encode_msg(b"typed", 6)
    try:
        reedsolo.rs_correct_msg(word, 6, erase_pos=list(range(7)))
    except ReedSolomonError:
        pass
    primes: array.array[int] = reedsolo.find_prime_polys(c_exp=4)
    return reedsolo.rs_calc_syndromes(word, 6) + [largest, len(log) + len(exp), *primes]


def test_typed_example() -> None:
    code = vekdi.ReedSolomon.ccsds(200, 168)
    word = bytearray(code.encode(memoryview(bytes(168))))
    word[5] ^= 1
    assert repair(code, word, [9]) == bytes(168) and eval(repr(code), {"vekdi": vekdi}).k == 168
    assert stream_round_trip(b"typed example") == b"typed example"
    assert functions()[:7] == [0] * 7 and functions()[7] == 255


if __name__ == "__main__":
    test_typed_example()
