# SPDX-License-Identifier: Apache-2.0
from typing import Iterable, Optional, SupportsIndex, TypeVar, Union

from .. import BytesLike as _Buffer

from . import Decoder as _Decoder
from . import Encoder as _Encoder

_Data = TypeVar("_Data", bound=_Buffer)

class Encoder:
    fec: _Encoder
    def __init__(self, k: SupportsIndex, m: SupportsIndex) -> None: ...
    def encode(self, data: _Data) -> list[Union[_Data, bytes]]: ...

class Decoder:
    fec: _Decoder
    def __init__(self, k: SupportsIndex, m: SupportsIndex) -> None: ...
    def decode(
        self, blocks: Iterable[_Buffer], sharenums: Iterable[SupportsIndex], padlen: Optional[SupportsIndex]
    ) -> bytes: ...
