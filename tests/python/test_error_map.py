# SPDX-License-Identifier: Apache-2.0
"""The Python column of the error map in docs/architecture.md ("Checks and
errors"), read from the document: each row's case, provoked through the
module, raises the documented exception with the documented argument name
(or lists the word in decode_blocks' `failed`)."""
import pathlib
import re

import pytest

import vekdi

DOC = pathlib.Path(__file__).resolve().parents[2] / "docs" / "architecture.md"


def table_rows():
    rows, inside = [], False
    for line in DOC.read_text(encoding="utf-8").splitlines():
        if line.startswith("| C status |"):
            inside = True
        elif inside and not line.startswith("| ---"):
            if not line.startswith("|"):
                break
            cells = [c.strip().strip("`") for c in line.strip("|").split("|")]
            rows.append(dict(zip(("status", "case", "cpp", "python", "tool"), cells)))
    return rows


def _overlap():
    code = vekdi.ErasureCode(4, 2)
    data = [bytearray(8) for _ in range(4)]
    code.encode_into(data, [data[0], bytearray(8)])


RAMP = bytes(range(255))  # far from every codeword of RS(255, 223)

# case -> the call that provokes it.
CASES = {
    "gf-reducible": lambda: vekdi.Field(0x15),
    "rs-export-too-many-errors": lambda: vekdi.ReedSolomon(255, 223).decode(RAMP),
    "gf-element-outside": lambda: vekdi.Field(0x13).mul(16, 1),
    "gf-divide-by-zero": lambda: vekdi.Field(0x11D).div(1, 0),
    "ec-no-data-shards": lambda: vekdi.ErasureCode(0, 2),
    "ec-too-many-shards": lambda: vekdi.ErasureCode(250, 10),
    "rs-longer-than-field": lambda: vekdi.ReedSolomon(16, 9, polynomial=0x13),
    "rs-erasure-outside": lambda: vekdi.ReedSolomon(255, 223).decode(bytes(255), erasures=[255]),
    "ec-parity-over-data": _overlap,
    "ec-too-few-survivors": lambda: vekdi.ErasureCode(4, 2).reconstruct([None] * 3 + [b"x" * 8] * 3),
    "ec-singular": lambda: vekdi.ErasureCode.from_matrix(2, 2, bytes([1, 1, 1, 1])).reconstruct(
        [None, None, b"\x05", b"\x05"]),
    "rs-too-many-erasures": lambda: vekdi.ReedSolomon(255, 223).decode(bytes(255), erasures=range(33)),
    "rs-symbol-outside": lambda: vekdi.ReedSolomon(15, 9, polynomial=0x13).encode(bytes([16] * 9)),
    "rs-reducible": lambda: vekdi.ReedSolomon(15, 9, polynomial=0x15),
}
# The same failures many words at a time: reported, not raised.
BLOCKS = {
    "rs-export-too-many-errors": lambda: vekdi.ReedSolomon(255, 223).decode_blocks(bytes(255) + RAMP),
    "rs-too-many-erasures": lambda: vekdi.ReedSolomon(255, 223).decode_blocks(
        bytes(510), erasures=[[], list(range(33))]),
}

ROWS = [r for r in table_rows() if r["python"] != "—"]


def test_the_table_is_there_and_every_row_has_a_case():
    assert len(table_rows()) >= 20
    assert {r["case"] for r in ROWS} <= CASES.keys()


@pytest.mark.parametrize("row", ROWS, ids=lambda r: r["case"])
def test_row(row):
    raised = re.fullmatch(r"([\w.]+)\((\w+)\)", row["python"])
    if raised:
        kind = {"vekdi.Error": vekdi.Error, "ZeroDivisionError": ZeroDivisionError}[raised[1]]
        with pytest.raises(kind) as caught:
            CASES[row["case"]]()
        assert type(caught.value) is kind
        assert caught.value.argument == raised[2]
    else:
        assert row["python"] == "vekdi.DecodeError`; `failed"
        with pytest.raises(vekdi.DecodeError):
            CASES[row["case"]]()
        result = BLOCKS[row["case"]]()
        assert result.failed == [1] and not result.ok
