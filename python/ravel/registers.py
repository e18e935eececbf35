"""The MKY43's registers by name and any location of the chip window by offset."""

from __future__ import annotations

import ctypes
from typing import TYPE_CHECKING, Iterator, NamedTuple

from . import _lib
from .errors import check

if TYPE_CHECKING:
    from .board import Board


class Register(NamedTuple):
    name: str
    offset: int  # byte offset in the chip window
    bits: int  # 16, or 64 for four 16-bit words, lowest address first


REGISTERS: tuple[Register, ...] = (
    Register("RFR", 0x300, 64), Register("LFR", 0x308, 64), Register("MFR", 0x310, 64),
    Register("DRFR", 0x318, 64), Register("LGR", 0x320, 64), Register("MGR", 0x328, 64),
    Register("DRCR", 0x330, 64), Register("RHCR0", 0x338, 16), Register("RHCR1", 0x33A, 16),
    Register("WHCR0", 0x33C, 16), Register("WHCR1", 0x33E, 16), Register("MSLR", 0x340, 16),
    Register("MSRR", 0x342, 16), Register("MESR", 0x344, 16), Register("MSCR", 0x346, 16),
    Register("MR0CR", 0x348, 16), Register("MR1CR", 0x34A, 16), Register("CCTR", 0x34C, 16),
    Register("UTCR", 0x34E, 16), Register("QCR", 0x350, 16), Register("NFSR", 0x352, 16),
    Register("FSR", 0x354, 16), Register("BCR", 0x356, 16), Register("INT0CR", 0x358, 16),
    Register("INT1CR", 0x35A, 16), Register("IT0CR", 0x35C, 16), Register("IT1CR", 0x35E, 16),
    Register("INT0SR", 0x360, 16), Register("INT1SR", 0x362, 16), Register("SSR", 0x364, 16),
    Register("SCR", 0x366, 16), Register("CCR", 0x368, 64), Register("RHPB0", 0x370, 64),
    Register("RHPB1", 0x378, 64), Register("WHPB0", 0x380, 64), Register("WHPB1", 0x388, 64),
)
BY_NAME: dict[str, Register] = {r.name: r for r in REGISTERS}

WIDTHS = (16, 32, 64)


def _checked_width(width: int) -> int:
    if width not in WIDTHS:
        raise ValueError(f"width must be 16, 32 or 64, not {width!r}")
    return width


def _checked_value(value: int, bits: int) -> int:
    """``value`` as ``bits`` unsigned bits; signed values of that width are taken too."""
    if not isinstance(value, int) or not -(1 << (bits - 1)) <= value < (1 << bits):
        raise ValueError(f"{value!r} does not fit in {bits} bits")
    return value & ((1 << bits) - 1)


def _signed32(value: int) -> int:
    return value - (1 << 32) if value & 0x80000000 else value


class Registers:
    """A board's chip window as registers: ``board.registers["BCR"]``,
    ``board.registers["LGR"] = 1``, or ``read(offset, width)`` / ``write``.

    Values are unsigned. Every access is a library call of its own, made
    with buffers of its own, so any thread may use it.
    """

    def __init__(self, board: Board) -> None:
        self._board = board

    def __iter__(self) -> Iterator[Register]:
        return iter(REGISTERS)

    def __getitem__(self, name: str) -> int:
        register = self._named(name)
        return self.read(register.offset, register.bits)

    def __setitem__(self, name: str, value: int) -> None:
        register = self._named(name)
        self.write(register.offset, value, register.bits)

    def read(self, offset: int, width: int = 16) -> int:
        """The ``width``-bit value at byte ``offset`` of the chip window."""
        number, line = self._board.number, self._board.line
        offset = self._checked_offset(offset)
        if _checked_width(width) == 16:
            word = ctypes.c_uint16()
            check(_lib.RV_GetReg16(number, line, offset, ctypes.byref(word)), "RV_GetReg16")
            return word.value
        if width == 32:
            long = ctypes.c_int32()
            check(_lib.RV_GetReg32(number, line, offset, ctypes.byref(long)), "RV_GetReg32")
            return long.value & 0xFFFFFFFF
        low_high = (ctypes.c_int32 * 2)()
        check(_lib.RV_GetReg64(number, line, offset, low_high), "RV_GetReg64")
        return (low_high[0] & 0xFFFFFFFF) | (low_high[1] & 0xFFFFFFFF) << 32

    def write(self, offset: int, value: int, width: int = 16) -> None:
        """Write ``value`` (``width`` bits) at byte ``offset`` of the chip window."""
        number, line = self._board.number, self._board.line
        offset = self._checked_offset(offset)
        value = _checked_value(value, _checked_width(width))
        if width == 16:
            check(_lib.RV_SetReg16(number, line, offset, value), "RV_SetReg16")
        elif width == 32:
            check(_lib.RV_SetReg32(number, line, offset, _signed32(value)), "RV_SetReg32")
        else:
            low, high = _signed32(value & 0xFFFFFFFF), _signed32(value >> 32)
            check(_lib.RV_SetReg64(number, line, offset, low, high), "RV_SetReg64")

    @staticmethod
    def _named(name: str) -> Register:
        try:
            return BY_NAME[name]
        except KeyError:
            raise KeyError(f"no register {name!r}; the registers are {', '.join(BY_NAME)}") from None

    @staticmethod
    def _checked_offset(offset: int) -> int:
        # The library takes the low 16 bits only; anything wider would alias.
        if not isinstance(offset, int) or not 0 <= offset <= 0xFFFF:
            raise ValueError(f"offset must be 0..0xFFFF, not {offset!r}")
        return offset
