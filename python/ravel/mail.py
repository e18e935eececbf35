"""Mail of a board line: up to 256 bytes from station to station.

Mail is open in one process at a time per board line. ``with board.mail as
mail:`` opens it and closes it at the end of the block, also after an
exception.

``wait(timeout)`` is built on the mail status, not on the library's
``RV_MailWaitObject``: that call has no time-out, and a thread left blocked
in it after its caller gave up would later reset the event that ends it, so
the next waiter would sleep through a mail that had arrived; a mail close
does not end it either, only a board close. Asking the status every few
milliseconds instead leaves every received mail in its buffer until
``receive`` takes it, so no mail is lost however often a wait times out, and
a close in another thread ends a wait with an exception at once. The
library's mail thread looks at the chip every 10 ms, and the status call
looks once more itself, so the wait adds at most its poll interval (5 ms)
to the arrival.
"""

from __future__ import annotations

import ctypes
import enum
import time
from typing import TYPE_CHECKING, NamedTuple

from . import _lib
from ._opened import Opened
from .errors import check

if TYPE_CHECKING:
    from .board import Board

MAIL_BYTES = 256
POLL_SECONDS = 0.005


class MailStatus(enum.IntFlag):
    """The mail status word."""

    SENT = 0x0001  # a send has finished since the last send
    NO_DESTINATION = 0x0002  # no member has the destination as its first station
    DESTINATION_FULL = 0x0004  # the destination had no armed, empty receive buffer
    NOT_ON_BUS = 0x0008  # the sending chip was not communicating
    BAD_LENGTH = 0x0010  # the length field was 0 or above 32 units
    NOT_ARMED = 0x0020  # neither receive buffer is armed or holds a mail
    RECEIVED = 0x0100  # a received mail waits to be taken


class Received(NamedTuple):
    """A mail taken from a receive buffer.

    The chip carries mail in units of 8 bytes and the library does not say
    how long the mail was: ``data`` has the length asked of ``receive``, and
    bytes past the received units are zero.
    """

    source: int
    data: bytes


class Mail(Opened):
    """The mail of one board line."""

    def __init__(self, board: Board) -> None:
        self._board = board

    def open(self) -> Mail:
        """Open mail on this line, which arms both receive buffers; returns self."""
        check(_lib.RV_MailOpen(self._board.number, self._board.line), "RV_MailOpen")
        return self

    def close(self) -> None:
        """Close mail; mail that arrives afterwards is not taken."""
        check(_lib.RV_MailClose(self._board.number, self._board.line), "RV_MailClose")

    def _what(self) -> str:
        return "mail"

    def send(self, station: int, data: bytes) -> None:
        """Send ``data`` (2 to 256 bytes, even length) to ``station``.

        The send runs in the chip; ``status`` tells how it ended.
        """
        if not isinstance(station, int) or not 0 <= station <= 63:
            raise ValueError(f"station must be 0..63, not {station!r}")
        data = bytes(data)
        words = (ctypes.c_int16 * ((len(data) + 1) // 2)).from_buffer_copy(data + b"\0" * (len(data) % 2))
        check(_lib.RV_MailSend(self._board.number, self._board.line, station, words, len(data)), "RV_MailSend")

    def receive(self, size: int = MAIL_BYTES) -> Received:
        """Take the received mail on offer, ``size`` bytes of it (1 to 256).

        Raises :class:`~ravel.errors.MailError` with code 22 when none waits.
        """
        if not isinstance(size, int) or not 1 <= size <= MAIL_BYTES:
            raise ValueError(f"size must be 1..{MAIL_BYTES}, not {size!r}")
        words = (ctypes.c_int16 * ((size + 1) // 2))()
        source = ctypes.c_int32()
        check(_lib.RV_MailReceive(self._board.number, self._board.line, words, size, ctypes.byref(source)),
              "RV_MailReceive")
        return Received(source.value, bytes(words)[:size])

    @property
    def status(self) -> MailStatus:
        """The mail status, freshly polled from the chip."""
        status = ctypes.c_int16()
        check(_lib.RV_MailStatus(self._board.number, self._board.line, ctypes.byref(status)), "RV_MailStatus")
        return MailStatus(status.value & 0xFFFF)

    def wait(self, timeout: float | None = None) -> bool:
        """Wait until a received mail waits to be taken: True, or False when
        ``timeout`` seconds passed first (None: no limit; Ctrl-C still ends
        the wait). A mail close or board close in another thread ends the
        wait with the error of the status call.
        """
        if timeout is not None and not timeout >= 0:
            raise ValueError(f"timeout must be None or at least 0, not {timeout!r}")
        deadline = None if timeout is None else time.monotonic() + timeout
        while not self.status & MailStatus.RECEIVED:
            left = POLL_SECONDS if deadline is None else deadline - time.monotonic()
            if left <= 0:
                return False
            time.sleep(min(left, POLL_SECONDS))
        return True
