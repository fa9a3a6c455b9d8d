# SPDX-License-Identifier: Apache-2.0
"""A drop-in for the reedsolo package's RSCodec, for fields up to GF(2^8).

Change one import line::

    from vekdi.reedsolo import RSCodec, ReedSolomonError

RSCodec takes the same parameters, makes the same choices (the automatic
``prim`` when ``c_exp != 8``, ``nsize`` following ``c_exp``), has the same
public attributes, and returns the same types with byte-for-byte the same
contents: ``encode`` a bytearray, ``decode`` a tuple (message, message + ecc,
errata positions) of bytearrays with the errata positions per chunk in the
same order, ``check`` a list of booleans. Streams are cut into chunks the
same way (the last, shorter chunk is a shortened code), ``erase_pos`` is
spread over the chunks the same way, and bad inputs raise the same exception
types with the same messages. The chunk loop runs in C++ without the GIL.

Differences:

* Only fields up to GF(2^8): ``c_exp`` above 8, or an ``nsize`` above 255
  (which makes the original switch to a larger field), raise ValueError.
* A chunk is decoded exactly when 2 * errors + erasures <= nsym. The
  original's radius test is looser when erasures are given, so it sometimes
  returns a codeword farther away than that; vekdi raises ReedSolomonError
  there. ReedSolomonError's message is the original's text for the usual
  cause of such a failure.
* ``prim`` must be irreducible and ``generator`` a primitive element; the
  original builds a code that cannot decode from other values, vekdi raises
  ValueError.
* A position repeated in ``erase_pos`` counts once (the original fails on
  such a chunk unless it needs no correction), and with ``nsym = 0``
  ``decode`` returns the data as the message (the original returns an empty
  message).
* A NumPy array of integers wider than a byte is read by value, like a list
  of ints (the original reads its raw memory bytes).
"""

import math
import operator

from ._vekdi import Field as _Field
from ._vekdi import ReedSolomonError, _ChunkCodec

__all__ = ["RSCodec", "ReedSolomonError"]

_LARGEST_C_EXP = 8
_LARGEST_NSIZE = 255


def _shift_multiply(a, b, prim, top):
    """a * b as polynomials over GF(2), reduced by prim whenever a reaches top."""
    product = 0
    while b:
        if b & 1:
            product ^= a
        b >>= 1
        a <<= 1
        if a & top:
            a ^= prim
    return product


def _is_prime(number):
    if number < 2:
        return False
    divisor = 2
    while divisor * divisor <= number:
        if number % divisor == 0:
            return False
        divisor += 1
    return True


def _automatic_prim(generator, c_exp):
    """The polynomial RSCodec takes when c_exp != 8 and prim is left at 0x11d:
    the smallest prime number strictly between 2^c_exp - 1 and 2^(c_exp+1) - 1
    under which generator's first 2^c_exp - 1 powers are distinct field elements."""
    largest = (1 << c_exp) - 1
    for candidate in range(largest + 1, 2 * largest + 1):
        if not _is_prime(candidate):
            continue
        seen = set()
        power = 1
        for _ in range(largest):
            power = _shift_multiply(power, generator, candidate, largest + 1)
            if power > largest or power in seen:
                break
            seen.add(power)
        else:
            return candidate
    raise IndexError("array index out of range")


def _bytes_like(data):
    """data as an object the C++ loops read through the buffer protocol."""
    if type(data) is bytes or type(data) is bytearray:
        return data
    try:
        view = memoryview(data)
    except TypeError:
        return bytearray(data)
    if view.itemsize == 1:
        return view if view.c_contiguous else bytearray(view)
    return bytearray(view.tolist())


class RSCodec(object):
    """A Reed-Solomon encoder/decoder for streams of any length, cut into chunks.

    RSCodec(nsym=10, nsize=255, fcr=0, prim=0x11d, generator=2, c_exp=8, single_gen=True)

    nsym        ECC symbols per chunk: up to nsym erasures or nsym // 2 errors per chunk
    nsize       chunk length (message + ecc), at most 2^c_exp - 1 and 255
    fcr         first consecutive root: the roots are generator^(fcr + i)
    prim        the field polynomial as a bit mask (0x11d = x^8+x^4+x^3+x^2+1);
                when c_exp != 8 and prim is left at 0x11d, one is picked
    generator   the primitive element whose powers are the roots
    c_exp       the field GF(2^c_exp), 1 ... 8; nsize follows it when left at 255
    single_gen  False allows encode(..., nsym=other) for every other nsym < nsize
    """

    def __init__(self, nsym=10, nsize=255, fcr=0, prim=0x11D, generator=2, c_exp=8, single_gen=True):
        if c_exp > _LARGEST_C_EXP:
            raise ValueError(
                "c_exp = %d: vekdi.reedsolo supports fields up to GF(2^8), c_exp <= %d" % (c_exp, _LARGEST_C_EXP)
            )
        if nsize > _LARGEST_NSIZE:
            raise ValueError(
                "nsize = %d: vekdi.reedsolo supports chunks of at most %d symbols (fields up to GF(2^8))"
                % (nsize, _LARGEST_NSIZE)
            )
        if c_exp < 1:
            raise ValueError("c_exp = %d: the field GF(2^c_exp) needs c_exp >= 1" % c_exp)
        if c_exp != 8 and prim == 0x11D:
            prim = _automatic_prim(generator, c_exp)
            if nsize == 255:
                nsize = (1 << c_exp) - 1
        if nsym >= nsize:
            raise ValueError("ECC symbols must be strictly less than the total message length (nsym < nsize).")
        if nsym < 0:
            raise ValueError("nsym = %d: the number of ECC symbols cannot be negative" % nsym)

        self.nsym = nsym
        self.nsize = nsize
        self.fcr = fcr
        self.prim = prim
        self.generator = generator
        self.c_exp = c_exp
        self.field_charac = (1 << c_exp) - 1
        self._root_step = self._root_step_of_generator()
        self.gf_log, self.gf_exp = self._tables()
        self._bytearray = bytearray
        self._codecs = {}
        if single_gen:
            self.gen = {nsym: self._generator_polynomials(nsym)[-1]}
        else:
            self.gen = self._generator_polynomials(nsize - 1)
        if nsym > 0:
            self._codec(nsym)

    # ---- the field and the generator polynomials ---------------------------------

    def _root_step_of_generator(self):
        """generator as a power of vekdi's alpha for prim (vekdi's root step)."""
        c_exp, prim, generator = self.c_exp, self.prim, self.generator
        if not (1 << c_exp) <= prim < (2 << c_exp):
            raise ValueError("prim = 0x%x is not a polynomial of degree c_exp = %d" % (prim, c_exp))
        if c_exp == 1:
            return 1  # GF(2) has no room for ECC symbols: nsym is 0
        try:
            field = _Field(prim)
        except ValueError:
            raise ValueError("prim = 0x%x is not irreducible: it defines no field GF(2^%d)" % (prim, c_exp)) from None
        if not 1 < generator <= self.field_charac:
            raise ValueError("generator = %r is not an element of GF(2^%d) other than 0 and 1" % (generator, c_exp))
        step = field.log(generator)
        if math.gcd(step, self.field_charac) != 1:
            raise ValueError(
                "generator = %d is not a primitive element of GF(2^%d) with prim 0x%x: its powers miss elements"
                % (generator, c_exp, prim)
            )
        return step

    def _tables(self):
        """The logarithm and antilogarithm tables to base generator (public attributes)."""
        largest = self.field_charac
        log = bytearray(largest + 1)
        exp = bytearray(2 * largest)
        power = 1
        for i in range(largest):
            exp[i] = power
            log[power] = i
            power = _shift_multiply(power, self.generator, self.prim, largest + 1)
        exp[largest:] = exp[:largest]
        return log, exp

    def _generator_polynomials(self, largest_nsym):
        """The generator polynomials for 0 ... largest_nsym ECC symbols, highest degree first."""
        log, exp, largest = self.gf_log, self.gf_exp, self.field_charac
        polynomials = [bytearray([1])]
        for i in range(largest_nsym):
            root = exp[(i + self.fcr) % largest]
            previous = polynomials[-1]
            following = previous + b"\x00"
            if root:
                log_root = log[root]
                for j, coefficient in enumerate(previous):
                    if coefficient:
                        following[j + 1] ^= exp[log[coefficient] + log_root]
            polynomials.append(following)
        return polynomials

    def _codec(self, nsym):
        codec = self._codecs.get(nsym)
        if codec is None:
            if nsym < 0:
                raise ValueError("nsym = %d: the number of ECC symbols cannot be negative" % nsym)
            codec = _ChunkCodec(
                self.nsize, nsym, self.prim, self.fcr % self.field_charac, self._root_step, self.field_charac
            )
            self._codecs[nsym] = codec
        return codec

    # ---- the API -------------------------------------------------------------------

    def chunk(self, data, chunk_size):
        """Yields the consecutive chunk_size-long slices of data."""
        for start in range(0, len(data), chunk_size):
            yield data[start : start + chunk_size]

    def encode(self, data, nsym=None):
        """data (bytes-like or a sequence of ints) followed, per chunk of nsize - nsym
        symbols, by its nsym ECC symbols: a bytearray. A different nsym needs single_gen=False."""
        if not nsym:
            nsym = self.nsym
        self.gen[nsym]  # the original's KeyError / IndexError when there is no generator for nsym
        if isinstance(data, str):
            data = bytearray(data)
        len(data)
        if nsym == 0:
            return bytearray(data)
        return self._codec(nsym).encode(_bytes_like(data))

    def decode(self, data, nsym=None, erase_pos=None, only_erasures=False):
        """Repairs data chunk by chunk (nsize symbols each) and returns the bytearrays
        (messages, messages with their ECC symbols, errata positions), the positions per
        chunk relative to its start: the chunk's erasures as given, then the errors found,
        last first. erase_pos: known bad positions in data; only_erasures: correct those
        alone. Raises ReedSolomonError when a chunk cannot be repaired."""
        if isinstance(data, str):
            data = bytearray(data)
        if isinstance(erase_pos, list):
            erase_pos = bytearray(erase_pos)
        if not nsym:
            nsym = self.nsym
        size = len(data)
        erasures = None if erase_pos is None else [operator.index(p) for p in erase_pos]
        if nsym == 0:
            return self._decode_without_ecc(data, size, erasures)
        return self._codec(nsym).decode(_bytes_like(data), erasures, bool(only_erasures))

    def _decode_without_ecc(self, data, size, erasures):
        for position in erasures or ():
            if position < 0:
                raise ValueError("byte must be in range(0, 256)")
            if position < size:
                raise ReedSolomonError("Too many erasures to correct")
        return bytearray(data), bytearray(data), bytearray()

    def check(self, data, nsym=None):
        """A list with, per chunk of nsize symbols, whether it is a codeword."""
        if not nsym:
            nsym = self.nsym
        if isinstance(data, str):
            data = bytearray(data)
        size = len(data)
        if nsym == 0:
            return [True] * -(-size // self.nsize)
        return self._codec(nsym).check(_bytes_like(data))

    def maxerrata(self, nsym=None, errors=None, erasures=None, verbose=False):
        """The correction capacity (errors, erasures): independently, or, given a number
        of erasures (or else of errors), what can be corrected along with them."""
        if not nsym:
            nsym = self.nsym
        most_errors = int(nsym / 2)
        most_erasures = nsym
        if erasures is not None and erasures >= 0:
            if erasures > most_erasures:
                raise ReedSolomonError("Specified number of errors or erasures exceeding the Singleton Bound!")
            most_errors = int((nsym - erasures) / 2)
            if verbose:
                print("This codec can correct up to %i errors and %i erasures simultaneously" % (most_errors, erasures))
            return most_errors, erasures
        if errors is not None and errors >= 0:
            if errors > most_errors:
                raise ReedSolomonError("Specified number of errors or erasures exceeding the Singleton Bound!")
            most_erasures = int(nsym - errors * 2)
            if verbose:
                print("This codec can correct up to %i errors and %i erasures simultaneously" % (errors, most_erasures))
            return errors, most_erasures
        if verbose:
            print("This codec can correct up to %i errors and %i erasures independently" % (most_errors, most_erasures))
        return most_errors, most_erasures
