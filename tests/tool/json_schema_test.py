#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""vekdi --json against docs/vekdi-json.schema.json: verify (intact, damaged,
many files, a name that is not UTF-8), repair, info and a failure.

    json_schema_test.py PROGRAM SCHEMA
"""
import json
import os
import subprocess
import sys
import tempfile

import jsonschema


def run(program, *args):
    p = subprocess.run([program, *args], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    return p.returncode, p.stdout


def main():
    program, schema_path = sys.argv[1], sys.argv[2]
    with open(schema_path) as f:
        schema = json.load(f)
    validator = jsonschema.Draft202012Validator(schema)
    failures = 0

    def check(args, expect_status):
        nonlocal failures
        status, out = run(program, *args)
        doc = json.loads(out)
        errors = list(validator.iter_errors(doc))
        if errors or status != expect_status or doc["exit_status"] != status:
            failures += 1
            print(f"FAIL {args}: status {status}, errors {[e.message for e in errors]}\n{out!r}")
        return doc

    with tempfile.TemporaryDirectory() as d:
        d = os.fsencode(d)
        a = os.path.join(d, b"a")
        odd = os.path.join(d, b"\xff\xfe name")
        data = os.urandom(300000)
        for path in (a, odd):
            with open(path, "wb") as f:
                f.write(data)
            assert run(program, "protect", path)[0] == 0
        check(["verify", "--json", a], 0)
        check(["info", "--json", a + b".vekdi"], 0)
        doc = check(["verify", "--json", odd], 0)
        entry = doc["files"][0]
        if "\ufffd" not in entry["path"] or bytes.fromhex(entry["path_hex"]) != odd:
            failures += 1
            print(f"FAIL the name that is not UTF-8: {entry}")
        with open(a, "r+b") as f:
            f.seek(1000)
            f.write(bytes(5000))
        doc = check(["verify", "--json", a, odd], 1)
        ranges = doc["files"][0]["damaged_ranges"]
        if not ranges or ranges[0][0] > 1000 or ranges[-1][1] < 5999:
            failures += 1
            print(f"FAIL damaged ranges {ranges}")
        check(["repair", "--json", a, "-o", os.path.join(d, b"out")], 0)
        check(["repair", "--json", a, "-o", a], 3)
        check(["info", "--json", a], 4)
    print("json schema: %s" % ("ok" if failures == 0 else f"{failures} failures"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
