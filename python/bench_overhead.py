"""Overhead of the Pythonic layer over a bare ctypes call.

For one GM block read (four 16-bit elements) and one 16-bit register read,
times the ``ravel`` call and the bare ctypes call with a buffer made once,
on a private host, and prints both and their ratio:

    RAVLIB_PATH=build/bin /usr/bin/python3 python/bench_overhead.py
"""

from __future__ import annotations

import ctypes
import timeit

import ravel
from ravel import _lib
from ravel.testing import Host

NUMBER = 20000


def best(statement, repeat: int = 5) -> float:
    """Microseconds per call, the best of ``repeat`` runs."""
    return min(timeit.repeat(statement, number=NUMBER, repeat=repeat)) / NUMBER * 1e6


def main() -> None:
    with Host(boards=(0,)), ravel.Board(0) as board:
        board.start(1, 2)
        block = (ctypes.c_int16 * 4)()
        word = ctypes.c_uint16()
        pairs = {
            "GM block read": (lambda: _lib.RV_GetMemShort(0, 0, block, 1, 0, 4), lambda: board.gm.read(1, 4)),
            "register read": (lambda: _lib.RV_GetReg16(0, 0, 0x356, ctypes.byref(word)),
                              lambda: board.registers["BCR"]),
        }
        print(f"{'':16}{'ctypes us':>10}{'ravel us':>10}{'ratio':>8}")
        for name, (bare, pythonic) in pairs.items():
            bare_us, pythonic_us = best(bare), best(pythonic)
            print(f"{name:16}{bare_us:10.2f}{pythonic_us:10.2f}{pythonic_us / bare_us:8.2f}")
        board.stop()


if __name__ == "__main__":
    main()
