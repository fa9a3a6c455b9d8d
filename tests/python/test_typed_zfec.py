# SPDX-License-Identifier: Apache-2.0
"""A typed program using vekdi.zfec as zfec's users do: `mypy --strict` checks
it against the stubs (ctest vekdi_python_zfec_stubs), and pytest runs it."""

import vekdi.zfec as zfec
from vekdi.zfec import easyfec


def store(data: bytes, k: int, m: int) -> tuple[list[bytes], int]:
    shares: list[bytes] = easyfec.Encoder(k, m).encode(data)
    return shares, k * len(shares[0]) - len(data)


def load(shares: list[bytes], numbers: list[int], k: int, m: int, padlen: int) -> bytes:
    try:
        return easyfec.Decoder(k, m).decode(shares, numbers, padlen)
    except zfec.Error:
        return b""


def blocks(k: int, m: int) -> list[bytes | bytearray]:
    encoder = zfec.Encoder(k, m)
    inputs = [bytearray(b"typed"), bytearray(b"block")]
    checks = encoder.encode(inputs, desired_blocknums=(m - 1,))
    return zfec.Decoder(encoder.k, encoder.m).decode([inputs[0], *checks], [0, m - 1])


def test_typed_zfec() -> None:
    shares, padlen = store(b"typed example", 3, 5)
    assert load(shares[2:], [2, 3, 4], 3, 5, padlen) == b"typed example"
    assert load(shares[:3], [0, 0, 1], 3, 5, padlen) == b""
    assert blocks(2, 4) == [b"typed", b"block"]


if __name__ == "__main__":
    test_typed_zfec()
