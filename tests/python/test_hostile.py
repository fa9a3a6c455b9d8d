# SPDX-License-Identifier: Apache-2.0
"""Hostile input at the module's boundary: buffers of the wrong shape, type or
size, numbers out of every range, and buffers changed by another thread while
the module works without the GIL. The asan configuration runs this file
against a module built with the sanitizers, so an out-of-bounds access or a
use after free is reported there; here each call must raise cleanly or give
the right answer."""

import threading
import time

import pytest

import vekdi
from vekdi.reedsolo import RSCodec

numpy = pytest.importorskip("numpy")

CODE = vekdi.ReedSolomon(255, 223)
MESSAGE = bytes(range(223))
WORD = CODE.encode(MESSAGE)


@pytest.mark.parametrize("source", [
    numpy.frombuffer(MESSAGE * 2, numpy.uint8)[::2],                   # strided view
    numpy.frombuffer(MESSAGE * 2, numpy.uint8).reshape(223, 2)[:, 0],  # a column
    numpy.zeros((223, 1), numpy.uint8).T[0][::-1],                     # negative stride
    numpy.zeros(223, numpy.int64),
    numpy.zeros(223, numpy.float32),
    "x" * 223,
    None,
    12345,
    [0] * 223,
])
def test_buffers_of_the_wrong_kind_raise(source):
    with pytest.raises((TypeError, ValueError)):
        CODE.encode(source)
    with pytest.raises((TypeError, ValueError)):
        CODE.decode_in_place(source)


def test_sizes_and_numbers_out_of_range_raise():
    huge, negative = 2 ** 63, -(2 ** 63)
    for n, k in ((huge, 1), (255, huge), (negative, 1), (255, -1), (0, 0), (256, 223), (255, 255)):
        with pytest.raises((vekdi.Error, OverflowError, TypeError)):
            vekdi.ReedSolomon(n, k)
    for erasures in ([huge], [negative], [-1], [255], list(range(40))):
        with pytest.raises((vekdi.Error, vekdi.DecodeError, OverflowError, TypeError)):
            CODE.decode(WORD, erasures=erasures)
    for length in (1, 254, 256, 255 * 3 + 1):
        with pytest.raises(vekdi.Error):
            CODE.decode_blocks(bytes(length))
    with pytest.raises(vekdi.Error):
        CODE.encode_blocks_into(MESSAGE * 2, bytearray(255 * 2 - 1))
    with pytest.raises((ValueError, OverflowError, TypeError)):
        RSCodec(huge)
    with pytest.raises((ValueError, OverflowError, TypeError)):
        RSCodec(10, nsize=negative)


def test_a_buffer_resized_by_another_thread_while_the_gil_is_released():
    words, received = 2000, bytearray(WORD * 2000)
    for w in range(0, words, 7):
        received[w * 255 + 5] ^= 0x5A
    expected = WORD * words
    stop = threading.Event()
    refused = []

    def resize():
        while not stop.is_set():
            try:
                received.extend(b"\0" * 4096)  # refused while the module holds the buffer
            except BufferError:
                refused.append(1)
                continue
            del received[-4096:]
            time.sleep(0)  # hand the GIL over with the buffer at its size

    thread = threading.Thread(target=resize)
    thread.start()
    try:
        for attempt in range(500):
            if attempt >= 5 and refused:
                break
            try:
                result = CODE.decode_blocks_in_place(received)
            except vekdi.Error:
                continue  # called between the other thread's extend and its undo
            assert not result.failed
    finally:
        stop.set()
        thread.join()
    CODE.decode_blocks_in_place(received)
    assert bytes(received) == expected and refused
