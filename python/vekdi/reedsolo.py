# SPDX-License-Identifier: Apache-2.0
"""A drop-in for the reedsolo package, for fields up to GF(2^8).

Change one import line::

    from vekdi.reedsolo import RSCodec, ReedSolomonError
    import vekdi.reedsolo as reedsolo          # for the module's functions

RSCodec takes the same parameters, makes the same choices (the automatic
``prim`` when ``c_exp != 8``, ``nsize`` following ``c_exp``), has the same
public attributes, and returns the same types with byte-for-byte the same
contents: ``encode`` a bytearray, ``decode`` a tuple (message, message + ecc,
errata positions) of bytearrays with the errata positions per chunk in the
same order, ``check`` a list of booleans. Streams are cut into chunks the
same way (the last, shorter chunk is a shortened code), ``erase_pos`` is
spread over the chunks the same way, and bad inputs and chunks that cannot
be decoded raise the same exception types with the same messages. The chunk
loop runs in C++ without the GIL. Codecs pickle and copy (multiprocessing
pools take them).

The module's functions are the original's too, with the same arguments,
results and return types: ``init_tables``, ``find_prime_polys``,
``rwh_primes1``, the ``gf_*`` element and polynomial functions and the
``rs_*`` encoding and decoding steps. They read the module globals
``gf_exp``, ``gf_log`` and ``field_charac``, which ``init_tables()`` (and
the RSCodec constructor, as in the original) replace. ``rs_encode_msg``,
``rs_calc_syndromes``, ``rs_check``, ``rs_correct_msg`` and
``rs_correct_msg_nofsynd`` run in C++ while the globals are the tables
``init_tables()`` built for an irreducible ``prim`` and a primitive
``generator`` (in Python otherwise, with the same results).

Differences:

* Only fields up to GF(2^8): ``c_exp`` above 8 (in RSCodec and
  init_tables), or an ``nsize`` above 255 (which makes the original switch
  to a larger field), raise ValueError.
* A word is decoded exactly when 2 * errors + erasures <= nsym. The
  original's radius test is looser when erasures are given, so it sometimes
  returns a codeword farther away than that; vekdi raises ReedSolomonError
  there (RSCodec.decode, rs_correct_msg, rs_correct_msg_nofsynd). Wherever
  the original fails too, the exception and its message are the original's.
* RSCodec: ``prim`` must be irreducible and ``generator`` a primitive
  element (not 0 or 1); the original builds a code that cannot decode from
  other values, vekdi raises ValueError.
* RSCodec(nsym=0).decode raises ValueError: with no ECC symbols there is
  nothing to decode with (the original returns empty messages). A negative
  nsym behaves as in the original (encode adds nothing, decode raises
  "Too many erasures to correct").
* RSCodec's parameters must be integers: others raise TypeError when the
  codec is made (the original raises it from its first encode or decode).
* A position repeated in ``erase_pos`` counts once (the original fails on
  such a chunk unless it needs no correction).
* The module's tables are those of GF(2^8) with 0x11d and generator 2 from
  the start (the original's are placeholders until init_tables() is called).
* A NumPy array of integers wider than a byte is read by value, like a list
  of ints (the original reads its raw memory bytes).
"""

import array
import math
import operator
import threading
import types

from ._vekdi import Field as _Field
from ._vekdi import ReedSolomonError, _ChunkCodec

__all__ = [
    "RSCodec",
    "ReedSolomonError",
    "gf_exp",
    "gf_log",
    "field_charac",
    "init_tables",
    "find_prime_polys",
    "rwh_primes1",
    "gf_add",
    "gf_sub",
    "gf_neg",
    "gf_inverse",
    "gf_mul",
    "gf_div",
    "gf_pow",
    "gf_mult_noLUT",
    "gf_poly_scale",
    "gf_poly_add",
    "gf_poly_mul",
    "gf_poly_div",
    "gf_poly_eval",
    "rs_generator_poly",
    "rs_generator_poly_all",
    "rs_simple_encode_msg",
    "rs_encode_msg",
    "rs_calc_syndromes",
    "rs_check",
    "rs_correct_errata",
    "rs_find_error_locator",
    "rs_find_errata_locator",
    "rs_find_error_evaluator",
    "rs_find_errors",
    "rs_forney_syndromes",
    "rs_correct_msg",
    "rs_correct_msg_nofsynd",
]

_LARGEST_C_EXP = 8
_LARGEST_NSIZE = 255

# ---- the field: the tables every function below reads -----------------------------
#
# gf_exp, gf_log and field_charac are replaced by init_tables() (and by the
# RSCodec constructor, which calls it), as the original does. They start as
# the tables of GF(2^8) with 0x11d and generator 2 (the original starts with
# placeholder tables until the first init_tables()).

gf_exp = bytearray()
gf_log = bytearray()
field_charac = 255

# What the last init_tables() built, for the functions that run in C++: they
# do so only while the module's tables are still those (see _native_field).
_initialised = None
_native_lock = threading.Lock()
_native_codecs = {}


def rwh_primes1(n):
    """The primes below n (always starting with 2), as an array('i')."""
    half = int(n / 2)
    odd = [True] * half  # odd[i]: whether 2 i + 1 is still a candidate
    for p in range(3, int(math.pow(n, 0.5)) + 1, 2):
        if odd[p // 2]:
            for multiple in range(p * p // 2, half, p):
                odd[multiple] = False
    return array.array("i", [2] + [2 * i + 1 for i in range(1, half) if odd[i]])


def gf_mult_noLUT(x, y, prim=0, field_charac_full=256, carryless=True):
    """x * y without tables: carry-less (or, with carryless=False, ordinary)
    shift-and-add, reducing by prim whenever the partial product reaches
    field_charac_full (no reduction with prim=0)."""
    product = 0
    while y:
        if y & 1:
            product = product ^ x if carryless else product + x
        y >>= 1
        x <<= 1
        if prim > 0 and x & field_charac_full:
            x ^= prim
    return product


def find_prime_polys(generator=2, c_exp=8, fast_primes=False, single=False):
    """The polynomials of degree c_exp (as bit masks, in an array('i')) under
    which generator's 2^c_exp - 1 powers are distinct field elements. fast_primes
    tries only candidates that are prime numbers; single stops at the first."""
    largest = 2**c_exp - 1
    if fast_primes:
        candidates = [p for p in rwh_primes1(2 ** (c_exp + 1) - 1) if p > largest]
    else:
        candidates = range(largest + 2, 2 ** (c_exp + 1) - 1, 2)
    found = array.array("i")
    for prim in candidates:
        seen = bytearray(largest + 1)
        power = 1
        for _ in range(largest):
            power = gf_mult_noLUT(power, generator, prim, largest + 1)
            if power > largest or seen[power]:
                break
            seen[power] = 1
        else:
            if single:
                return array.array("i", [prim])
            found.append(prim)
    return found


def init_tables(prim=0x11D, generator=2, c_exp=8):
    """Builds the logarithm and antilogarithm tables to base generator of the
    field GF(2^c_exp) given by prim, makes them the module's gf_log, gf_exp and
    field_charac (used by every later call), and returns (gf_log, gf_exp,
    field_charac). c_exp above 8 raises ValueError."""
    global gf_exp, gf_log, field_charac, _initialised
    if c_exp > _LARGEST_C_EXP:
        raise ValueError(
            "c_exp = %d: vekdi.reedsolo supports fields up to GF(2^8), c_exp <= %d" % (c_exp, _LARGEST_C_EXP)
        )
    largest = int(2**c_exp - 1)
    exp = bytearray(2 * largest)
    log = bytearray(largest + 1)
    power = 1
    for i in range(largest):
        exp[i] = power
        log[power] = i
        power = gf_mult_noLUT(power, generator, prim, largest + 1)
    exp[largest:] = exp[:largest]
    gf_exp, gf_log, field_charac = exp, log, largest
    _initialised = (exp, log, largest, prim, generator, c_exp)
    return gf_log, gf_exp, field_charac


# ---- elements ------------------------------------------------------------------------


def gf_add(x, y):
    return x ^ y


def gf_sub(x, y):
    return x ^ y


def gf_neg(x):
    return x


def gf_inverse(x):
    """1 / x (the table lookup: 0 gives 1, as in the original)."""
    return gf_exp[field_charac - gf_log[x]]


def gf_mul(x, y):
    if x == 0 or y == 0:
        return 0
    return gf_exp[(gf_log[x] + gf_log[y]) % field_charac]


def gf_div(x, y):
    if y == 0:
        raise ZeroDivisionError()
    if x == 0:
        return 0
    return gf_exp[(gf_log[x] + field_charac - gf_log[y]) % field_charac]


def gf_pow(x, power):
    """x ** power by the tables (0 ** power gives 1, as in the original)."""
    return gf_exp[(gf_log[x] * power) % field_charac]


# ---- polynomials: coefficient lists, highest power first ----------------------------


def gf_poly_scale(p, x):
    return bytearray(gf_mul(c, x) for c in p)


def gf_poly_add(p, q):
    size = max(len(p), len(q))
    total = bytearray(size)
    total[size - len(p) :] = p
    offset = size - len(q)
    for i, c in enumerate(q):
        total[offset + i] ^= c
    return total


def gf_poly_mul(p, q):
    exp, log = gf_exp, gf_log
    product = bytearray(len(p) + len(q) - 1)
    logs_p = [log[c] for c in p]
    for j, qj in enumerate(q):
        if qj:
            log_q = log[qj]
            for i, pi in enumerate(p):
                if pi:
                    product[i + j] ^= exp[logs_p[i] + log_q]
    return product


def gf_poly_div(dividend, divisor):
    """(quotient, remainder) of dividend / divisor (a monic divisor), as slices of one bytearray."""
    work = bytearray(dividend)
    tail = len(divisor) - 1
    for i in range(len(dividend) - tail):
        coefficient = work[i]
        if coefficient:
            for j in range(1, len(divisor)):
                if divisor[j]:
                    work[i + j] ^= gf_mul(divisor[j], coefficient)
    return work[:-tail], work[-tail:]


def gf_poly_eval(poly, x):
    value = poly[0]
    for c in poly[1:]:
        value = gf_mul(value, x) ^ c
    return value


def _reversed_bytes(sequence):
    return bytearray(reversed(sequence))


# ---- encoding --------------------------------------------------------------------------


def rs_generator_poly(nsym, fcr=0, generator=2):
    """prod (x - generator^(fcr + i)), i = 0 ... nsym - 1."""
    g = bytearray([1])
    for i in range(nsym):
        g = gf_poly_mul(g, [1, gf_pow(generator, i + fcr)])
    return g


def rs_generator_poly_all(max_nsym, fcr=0, generator=2):
    """[rs_generator_poly(nsym) for nsym in range(max_nsym)]."""
    return [rs_generator_poly(nsym, fcr, generator) for nsym in range(max_nsym)]


def _require_room(length):
    if length > field_charac:
        raise ValueError("Message is too long (%i when max is %i)" % (length, field_charac))


def rs_simple_encode_msg(msg_in, nsym, fcr=0, generator=2, gen=None):
    """msg_in followed by the remainder of msg_in * x^nsym divided by the generator (long division)."""
    _require_room(len(msg_in) + nsym)
    if gen is None:
        gen = rs_generator_poly(nsym, fcr, generator)
    _, remainder = gf_poly_div(msg_in + bytearray(len(gen) - 1), gen)
    return msg_in + remainder


def rs_encode_msg(msg_in, nsym, fcr=0, generator=2, gen=None):
    """The codeword of msg_in: a bytearray, msg_in followed by len(gen) - 1 ECC symbols. Runs in C++."""
    _require_room(len(msg_in) + nsym)
    message = bytearray(msg_in)
    ecc = nsym if gen is None else len(gen) - 1
    if 0 < len(message) <= field_charac - ecc:
        native = _native_codec(ecc, fcr, generator, message)
        if native is not None and (gen is None or _same_polynomial(gen, native[1])):
            return native[0].encode(message)
    if gen is None:
        gen = rs_generator_poly(nsym, fcr, generator)
    exp, log = gf_exp, gf_log
    word = message + bytearray(len(gen) - 1)
    logs_gen = [log[c] for c in gen]
    for i in range(len(message)):
        coefficient = word[i]
        if coefficient:
            log_c = log[coefficient]
            for j in range(1, len(gen)):
                word[i + j] ^= exp[log_c + logs_gen[j]]
    word[: len(message)] = message
    return word


# ---- decoding --------------------------------------------------------------------------


def rs_calc_syndromes(msg, nsym, fcr=0, generator=2):
    """[0, msg(generator^fcr), ..., msg(generator^(fcr + nsym - 1))]: a list. Runs in C++."""
    if len(msg):
        data = _as_bytes(msg)
        native = _native_codec(nsym, fcr, generator, data)
        if native is not None:
            return [0] + native[0].syndromes(data)
    return [0] + [gf_poly_eval(msg, gf_pow(generator, i + fcr)) for i in range(nsym)]


def rs_check(msg, nsym, fcr=0, generator=2):
    """Whether msg is a codeword (all its syndromes are 0). Runs in C++."""
    return max(rs_calc_syndromes(msg, nsym, fcr, generator)) == 0


def rs_find_errata_locator(e_pos, generator=2):
    """prod (1 - x generator^p) over the coefficient degrees p in e_pos."""
    locator = [1]
    for p in e_pos:
        locator = gf_poly_mul(locator, gf_poly_add(bytearray([1]), [gf_pow(generator, p), 0]))
    return locator


def rs_find_error_evaluator(synd, err_loc, nsym):
    """(synd * err_loc) mod x^(nsym + 1)."""
    product = gf_poly_mul(synd, err_loc)
    return product[len(product) - (nsym + 1) :]


def rs_correct_errata(msg_in, synd, err_pos, fcr=0, generator=2):
    """msg_in with the errata values at the positions err_pos found by Forney's formula."""
    msg = bytearray(msg_in)
    degrees = bytearray(len(msg) - 1 - p for p in err_pos)
    locator = rs_find_errata_locator(degrees, generator)
    evaluator = rs_find_error_evaluator(_reversed_bytes(synd), locator, len(locator) - 1)
    X = bytearray(gf_pow(generator, -(field_charac - d)) for d in degrees)
    magnitudes = bytearray(len(msg))
    for i, Xi in enumerate(X):
        Xi_inv = gf_inverse(Xi)
        derivative = 1
        for j, Xj in enumerate(X):
            if j != i:
                derivative = gf_mul(derivative, 1 ^ gf_mul(Xi_inv, Xj))
        if derivative == 0:
            raise ReedSolomonError(
                "Decoding failed: Forney algorithm could not properly detect where the errors are located "
                "(errata locator prime is 0)."
            )
        y = gf_mul(gf_pow(Xi, 1 - fcr), gf_poly_eval(evaluator, Xi_inv))
        magnitudes[err_pos[i]] = gf_div(y, derivative)
    return gf_poly_add(msg, magnitudes)


def rs_find_error_locator(synd, nsym, erase_loc=None, erase_count=0):
    """The error (with erase_loc: errata) locator by Berlekamp-Massey, highest power first."""
    if erase_loc:
        locator, previous = bytearray(erase_loc), bytearray(erase_loc)
    else:
        locator, previous = bytearray([1]), bytearray([1])
    shift = len(synd) - nsym if len(synd) > nsym else 0
    for i in range(nsym - erase_count):
        K = (erase_count + i if erase_loc else i) + shift
        delta = synd[K]
        for j in range(1, len(locator)):
            delta ^= gf_mul(locator[-(j + 1)], synd[K - j])
        previous = previous + bytearray(1)
        if delta:
            if len(previous) > len(locator):
                locator, previous = gf_poly_scale(previous, delta), gf_poly_scale(locator, gf_inverse(delta))
            locator = gf_poly_add(locator, gf_poly_scale(previous, delta))
    for i, c in enumerate(locator):
        if c:
            locator = locator[i:]
            break
    errors = len(locator) - 1
    if (errors - erase_count) * 2 + erase_count > nsym:
        raise ReedSolomonError("Too many errors to correct")
    return locator


def rs_find_errors(err_loc, nmess, generator=2):
    """The positions (last first) whose locator values generator^(nmess - 1 - position) are
    roots of err_loc; ReedSolomonError unless there are exactly deg err_loc of them."""
    positions = [nmess - 1 - i for i in range(nmess) if gf_poly_eval(err_loc, gf_pow(generator, i)) == 0]
    if len(positions) != len(err_loc) - 1:
        raise ReedSolomonError("Too many (or few) errors found by Chien Search for the errata locator polynomial!")
    return bytearray(positions)


def rs_forney_syndromes(synd, pos, nmess, generator=2):
    """The syndromes (without the leading 0) with the erasures at pos taken out."""
    degrees = bytearray(nmess - 1 - p for p in pos)
    modified = bytearray(synd[1:])
    for d in degrees:
        x = gf_pow(generator, d)
        for j in range(len(modified) - 1):
            modified[j] = gf_mul(modified[j], x) ^ modified[j + 1]
    return modified


def _prepare_decode(msg_in, nsym, erase_pos):
    _require_room(len(msg_in))
    msg_out = bytearray(msg_in)
    if erase_pos is None:
        erase_pos = bytearray()
    else:
        if isinstance(erase_pos, list):
            erase_pos = bytearray(erase_pos)
        for p in erase_pos:
            msg_out[p] = 0
    if len(erase_pos) > nsym:
        raise ReedSolomonError("Too many erasures to correct")
    return msg_out, erase_pos


def _native_decode(msg_out, nsym, fcr, generator, erase_pos, only_erasures):
    """The C++ decode of msg_out: (corrected word, error positions last first), or None
    where the Python code must run instead (tables not init_tables', short words, ...)."""
    if not nsym < len(msg_out) or type(erase_pos) is not bytearray:
        return None
    native = _native_codec(nsym, fcr, generator, msg_out)
    if native is None:
        return None
    _, word, errata = native[0].decode(msg_out, list(erase_pos), only_erasures)
    return word, errata[len(erase_pos) :]


def rs_correct_msg(msg_in, nsym, fcr=0, generator=2, erase_pos=None, only_erasures=False):
    """Corrects msg_in (message + nsym ECC symbols) and returns (message, ECC symbols,
    errata positions): the erasures, then the errors found, last first. Runs in C++."""
    msg_out, erase_pos = _prepare_decode(msg_in, nsym, erase_pos)
    try:
        native = _native_decode(msg_out, nsym, fcr, generator, erase_pos, only_erasures)
    except ReedSolomonError as failure:
        _python_correct(msg_out, nsym, fcr, generator, erase_pos, only_erasures)
        raise failure from None  # the original returns a word farther than the radius here
    if native is None:
        return _python_correct(msg_out, nsym, fcr, generator, erase_pos, only_erasures)
    word, errors = native
    if not errors and word == msg_out:  # a codeword: nothing was changed
        return msg_out[:-nsym], msg_out[-nsym:], erase_pos
    return word[:-nsym], word[-nsym:], erase_pos + errors


def _python_correct(msg_out, nsym, fcr, generator, erase_pos, only_erasures):
    synd = rs_calc_syndromes(msg_out, nsym, fcr, generator)
    if max(synd) == 0:
        return msg_out[:-nsym], msg_out[-nsym:], erase_pos
    if only_erasures:
        err_pos = bytearray()
    else:
        fsynd = rs_forney_syndromes(synd, erase_pos, len(msg_out), generator)
        err_loc = rs_find_error_locator(fsynd, nsym, erase_count=len(erase_pos))
        err_pos = rs_find_errors(_reversed_bytes(err_loc), len(msg_out), generator)
    msg_out = rs_correct_errata(msg_out, synd, erase_pos + err_pos, fcr, generator)
    if max(rs_calc_syndromes(msg_out, nsym, fcr, generator)) > 0:
        raise ReedSolomonError("Could not correct message")
    return msg_out[:-nsym], msg_out[-nsym:], erase_pos + err_pos


def rs_correct_msg_nofsynd(msg_in, nsym, fcr=0, generator=2, erase_pos=None, only_erasures=False):
    """rs_correct_msg by Berlekamp-Massey started from the erasure locator (no Forney
    syndromes). The positions returned are the erasures, then every errata position
    (erasures included), last first; [] when msg_in needed no correction. Runs in C++."""
    msg_out, erase_pos = _prepare_decode(msg_in, nsym, erase_pos)
    native = None
    if erase_pos or not only_erasures:
        try:
            native = _native_decode(msg_out, nsym, fcr, generator, erase_pos, only_erasures)
        except ReedSolomonError as failure:
            _python_correct_nofsynd(msg_out, nsym, fcr, generator, erase_pos, only_erasures)
            raise failure from None
    if native is None:
        return _python_correct_nofsynd(msg_out, nsym, fcr, generator, erase_pos, only_erasures)
    word, errors = native
    if not errors and word == msg_out:
        return msg_out[:-nsym], msg_out[-nsym:], []
    errata = bytearray(sorted(set(erase_pos).union(errors), reverse=True))
    return word[:-nsym], word[-nsym:], erase_pos + errata


def _python_correct_nofsynd(msg_out, nsym, fcr, generator, erase_pos, only_erasures):
    synd = rs_calc_syndromes(msg_out, nsym, fcr, generator)
    if max(synd) == 0:
        return msg_out[:-nsym], msg_out[-nsym:], []
    erase_loc = None
    if erase_pos:
        erase_loc = rs_find_errata_locator([len(msg_out) - 1 - p for p in erase_pos], generator)
    if only_erasures:
        err_loc = _reversed_bytes(erase_loc)
    else:
        err_loc = _reversed_bytes(
            rs_find_error_locator(synd, nsym, erase_loc=erase_loc, erase_count=len(erase_pos)))
    err_pos = rs_find_errors(err_loc, len(msg_out), generator)
    msg_out = rs_correct_errata(msg_out, synd, err_pos, fcr, generator)
    if max(rs_calc_syndromes(msg_out, nsym, fcr, generator)) > 0:
        raise ReedSolomonError("Could not correct message")
    return msg_out[:-nsym], msg_out[-nsym:], erase_pos + err_pos


# ---- the C++ paths -------------------------------------------------------------------


def _as_bytes(data):
    """data as bytes-like for the C++ calls, or None (then the Python code runs)."""
    if type(data) is bytes or type(data) is bytearray:
        return data
    try:
        return bytearray(data)
    except (TypeError, ValueError):
        return None


def _native_codec(nsym, fcr, generator, data):
    """(the C++ chunk codec, its generator polynomial) for these roots in the field
    init_tables() built, or None when the Python code must run: the module's tables
    were replaced or are not a field's (prim not irreducible, init generator not
    primitive), generator is not primitive, nsym does not fit, or data holds
    symbols outside the field."""
    state = _initialised
    if data is None or state is None or not 0 < nsym < field_charac:
        return None
    exp, log, largest, prim, base, c_exp = state
    if exp is not gf_exp or log is not gf_log or largest != field_charac:
        return None
    if largest < 255 and len(data) and max(data) > largest:
        return None
    key = (nsym, fcr % largest, generator, prim, base, c_exp)
    codec = _native_codecs.get(key)
    if codec is None:
        step = _root_step(prim, generator, c_exp)
        if step is None or _root_step(prim, base, c_exp) is None:
            return None
        codec = (
            _ChunkCodec(largest, nsym, prim, fcr % largest, step, largest),
            rs_generator_poly(nsym, fcr, generator),
        )
        with _native_lock:
            if len(_native_codecs) > 64:
                _native_codecs.clear()
            _native_codecs[key] = codec
    return codec


def _same_polynomial(given, expected):
    try:
        return bytearray(given) == expected
    except (TypeError, ValueError):
        return False


def _root_step(prim, generator, c_exp):
    """log of generator to vekdi's alpha for prim, when prim defines GF(2^c_exp) and
    generator is a primitive element of it; None otherwise."""
    largest = 2**c_exp - 1
    if c_exp < 2 or not (1 << c_exp) <= prim < (2 << c_exp) or not 1 < generator <= largest:
        return None
    try:
        field = _Field(prim)
    except ValueError:
        return None
    step = field.log(generator)
    return step if math.gcd(step, largest) == 1 else None


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


def _with_tables(exp, log, largest):
    """This module's functions bound to other tables than the module's (and running
    in Python): what RSCodec uses to replay a chunk the C++ decode gave up on."""
    namespace = dict(globals())
    namespace.update(gf_exp=exp, gf_log=log, field_charac=largest, _initialised=None)
    for name, value in globals().items():
        if isinstance(value, types.FunctionType) and value.__module__ == __name__:
            namespace[name] = types.FunctionType(value.__code__, namespace, name, value.__defaults__)
    return namespace


init_tables()


class RSCodec(object):
    """A Reed-Solomon encoder/decoder for streams of any length, cut into chunks.

    RSCodec(nsym=10, nsize=255, fcr=0, prim=0x11d, generator=2, c_exp=8, single_gen=True)::

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
        # Integers only (the original fails on other numbers, at once or in the first call).
        nsym, nsize, fcr, prim, generator, c_exp = map(operator.index, (nsym, nsize, fcr, prim, generator, c_exp))
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
            prim = find_prime_polys(generator=generator, c_exp=c_exp, fast_primes=True, single=True)[0]
            if nsize == 255:
                nsize = (1 << c_exp) - 1
        if nsym >= nsize:
            raise ValueError("ECC symbols must be strictly less than the total message length (nsym < nsize).")

        self.nsym = nsym
        self.nsize = nsize
        self.fcr = fcr
        self.prim = prim
        self.generator = generator
        self.c_exp = c_exp
        self.field_charac = (1 << c_exp) - 1
        self._root_step = self._root_step_of_generator()
        # As in the original, the codec's field becomes the module's (gf_exp, gf_log, field_charac).
        self.gf_log, self.gf_exp, self.field_charac = init_tables(prim, generator, c_exp)
        self._bytearray = bytearray
        if single_gen:
            self.gen = {nsym: rs_generator_poly(nsym, fcr, generator)}
        else:
            self.gen = rs_generator_poly_all(nsize, fcr, generator)
        self._codecs = {}
        if nsym > 0:
            self._codec(nsym)

    # Pickling and copying keep the public attributes; the C++ codecs are rebuilt on use.
    def __getstate__(self):
        state = dict(self.__dict__)
        state["_codecs"] = {}
        state.pop("_replay_functions", None)
        return state

    def __setstate__(self, state):
        self.__dict__.update(state)

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

    def _codec(self, nsym):
        codec = self._codecs.get(nsym)
        if codec is None:
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
        if nsym <= 0:
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
            raise ValueError(
                "RSCodec(nsym=0) has no ECC symbols to decode with: the chunks are messages as they are "
                "(the original returns empty messages)"
            )
        if nsym < 0:
            if size:  # the original's failure on the first chunk
                first = None if erasures is None else [p for p in erasures if p < self.nsize]
                self._replay(data[: self.nsize], nsym, first, only_erasures)
            return bytearray(), bytearray(), bytearray()
        codec = self._codec(nsym)
        view = _bytes_like(data)
        try:
            return codec.decode(view, erasures, bool(only_erasures))
        except ReedSolomonError as failure:
            self._explain(codec, view, size, nsym, erasures, bool(only_erasures), failure)

    def _explain(self, codec, data, size, nsym, erasures, only_erasures, failure):
        """Raises, for the first chunk the C++ decode could not repair, the exception the
        original raises on it; the C++ one where the original would return a farther word."""
        nsize = self.nsize
        for start in range(0, size, nsize):
            chunk = bytes(data[start : start + nsize])
            positions = None if erasures is None else [p if p < 0 else p - start for p in erasures
                                                       if (p < 0 and start == 0) or start <= p < start + nsize]
            try:
                codec.decode(chunk, positions, only_erasures)
            except ReedSolomonError:
                self._replay(chunk, nsym, positions, only_erasures)
                raise failure from None
        raise failure

    def _replay(self, chunk, nsym, positions, only_erasures):
        """The original's decode of one chunk, in Python on this codec's tables."""
        functions = self.__dict__.get("_replay_functions")
        if functions is None:
            functions = self._replay_functions = _with_tables(self.gf_exp, self.gf_log, self.field_charac)
        functions["rs_correct_msg"](bytearray(chunk), nsym, self.fcr, self.generator, positions, only_erasures)

    def check(self, data, nsym=None):
        """A list with, per chunk of nsize symbols, whether it is a codeword."""
        if not nsym:
            nsym = self.nsym
        if isinstance(data, str):
            data = bytearray(data)
        size = len(data)
        if nsym <= 0:
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
