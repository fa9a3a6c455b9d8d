#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""The manual page and the bash completion against `vekdi --help`: every
command and every option each command's help prints must be in both, and
neither may offer an option the program does not have.

    help_docs_test.py PROGRAM MANPAGE COMPLETION
"""
import re
import subprocess
import sys


def help_of(program, *command):
    return subprocess.run([program, *command, "--help"], stdout=subprocess.PIPE, text=True, check=True).stdout


def options(text):
    """Option names in a help text's Options section."""
    section = text.split("Options:", 1)[1].split("Subcommands:")[0].split("Exit status:")[0]
    return set(re.findall(r"(?<![\w-])(--?[A-Za-z][\w-]*)", section))


def main():
    program, manpage, completion = sys.argv[1:4]
    man = open(manpage).read().replace("\\-", "-")
    bash = open(completion).read()
    failures = []
    top = help_of(program)
    commands = re.findall(r"^  (\w+)\s{2,}", top.split("Subcommands:", 1)[1], re.M)
    if sorted(commands) != sorted(["protect", "verify", "repair", "info"]):
        failures.append(f"commands in --help: {commands}")
    for c in commands:
        if not re.search(rf"^\.B {c}$", man, re.M):
            failures.append(f"man page: no section for command {c}")
        if c not in bash.split("commands=")[1].splitlines()[0]:
            failures.append(f"completion: command {c} missing")
    man_options = set(re.findall(r"(?<![\w-])(--?[A-Za-z][\w-]*)", man.split(".SH OPTIONS", 1)[1].split(".SH EXIT")[0]))
    for c in commands:
        wanted = options(help_of(program, c))
        line = re.search(rf"^\s*{c}\) options=\"(.*)\"", bash, re.M)
        offered = set(line.group(1).replace("$common", "-h --help -q --quiet -j --threads").split()) if line else set()
        for o in sorted(wanted - man_options):
            failures.append(f"man page: {c} {o} not described")
        if offered != wanted:
            failures.append(f"completion of {c}: offers {sorted(offered - wanted)} too many, lacks {sorted(wanted - offered)}")
    all_options = set().union(*(options(help_of(program, c)) for c in commands)) | options(top)
    for o in sorted(man_options - all_options):
        failures.append(f"man page describes {o}, which the program does not have")
    for status in range(9):
        if not re.search(rf"^\.B {status}$", man, re.M):
            failures.append(f"man page: exit status {status} missing")
    for f in failures:
        print("STALE", f)
    print("manual page and completion: " + ("up to date" if not failures else f"{len(failures)} differences"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
