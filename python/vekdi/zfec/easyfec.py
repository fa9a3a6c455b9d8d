# SPDX-License-Identifier: Apache-2.0
"""zfec.easyfec over vekdi.zfec: one byte string in, m shares out, and back.

``Encoder(k, m).encode(data)`` cuts data into k blocks of
ceil(len(data) / k) bytes, the last one completed with zero bytes, and
returns all m shares; ``Decoder(k, m).decode(blocks, sharenums, padlen)``
rebuilds the k blocks from any k distinct shares, joins them and drops the
last ``padlen`` bytes (``k * block length - len(data)``; 0 or None keeps
everything). A negative ``padlen``, or one above the joined length, raises
``vekdi.zfec.Error`` (zfec returns a prefix of the data, or nothing).
"""

import operator

from . import Decoder as _Decoder
from . import Encoder as _Encoder
from . import Error

__all__ = ["Decoder", "Encoder"]


class Encoder:
    """Splits a byte string into k padded blocks and makes its m shares."""

    def __init__(self, k, m):
        self.fec = _Encoder(k, m)

    def encode(self, data):
        """All m shares of data (bytes-like); the first k are its blocks."""
        if isinstance(data, str):
            raise TypeError("data must be a bytes-like object, not str")
        if type(data) is not bytes and type(data) is not bytearray:
            data = memoryview(data).cast("B").tobytes()
        k = self.fec.k
        size = -(-len(data) // k)
        padlen = size * k - len(data)
        if padlen:
            data = data + bytes(padlen)
        return self.fec.encode([data[i * size:(i + 1) * size] for i in range(k)])


class Decoder:
    """Joins k rebuilt blocks and drops the padding Encoder added."""

    def __init__(self, k, m):
        self.fec = _Decoder(k, m)

    def decode(self, blocks, sharenums, padlen):
        """The data from any k distinct shares, their numbers, and the padding
        length (k * block length - len(data))."""
        padding = 0 if padlen is None else operator.index(padlen)
        joined = b"".join(self.fec.decode(blocks, sharenums))
        if not 0 <= padding <= len(joined):
            raise Error(f"padlen must be from 0 to {len(joined)} (the decoded length), not {padding}")
        return joined[:len(joined) - padding]
