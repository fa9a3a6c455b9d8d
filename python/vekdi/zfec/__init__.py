# SPDX-License-Identifier: Apache-2.0
"""A drop-in for the zfec package (Tahoe-LAFS's erasure code).

Change one import line::

    import vekdi.zfec as zfec            # was: import zfec
    from vekdi.zfec import easyfec       # was: from zfec import easyfec

``Encoder(k, m)`` and ``Decoder(k, m)`` take zfec's parameters: k shares
rebuild the data, m counts all shares (1 <= k <= m <= 256). Share numbers
0 ... k - 1 are the k input blocks themselves (returned as the same objects,
as zfec does), k ... m - 1 the check shares, byte-identical with zfec's.
``easyfec.Encoder`` / ``easyfec.Decoder`` split a byte string into k blocks
with zfec's zero padding. Bad input raises the same exception types as zfec:
``Error`` for a bad k or m, a wrong number of blocks or share numbers, blocks
of different lengths, or an item that is not a bytes-like object or not an
int; ``TypeError`` where an argument is not a sequence or a parameter not an
integer. The coding runs in vekdi's kernels without the GIL.

Differences, each a case where zfec 1.5.2 returns wrong bytes, hangs or
crashes; vekdi.zfec raises ``Error`` instead:

* ``Decoder.decode`` with a share number repeated: zfec returns wrong blocks
  (a check share given twice) or never returns (a data share given twice).
* ``Decoder.decode`` with a share number from m to 255: zfec returns zeros or
  bytes of rows that do not exist in the code.
* ``Encoder.encode`` with a desired share number of m or more: zfec returns
  zeros (or crashes the interpreter for negative or very large numbers).
* ``Decoder.decode`` leaves the caller's list of blocks as it was; zfec
  moves the data blocks in it to their own positions, so that the list no
  longer matches its share numbers (a second decode of the same two lists
  returns wrong blocks).
* ``Decoder(256, 256).decode`` crashes zfec's interpreter; vekdi.zfec returns
  the blocks.
* ``easyfec.Decoder.decode`` with a negative ``padlen`` or one above the
  decoded length: zfec returns a prefix of the data (or nothing) as if it
  were the whole.

Also accepted, where zfec raises TypeError: keyword arguments
(``desired_blocknums``, ``blocks``, ``sharenums``), integer-like share numbers
(``numpy.int64``) and, in ``easyfec.Encoder.encode``, any bytes-like object.
"""

import operator

from .._vekdi import ErasureCode as _ErasureCode
from .._vekdi import Error as _VekdiError

__all__ = ["Decoder", "Encoder", "Error", "easyfec"]

_LARGEST_M = 256
_C_INT_MAX = (1 << 31) - 1
_CACHED_CODES = 64


class Error(Exception):
    """Bad parameters or blocks (zfec.Error)."""


def _parameter(value):
    number = operator.index(value)  # TypeError for floats and strings, as zfec
    if number > _C_INT_MAX:
        raise OverflowError("signed integer is greater than maximum")
    if number < -_C_INT_MAX - 1:
        raise OverflowError("signed integer is less than minimum")
    return number


def _check_shape(k, m):
    k = _parameter(k)
    m = _parameter(m)
    if k < 1:
        raise Error(f"k (the first argument) must be at least 1, not {k}")
    if m < 1:
        raise Error(f"m (the second argument) must be at least 1, not {m}")
    if m > _LARGEST_M:
        raise Error(f"m (the second argument) must be at most {_LARGEST_M}, not {m}")
    if k > m:
        raise Error(f"k must not exceed m, but they are {k} and {m}")
    return k, m


def _sequence(value, what):
    if isinstance(value, (list, tuple)):
        return value
    try:
        return list(value)
    except TypeError:
        raise TypeError(f"{what} was not a sequence.") from None


def _blocks(items, count, what):
    """The blocks as objects vekdi.ErasureCode reads, and their common length."""
    if len(items) != count:
        raise Error(f"{what} must hold exactly k = {count} blocks, not {len(items)}")
    readable = []
    length = None
    for i, item in enumerate(items):
        if type(item) is not bytes and type(item) is not bytearray:
            try:
                view = memoryview(item)
            except TypeError:
                raise Error(f"block {i} is not a bytes-like object ({type(item).__name__})") from None
            if not view.c_contiguous:
                raise Error(f"block {i} is not contiguous")
            item = view.cast("B") if view.ndim != 1 or view.itemsize != 1 else view
        if length is None:
            length = len(item)
        elif len(item) != length:
            raise Error(f"blocks must all have the same length; one has {length} bytes, another {len(item)}")
        readable.append(item)
    return items, readable, length or 0


def _share_numbers(items, m):
    numbers = []
    for item in items:
        try:
            number = operator.index(item)
        except TypeError:
            raise Error(f"share numbers must be ints, not {type(item).__name__}") from None
        if not 0 <= number < m:
            raise Error(f"share number {number} is out of range for m = {m} (0 ... {m - 1})")
        numbers.append(number)
    return numbers


class _Codes:
    """vekdi erasure codes for one (k, m): all check shares, or the rows of a
    few of them, built once per distinct set and kept (a bounded number)."""

    def __init__(self, k, m):
        self.k = k
        self.full = _ErasureCode(k, m - k, matrix="zfec") if m > k else None
        self.rows = self.full.parity_matrix if self.full is not None else b""
        self.cache = {}

    def for_rows(self, rows):
        """A code whose parity shares are the given check-share rows."""
        code = self.cache.get(rows)
        if code is None:
            if len(self.cache) >= _CACHED_CODES:
                self.cache.clear()
            k = self.k
            matrix = b"".join(self.rows[r * k:(r + 1) * k] for r in rows)
            code = self.cache[rows] = _ErasureCode.from_matrix(k, len(rows), matrix)
        return code

    def encode(self, readable, rows):
        """The check shares of the given rows (0 = share k; None for all) of k
        readable blocks."""
        code = self.full if rows is None or len(rows) == self.full.m else self.for_rows(rows)
        try:
            return code.encode(readable)
        except _VekdiError as e:
            raise Error(str(e)) from None

    def rebuild(self, given, readable, missing):
        """The data blocks `missing` from k distinct shares `given` (numbers,
        in the order of `readable`)."""
        k = self.k
        key = ("decode", given, missing)
        entry = self.cache.get(key)
        if entry is None:
            if len(self.cache) >= _CACHED_CODES:
                self.cache.clear()
            present = set(given)
            lost = list(missing) + [s for s in range(k, k + self.full.m) if s not in present]
            lost_order, survivors, matrix = self.full.decode_matrix(lost)
            position = {share: row for row, share in enumerate(lost_order)}
            rows = b"".join(matrix[position[s] * k:(position[s] + 1) * k] for s in missing)
            order = [given.index(s) for s in survivors]
            entry = self.cache[key] = (_ErasureCode.from_matrix(k, len(missing), rows), order)
        code, order = entry
        try:
            return code.encode([readable[i] for i in order])
        except _VekdiError as e:
            raise Error(str(e)) from None


class _Coder:
    """What Encoder and Decoder share: the shape and the codes made for it."""

    __slots__ = ("_k", "_m", "_codes")

    def __init__(self, k, m):
        self._k, self._m = _check_shape(k, m)
        self._codes = _Codes(self._k, self._m)

    @property
    def k(self):
        """Shares needed to rebuild the data."""
        return self._k

    @property
    def m(self):
        """Shares made in all."""
        return self._m

    def __repr__(self):
        return f"vekdi.zfec.{type(self).__name__}({self._k}, {self._m})"


class Encoder(_Coder):
    """Makes the m shares of k blocks (zfec.Encoder)."""

    __slots__ = ()

    def encode(self, inblocks, desired_blocknums=None):
        """The shares numbered in desired_blocknums (all m, in order, when None)
        of k blocks of one length. Shares below k are the given objects
        themselves; check shares are new bytes objects."""
        k, m = self._k, self._m
        given = _sequence(inblocks, "First argument")
        desired = None if desired_blocknums is None else _sequence(desired_blocknums, "Second argument (optional)")
        items, readable, _ = _blocks(given, k, "the input blocks")
        if desired is None:
            return list(items) + self._codes.encode(readable, None) if m > k else list(items)
        wanted = _share_numbers(desired, m)
        rows = tuple(sorted({n - k for n in wanted if n >= k}))
        made = dict(zip(rows, self._codes.encode(readable, rows))) if rows else {}
        return [items[n] if n < k else made[n - k] for n in wanted]


class Decoder(_Coder):
    """Rebuilds k blocks from any k distinct shares (zfec.Decoder)."""

    __slots__ = ()

    def decode(self, blocks, sharenums):
        """The k data blocks, in order, from k shares of one length and their
        distinct share numbers. Data shares given are returned as the same
        objects; rebuilt blocks are new bytes objects."""
        k, m = self._k, self._m
        given = _sequence(blocks, "First argument")
        numbers = _share_numbers(_sequence(sharenums, "Second argument"), m)
        items, readable, _ = _blocks(given, k, "the shares")
        if len(numbers) != k:
            raise Error(f"sharenums must hold exactly k = {k} share numbers, not {len(numbers)}")
        where = {}
        for i, number in enumerate(numbers):
            if number in where:
                raise Error(f"share number {number} is given twice")
            where[number] = i
        missing = tuple(j for j in range(k) if j not in where)
        rebuilt = dict(zip(missing, self._codes.rebuild(tuple(numbers), readable, missing))) if missing else {}
        return [items[where[j]] if j in where else rebuilt[j] for j in range(k)]


from . import easyfec  # noqa: E402  (it builds on Encoder and Decoder above)
