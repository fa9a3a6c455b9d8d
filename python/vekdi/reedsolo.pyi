# SPDX-License-Identifier: Apache-2.0
from typing import Iterable, Iterator, Optional, Sequence, Union

from typing_extensions import Buffer as _Buffer

Data = Union[bytes, bytearray, memoryview, _Buffer, Sequence[int]]

class ReedSolomonError(Exception): ...

class RSCodec:
    nsym: int
    nsize: int
    fcr: int
    prim: int
    generator: int
    c_exp: int
    field_charac: int
    gf_log: bytearray
    gf_exp: bytearray
    gen: Union[dict[int, bytearray], list[bytearray]]
    def __init__(
        self,
        nsym: int = 10,
        nsize: int = 255,
        fcr: int = 0,
        prim: int = 0x11D,
        generator: int = 2,
        c_exp: int = 8,
        single_gen: bool = True,
    ) -> None: ...
    def chunk(self, data: Data, chunk_size: int) -> Iterator[Data]: ...
    def encode(self, data: Data, nsym: Optional[int] = None) -> bytearray: ...
    def decode(
        self,
        data: Data,
        nsym: Optional[int] = None,
        erase_pos: Optional[Iterable[int]] = None,
        only_erasures: bool = False,
    ) -> tuple[bytearray, bytearray, bytearray]: ...
    def check(self, data: Data, nsym: Optional[int] = None) -> list[bool]: ...
    def maxerrata(
        self,
        nsym: Optional[int] = None,
        errors: Optional[int] = None,
        erasures: Optional[int] = None,
        verbose: bool = False,
    ) -> tuple[int, int]: ...
