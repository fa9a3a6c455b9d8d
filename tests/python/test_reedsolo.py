# SPDX-License-Identifier: Apache-2.0
"""vekdi.reedsolo against facts computed with the original reedsolo package."""

import hashlib

import pytest

from vekdi.reedsolo import RSCodec, ReedSolomonError

STREAM = bytes((i * 37 + 11) % 256 for i in range(600))


def digest(data):
    return hashlib.sha256(bytes(data)).hexdigest()[:16]


# (parameters, output length, digest of encode(STREAM masked to the field)): the
# last chunk is shorter (a shortened code) in each.
ENCODED = [
    (dict(nsym=10), 630, "3aa9a547a7a67511"),
    (dict(nsym=12, fcr=120, prim=0x187), 636, "51b0c80baf4db60e"),
    (dict(nsym=8, generator=3, prim=0x11B), 624, "c06a23f278463306"),
    (dict(nsym=16, generator=4, fcr=5), 648, "32f0a8ab8581e60d"),
    (dict(nsym=7, nsize=100), 649, "f488b3dbe57dd57e"),
    (dict(nsym=6, c_exp=4), 1002, "a03b498a079b1922"),
    (dict(nsym=9, c_exp=7, fcr=3), 654, "05a890a017f31904"),
    (dict(nsym=5, c_exp=5, generator=3), 720, "0b11aa337355e0e0"),
]


@pytest.mark.parametrize("params,length,expected", ENCODED)
def test_encode_and_round_trip_match_the_original(params, length, expected):
    codec = RSCodec(**params)
    data = bytes(b & codec.field_charac for b in STREAM)
    encoded = codec.encode(data)
    assert type(encoded) is bytearray and len(encoded) == length and digest(encoded) == expected
    message, full, errata = codec.decode(encoded)
    assert (message, full, errata) == (data, encoded, bytearray())
    assert all(type(x) is bytearray for x in (message, full, errata))
    assert codec.check(encoded) == [True] * -(-len(encoded) // codec.nsize)


def test_short_vectors():
    assert RSCodec(10).encode(b"hello world") == b"hello world\xed%T\xc4\xfd\xfd\x89\xf3\xa8\xaa"
    assert RSCodec(12, fcr=120, prim=0x187).encode(bytes(range(18))).hex() == (
        "000102030405060708090a0b0c0d0e0f101136a4f0f1202561575fb545d2")
    assert RSCodec(8, generator=3, prim=0x11B).encode(b"vekdi").hex() == "76656b64696560aabd2810f0af"
    assert RSCodec(6, c_exp=4).encode([1, 2, 3, 4, 5]).hex() == "0102030405000000080108"


def test_automatic_field_and_public_attributes():
    # c_exp != 8 with prim left at 0x11d: prim picked, nsize follows c_exp.
    expected = {(3, 2): (0xB, "dd18f690a3155f89"), (4, 3): (0x13, "efc6a335670c869a"),
                (6, 3): (0x49, "8a33fbb00cfb8f8d"), (7, 2): (0x83, "33602a52fdbbf79c")}
    for (c_exp, generator), (prim, exp_digest) in expected.items():
        codec = RSCodec(1, c_exp=c_exp, generator=generator)
        assert (codec.prim, codec.nsize, codec.field_charac) == (prim, 2**c_exp - 1, 2**c_exp - 1)
        assert digest(codec.gf_exp) == exp_digest and len(codec.gf_log) == 2**c_exp
    gens = RSCodec(5, single_gen=False, nsize=20).gen
    assert [bytes(g).hex() for g in gens[:7]] == [
        "01", "0101", "010302", "01070e08", "010f367840", "011fc63f9374", "013f01da20e326"]
    assert len(gens) == 20 and list(RSCodec(5).gen) == [5]
    with pytest.raises(IndexError):  # GF(4): no prime polynomial qualifies, as in the original
        RSCodec(1, c_exp=2)


def test_errors_and_erasures_across_chunks():
    codec = RSCodec(10)
    encoded = codec.encode(STREAM)  # chunks of 255, 255, 120
    received = bytearray(encoded)
    for p in (3, 77, 200, 260, 300, 511, 520, 600):
        received[p] ^= 0x5A
    erasures = (3, 300, 250, 521, 530, 100)  # a tuple may reach past the first 256 positions
    for p in erasures:
        received[p] = 0
    assert digest(received) == "ae3bb779c82f17e6"
    message, full, errata = codec.decode(bytes(received), erase_pos=erasures)
    assert message == STREAM and full == encoded
    # Per chunk: its erasures as given, then its errors, last first.
    assert list(errata) == [3, 250, 100, 200, 77, 45, 5, 11, 20, 90, 10, 1]
    assert codec.check(received) == [False, False, False]


def test_only_erasures_and_nsym_overrides():
    codec = RSCodec(10)
    received = bytearray(codec.encode(STREAM[:200]))
    received[5] = received[6] = 0
    assert codec.decode(received, erase_pos=[5, 6], only_erasures=True)[1] == codec.encode(STREAM[:200])
    received[7] ^= 1
    with pytest.raises(ReedSolomonError, match="Could not correct message"):
        codec.decode(received, erase_pos=[5, 6], only_erasures=True)
    assert list(codec.decode(received, erase_pos=[5, 6])[2]) == [5, 6, 7]

    flexible = RSCodec(12, single_gen=False)
    other = flexible.encode(STREAM, nsym=20)  # chunks of 235 message bytes
    assert other == RSCodec(20).encode(STREAM)
    assert flexible.decode(other, nsym=20)[0] == STREAM and flexible.check(other, nsym=20) == [True] * 3
    with pytest.raises(KeyError):  # single_gen=True keeps one generator polynomial only
        RSCodec(12).encode(b"abc", nsym=10)


def test_capacity_per_chunk(rng):
    codec = RSCodec(10)
    encoded = codec.encode(STREAM[:100])  # one shortened chunk of 110
    for errors in range(6):
        received = bytearray(encoded)
        for p in rng.sample(range(110), errors):
            received[p] ^= rng.randrange(1, 256)
        assert codec.decode(received)[1] == encoded
    for _ in range(50):  # beyond 2e + v <= nsym: never a silently wrong message
        received = bytearray(encoded)
        for p in rng.sample(range(110), 6 + rng.randrange(4)):
            received[p] ^= rng.randrange(1, 256)
        erasures = rng.sample(range(110), rng.randrange(3))
        try:
            repaired = codec.decode(received, erase_pos=erasures)[1]
        except ReedSolomonError:
            continue
        errors = sum(a != b for p, (a, b) in enumerate(zip(repaired, received)) if p not in erasures)
        assert codec.check(repaired) == [True] and 2 * errors + len(erasures) <= 10


@pytest.mark.parametrize("call,kind,text", [
    (lambda: RSCodec(10).encode("text"), TypeError, "string argument without an encoding"),
    (lambda: RSCodec(10).decode("text"), TypeError, "string argument without an encoding"),
    (lambda: RSCodec(10).encode(5), TypeError, "object of type 'int' has no len()"),
    (lambda: RSCodec(10).encode([1, 300]), ValueError, "byte must be in range(0, 256)"),
    (lambda: RSCodec(10).decode(bytes(30), erase_pos=[300]), ValueError, "byte must be in range(0, 256)"),
    (lambda: RSCodec(10).decode(bytes(30), erase_pos=(-1,)), ValueError, "byte must be in range(0, 256)"),
    (lambda: RSCodec(10).decode(bytes(30), erase_pos=(40,)), IndexError, "bytearray index out of range"),
    (lambda: RSCodec(10).decode(bytes(30), erase_pos=range(11)), ReedSolomonError, "Too many erasures to correct"),
    (lambda: RSCodec(10, nsize=10), ValueError,
     "ECC symbols must be strictly less than the total message length (nsym < nsize)."),
    (lambda: RSCodec(4, c_exp=4).encode(bytes([1, 200])), IndexError, "bytearray index out of range"),
    (lambda: RSCodec(4, c_exp=4, prim=0x13).encode(bytes(12)), ValueError, "Message is too long (16 when max is 15)"),
    (lambda: RSCodec(11).maxerrata(errors=6), ReedSolomonError,
     "Specified number of errors or erasures exceeding the Singleton Bound!"),
])
def test_bad_inputs_raise_as_the_original(call, kind, text):
    with pytest.raises(kind) as raised:
        call()
    assert str(raised.value) == text


@pytest.mark.parametrize("params,words", [
    (dict(c_exp=9), "c_exp <= 8"), (dict(nsize=300), "at most 255"),
    (dict(prim=0x11B, generator=2), "not a primitive element"), (dict(prim=0x11F), "not irreducible")])
def test_fields_vekdi_does_not_provide_raise_value_error(params, words):
    with pytest.raises(ValueError, match=words):
        RSCodec(10, **params)


def test_inputs_and_maxerrata(capsys):
    numpy = pytest.importorskip("numpy")
    codec = RSCodec(10)
    expected = codec.encode(b"abcdef")
    for data in (b"abcdef", bytearray(b"abcdef"), memoryview(b"abcdef"), list(b"abcdef"),
                 numpy.frombuffer(b"abcdef", numpy.uint8), numpy.frombuffer(b"abcdef", numpy.uint8).astype(int)):
        assert codec.encode(data) == expected
    assert codec.decode(list(expected))[0] == b"abcdef"
    assert codec.maxerrata() == (5, 10) and codec.maxerrata(erasures=3) == (3, 3)
    assert codec.maxerrata(errors=2, verbose=True) == (2, 6)
    assert capsys.readouterr().out == "This codec can correct up to 2 errors and 6 erasures simultaneously\n"


# ---- the module's functions ---------------------------------------------------------


@pytest.fixture
def reedsolo():
    """vekdi.reedsolo with its tables as import leaves them, before and after the test."""
    import vekdi.reedsolo as module

    module.init_tables()
    yield module
    module.init_tables()


def test_functions_match_the_original(reedsolo):
    r = reedsolo
    assert list(r.rwh_primes1(30)) == [2, 3, 5, 7, 11, 13, 17, 19, 23, 29]
    assert list(r.find_prime_polys(c_exp=4)) == [19, 25] and list(r.find_prime_polys(3, 5, True, True)) == [37]
    assert r.rs_generator_poly(4).hex() == "010f367840" and r.rs_generator_poly(3, 120, 3).hex() == "01218855"
    assert (r.gf_poly_mul([1, 2, 3], [4, 5]).hex(), r.gf_poly_eval([1, 2, 3], 9)) == ("040d060f", 80)
    assert [q.hex() for q in r.gf_poly_div(bytearray([1, 2, 3, 4, 5]), [1, 7, 9])] == ["010511", "5e9c"]
    assert (r.gf_inverse(0), r.gf_pow(0, 5)) == (1, 1)  # the original's table lookups, kept

    word = r.rs_encode_msg(b"hello world", 10)
    assert type(word) is bytearray and word == RSCodec(10).encode(b"hello world")
    assert r.rs_simple_encode_msg(bytearray(b"hello world"), 10) == word
    received = bytearray(word)
    received[0] ^= 1
    received[5] ^= 0x55
    received[12] = 0
    received[16] ^= 9
    assert r.rs_calc_syndromes(received, 10) == [0, 120, 91, 29, 143, 43, 86, 255, 6, 208, 54]
    assert not r.rs_check(received, 10) and r.rs_check(word, 10)
    synd = r.rs_calc_syndromes(received, 10)
    fsynd = r.rs_forney_syndromes(synd, [12, 16], len(received))
    assert r.rs_find_error_locator(fsynd, 10, erase_count=2).hex() == "9c9201"
    expected = (bytearray(b"hello world"), word[11:])
    # erasures, then errors last first; the variant without Forney syndromes lists every erratum again
    assert r.rs_correct_msg(received, 10, erase_pos=[12, 16]) == expected + (bytearray([12, 16, 5, 0]),)
    assert r.rs_correct_msg_nofsynd(received, 10, erase_pos=[12, 16]) == expected + (bytearray([12, 16, 16, 12, 5, 0]),)
    assert r.rs_correct_msg_nofsynd(word, 10) == expected + ([],)
    assert all(type(x) is bytearray for x in r.rs_correct_msg(received, 10))

    beyond = bytearray(word)
    for p in range(6):
        beyond[p] ^= 0x21
    for correct in (r.rs_correct_msg, r.rs_correct_msg_nofsynd):
        with pytest.raises(ReedSolomonError, match="^Too many errors to correct$"):
            correct(beyond, 10)
        with pytest.raises(ReedSolomonError, match="^Could not correct message$"):
            correct(beyond, 10, erase_pos=[0, 1], only_erasures=True)
        assert correct(beyond, 10, erase_pos=[0, 1, 2, 3])[0] == b"hello world"
    with pytest.raises(ValueError, match=r"^Message is too long \(256 when max is 255\)$"):
        r.rs_encode_msg(bytes(250), 6)


def test_init_tables_changes_what_later_calls_use(reedsolo):
    r = reedsolo
    log, exp, charac = r.init_tables(0x13, 2, 4)
    assert (r.gf_log, r.gf_exp, r.field_charac) == (log, exp, charac) and charac == 15
    assert exp.hex() == "0102040803060c0b050a070e0f0d09" * 2 and log.hex() == "000001040208050a030e0907060d0b0c"
    assert r.gf_mul(7, 9) == 10 and r.rs_encode_msg([1, 2, 3], 4).hex() == "0102030e080402"
    r.init_tables(0x187, 2, 8)
    assert r.gf_mul(0x53, 0xCA) == 168 and r.rs_encode_msg(b"vekdi", 4, fcr=120).hex() == "76656b64690d4f0bf3"
    RSCodec(4, c_exp=5)  # as in the original, a codec's field becomes the module's
    assert r.field_charac == 31
    with pytest.raises(ValueError, match="c_exp <= 8"):
        r.init_tables(0x211, 2, 9)


def test_cpp_and_python_paths_agree(reedsolo, rng):
    # A copy of the tables, equal but not init_tables' own, sends every call down the Python path.
    r = reedsolo
    for prim, generator, fcr, nsym in ((0x11D, 2, 0, 10), (0x187, 2, 120, 16), (0x11B, 3, 1, 7), (0x25, 2, 3, 6)):
        c_exp = prim.bit_length() - 1
        r.init_tables(prim, generator, c_exp)
        native_tables = r.gf_exp
        for _ in range(30):
            length = rng.randrange(nsym + 1, r.field_charac + 1)
            word = r.rs_encode_msg(bytearray(rng.randrange(r.field_charac + 1) for _ in range(length - nsym)), nsym, fcr)
            for p in rng.sample(range(length), rng.randrange(nsym)):
                word[p] ^= rng.randrange(1, r.field_charac + 1)
            erasures = rng.sample(range(length), rng.randrange(nsym // 2))
            results = []
            for tables in (native_tables, bytearray(native_tables)):
                r.gf_exp = tables
                outcome = [r.rs_calc_syndromes(word, nsym, fcr), r.rs_encode_msg(word[:-nsym], nsym, fcr)]
                for correct in (r.rs_correct_msg, r.rs_correct_msg_nofsynd):
                    try:
                        outcome.append(correct(word, nsym, fcr, erase_pos=list(erasures)))
                    except ReedSolomonError as failure:
                        outcome.append(str(failure))
                results.append(outcome)
            assert results[0] == results[1]


# ---- RSCodec beyond the chunk loops -----------------------------------------------------


def _decode_first_chunk(codec):
    return codec.decode(codec.encode(STREAM[:200]))[0]


def test_codec_pickles_copies_and_runs_in_a_pool():
    import copy
    import multiprocessing
    import pickle

    codec = RSCodec(12, fcr=1, single_gen=False)
    for twin in (pickle.loads(pickle.dumps(codec)), copy.deepcopy(codec)):
        assert (twin.gen, twin.gf_exp, twin.nsym) == (codec.gen, codec.gf_exp, 12)
        assert twin.encode(STREAM, nsym=20) == codec.encode(STREAM, nsym=20)
    with multiprocessing.get_context("spawn").Pool(2) as pool:
        assert pool.map(_decode_first_chunk, [codec, RSCodec(8)]) == [STREAM[:200]] * 2


def test_failures_beyond_the_radius_raise_the_original_messages():
    codec = RSCodec(10)
    received = codec.encode(bytes(range(200)) * 2)
    for p in range(0, 30, 5):
        received[p] ^= 0x41
    with pytest.raises(ReedSolomonError, match="^Too many errors to correct$"):
        codec.decode(received)
    assert codec.decode(received, erase_pos=[1, 2, 3, 4])[2] == bytearray([1, 2, 3, 4, 225, 208, 10])
    assert codec.decode(received, erase_pos=list(range(0, 30, 5)), only_erasures=True)[2] == bytes(range(0, 30, 5))


def test_codecs_without_ecc_symbols():
    # nsym < 0 behaves as in the original: encode adds nothing, decode fails.
    negative = RSCodec(-1)
    assert negative.encode(b"hello") == b"hello" and negative.check(b"hello") == [True]
    with pytest.raises(ReedSolomonError, match="^Too many erasures to correct$"):
        negative.decode(b"hello")
    # nsym = 0: the original decodes b"hello" to an empty message; vekdi refuses.
    empty = RSCodec(0)
    assert empty.encode(b"hello") == b"hello"
    with pytest.raises(ValueError, match="no ECC symbols"):
        empty.decode(b"hello")
