"""A board of this process: open and close, communication, GM and members."""

from __future__ import annotations

import array
import ctypes
from typing import Literal, NamedTuple, Sequence

from . import _lib
from ._opened import Opened
from .errors import NotStartedError, check
from .mail import Mail
from .registers import BY_NAME, Registers, _checked_value, _checked_width

STATIONS = 64
BLOCK_BYTES = 8
_SCR_RUNNING = 0x0200

# Per element width: the read and write exports and the ctypes element type.
_GM_CALLS = {
    16: ("RV_GetMemShort", "RV_SetMemShort", ctypes.c_int16, "H"),
    32: ("RV_GetMemLong", "RV_SetMemLong", ctypes.c_int32, "I"),
    64: ("RV_GetMemDLong", "RV_SetMemDLong", ctypes.c_int32, "Q"),
}
_STARTS = {"normal": "RV_start", "lf": "RV_start_lf"}


class ConnectState(NamedTuple):
    """The driver's connect sequence: its state (0 idle, 1004 supervising a
    running chip) and the station address and size it last took."""

    status: int
    station: int
    size: int


class StationRange(NamedTuple):
    """The board's own GM blocks as its last start recorded them (size 0: none)."""

    station: int
    size: int


def _checked_station(station: int) -> int:
    if not isinstance(station, int) or not 0 <= station < STATIONS:
        raise ValueError(f"station must be 0..63, not {station!r}")
    return station


def _checked_count(name: str, value: int, limit: int = 0xFFFF) -> int:
    if not isinstance(value, int) or not 0 <= value <= limit:
        raise ValueError(f"{name} must be 0..{limit}, not {value!r}")
    return value


class Gm:
    """The global memory as a board sees it: 64 blocks of 8 bytes.

    Positions are a station's block plus an ``index`` counted in elements of
    the width (16, 32 or 64 bits), which may run on into the next blocks.
    Values are unsigned; writes take signed values of the width too. A write
    reaches the bus only in the board's own blocks; another member's blocks
    are overwritten by the bus at its next cycle.
    """

    def __init__(self, board: Board) -> None:
        self._board = board

    def read(self, station: int, count: int = 1, width: int = 16, index: int = 0) -> list[int]:
        """``count`` elements of ``width`` bits from ``station``'s block on."""
        get, _, element, unsigned = _GM_CALLS[_checked_width(width)]
        count = _checked_count("count", count)
        buffer = (element * (count * (2 if width == 64 else 1)))()
        self._call(get, buffer, station, index, count)
        return memoryview(buffer).cast("B").cast(unsigned).tolist()

    def write(self, station: int, values: Sequence[int], width: int = 16, index: int = 0) -> None:
        """Write ``values`` as elements of ``width`` bits from ``station``'s block on."""
        _, put, element, unsigned = _GM_CALLS[_checked_width(width)]
        words = [_checked_value(v, width) for v in values]
        count = _checked_count("the number of values", len(words))
        buffer = (element * (count * (2 if width == 64 else 1))).from_buffer_copy(array.array(unsigned, words))
        self._call(put, buffer, station, index, count)

    def read_bytes(self, station: int, length: int = BLOCK_BYTES, offset: int = 0) -> bytes:
        """``length`` bytes from byte ``offset`` of ``station``'s block on (both even)."""
        self._even("length", length)
        self._even("offset", offset)
        buffer = (ctypes.c_int16 * (length // 2))()
        self._call("RV_GetMemShort", buffer, station, offset // 2, length // 2)
        return bytes(buffer)

    def write_bytes(self, station: int, data: bytes, offset: int = 0) -> None:
        """Write ``data`` (even length) from byte ``offset`` (even) of ``station``'s block on."""
        self._even("length of data", len(data))
        self._even("offset", offset)
        buffer = (ctypes.c_int16 * (len(data) // 2)).from_buffer_copy(data)
        self._call("RV_SetMemShort", buffer, station, offset // 2, len(data) // 2)

    def _call(self, name: str, buffer: ctypes.Array, station: int, index: int, count: int) -> None:
        station = _checked_station(station)
        index = _checked_count("index", index, 0x7FFF)
        check(getattr(_lib, name)(self._board.number, self._board.line, buffer, station, index, count), name)

    @staticmethod
    def _even(name: str, value: int) -> None:
        _checked_count(name, value, 0x7FFF)
        if value % 2:
            raise ValueError(f"{name} must be even, not {value}")


class Board(Opened):
    """Board ``number`` (0..3, its switch), ``line`` 0.

    ``with Board(0) as board:`` opens it and closes it at the end of the
    block, also after an exception. ``gm``, ``mail`` and ``registers`` reach
    its global memory, mail and chip registers. Every failed call raises the
    :class:`~ravel.errors.RavelError` of its return code.

    The library's calls are safe from several threads; a board must not be
    opened or closed while other threads use it.
    """

    def __init__(self, number: int, line: int = 0) -> None:
        for name, value in (("number", number), ("line", line)):
            # The library judges the range; only a C int must reach it uncut.
            if not isinstance(value, int) or not -(1 << 31) <= value < (1 << 31):
                raise ValueError(f"board {name} must be a 32-bit int, not {value!r}")
        self.number = number
        self.line = line
        self.gm = Gm(self)
        self.mail = Mail(self)
        self.registers = Registers(self)

    def __repr__(self) -> str:
        return f"Board({self.number}, line={self.line})"

    def open(self) -> Board:
        """Open the board in this process; returns the board."""
        check(_lib.RV_open(self.number), "RV_open")
        return self

    def close(self) -> None:
        """Close the board: its mail first, then everything it held."""
        check(_lib.RV_close(self.number), "RV_close")

    def _what(self) -> str:
        return f"board {self.number}"

    def start(self, station: int = 0, size: int = 1, mode: Literal["normal", "lf", "gmm"] = "normal") -> None:
        """Start communication as ``size`` stations from ``station`` on.

        ``mode`` "lf" starts with long frames; "gmm" only monitors GM and
        owns no station (``station`` and ``size`` are not used). Unlike the C
        call, a range outside the bus is refused rather than clamped.
        """
        if mode == "gmm":
            check(_lib.RV_start_gmm(self.number, self.line, 0), "RV_start_gmm")
            return
        if mode not in _STARTS:
            raise ValueError(f'mode must be "normal", "lf" or "gmm", not {mode!r}')
        _checked_station(station)
        if not isinstance(size, int) or not 1 <= size <= STATIONS - station:
            raise ValueError(f"size must be 1..{STATIONS - station} at station {station}, not {size!r}")
        name = _STARTS[mode]
        check(getattr(_lib, name)(self.number, self.line, station, size, 0), name)

    def stop(self) -> None:
        """Stop communication."""
        check(_lib.RV_stop(self.number, self.line), "RV_stop")

    def reset(self, value: int = 0) -> None:
        """Fill the board's own GM blocks with the 16-bit ``value``."""
        value = _checked_value(value, 16)
        if self.station.size == 0:
            raise NotStartedError(12, "reset", "the board has no own GM blocks: it has not been started")
        check(_lib.RV_reset(self.number, self.line, value), "RV_reset")

    def hard_reset(self) -> None:
        """Pulse the board's reset line; start the board again afterwards."""
        check(_lib.RV_HardReset(self.number, self.line), "RV_HardReset")

    @property
    def state(self) -> ConnectState:
        """The driver's connect state."""
        record = (ctypes.c_int32 * 3)()
        check(_lib.RV_Status(self.number, self.line, record), "RV_Status")
        return ConnectState(*record)

    @property
    def station(self) -> StationRange:
        """The own station range recorded by the last start (0, 0 after a stop)."""
        station, size = ctypes.c_int32(), ctypes.c_int32()
        check(_lib.RV_GetCnectStat(self.number, self.line, ctypes.byref(station), ctypes.byref(size)),
              "RV_GetCnectStat")
        return StationRange(station.value, size.value)

    @property
    def running(self) -> bool:
        """Whether the chip communicates (its running bit)."""
        return bool(self.registers.read(BY_NAME["SCR"].offset) & _SCR_RUNNING)

    @property
    def members(self) -> frozenset[int]:
        """The stations the member flag register marks as members of the network."""
        flags = self.registers.read(BY_NAME["MFR"].offset, 64)
        return frozenset(s for s in range(STATIONS) if flags >> s & 1)

    @property
    def switch(self) -> int:
        """The board's switch setting, 0..255."""
        record = (ctypes.c_int32 * 5)()
        check(_lib.RV_Name(self.number, self.line, record), "RV_Name")
        return record[2]
