# SPDX-License-Identifier: Apache-2.0
"""vekdi: Reed-Solomon codes and GF(2^m) arithmetic (m = 1 ... 8) in C++.

::

    import vekdi
    rs = vekdi.ReedSolomon(255, 223)            # 223 message bytes, 32 parity bytes
    word = bytearray(rs.encode(message))        # message: any 223-byte bytes-like object
    word[7] ^= 0xFF                             # damage
    result = rs.decode(word, erasures=[12])     # errors anywhere, erasures at known positions
    result.message, result.error_positions      # the repaired message, where errors were

Classes: Field (element arithmetic), ReedSolomon (one code; single words and
many words per call), DecodeResult, BlocksResult, ErasureCode (k data
buffers -> m parity buffers; any k independent shards rebuild the rest). Errors: Error (a
ValueError) for bad arguments, naming the argument in its `argument`
attribute; DecodeError for words that cannot be corrected. vekdi.reedsolo is a drop-in for the reedsolo package's RSCodec,
vekdi.zfec one for the zfec package (Encoder, Decoder, easyfec).
"""

from ._vekdi import (
    BlocksResult,
    DecodeError,
    DecodeResult,
    ErasureCode,
    Error,
    Field,
    ReedSolomon,
    __version__,
)

__all__ = [
    "BlocksResult",
    "DecodeError",
    "DecodeResult",
    "ErasureCode",
    "Error",
    "Field",
    "ReedSolomon",
    "__version__",
]
