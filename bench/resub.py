#!/usr/bin/env python3
"""The translation an author would write by hand with re.sub, timed beside zunt.

Usage: resub.py DECLARATIONS SCRIPT OUTPUT

Declarations are lines "NAME = y100" and "(NAME) = 'text'"; the script refers
to them as $NAME$, @NAME@, $NAME[k]$, @NAME[k]@ and (NAME).
"""
import re
import sys

decls, script, output = sys.argv[1:4]
with open(decls, encoding="latin-1") as f:
    text = f.read()
variables = {m[1].upper(): (m[2], int(m[3], 0))
             for m in re.finditer(r"^(\w+)\s*=\s*(\w)(-?\w+)", text, re.M)}
constants = {m[1].upper(): m[2] for m in re.finditer(r"^\((\w+)\)\s*=\s*'([^']*)'", text, re.M)}


def expand(m):
    if m[5] is not None:
        return constants[m[5].upper()]
    letter, number = variables[(m[2] or m[4]).upper()]
    number += int(m[3] or 0)
    return letter + str(number) if m[1] == "$" else str(number)


pattern = re.compile(r"([$@])(?:(\w+)\[(-?\d+)\]|(\w+))[$@]|\((\w+)\)")
with open(script, encoding="latin-1", newline="") as f:
    result = pattern.sub(expand, f.read())
with open(output, "w", encoding="latin-1", newline="") as f:
    f.write(result)
