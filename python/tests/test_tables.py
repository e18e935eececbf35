import ctypes
import re
from ctypes import POINTER, c_char_p, c_int16, c_int32, c_uint16, c_void_p
from pathlib import Path

import pytest

from ravel import _lib, errors, registers

C_TYPES = {"int32_t": c_int32, "char*": c_char_p, "constchar*": c_char_p, "void*": c_void_p,
           "constvoid*": c_void_p, "void**": POINTER(c_void_p), "int32_t*": POINTER(c_int32),
           "constint32_t*": POINTER(c_int32), "int16_t*": POINTER(c_int16), "constint16_t*": POINTER(c_int16),
           "uint16_t*": POINTER(c_uint16)}


def c_type(declaration: str) -> type:
    return C_TYPES[re.sub(r"\s+", "", re.sub(r"\s*\w+$", "", declaration.strip()))]


def exports(text: str) -> dict:
    found = {}
    for result, name, arguments in re.findall(r"RAVLIB_API ([^;(]+?) ?RAVLIB_CALL (RV_\w+)\((.*?)\);", text, re.S):
        types = () if arguments == "void" else tuple(c_type(a) for a in arguments.split(","))
        found[name] = (C_TYPES[result.replace(" ", "")], types)
    return found


def register_map(text: str) -> list:
    offsets = {n: int(v, 16) for n, v in re.findall(r"constexpr std::uint32_t (\w+) = (0x[0-9A-Fa-f]+);", text)}
    table = text[text.index("kRegisterMap[]"):]
    table = table[:table.index("};")]
    return [registers.Register(n, offsets[o], int(b)) for n, o, b in re.findall(r'\{"(\w+)", (\w+), (\d+)\}', table)]


@pytest.mark.parametrize("header, parse, expected", [
    ("lib/Ravlib.h", exports, _lib.EXPORTS),
    ("lib/Ravlib.h", lambda t: {int(c): "MKY43_ER_" + n for n, c in re.findall(r"MKY43_ER_(\w+) = (-?\d+)", t)},
     errors.NAMES),
    ("chip/Mky43.h", register_map, list(registers.REGISTERS)),
])
def test_tables_match_the_c_headers(header, parse, expected):
    path = Path(__file__).resolve().parents[2] / header
    if not path.is_file():
        pytest.skip(f"{path} is not here: the check needs the source tree")
    parsed = parse(path.read_text())
    assert parsed == expected
    assert len(parsed) in (48, 28, 36)
