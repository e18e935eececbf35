"""Return codes of the board library and the exceptions they raise.

Every non-zero code becomes a :class:`RavelError`, or the subclass of its
family, carrying the code (``code``), its ``MKY43_ER_`` name (``name``) and
the library function that answered it (``function``).
"""

from __future__ import annotations

NAMES: dict[int, str] = {
    -1: "MKY43_ER_OTHER",
    0: "MKY43_ER_OK",
    1: "MKY43_ER_ALREADYOPEN",
    2: "MKY43_ER_NOTOPEN",
    3: "MKY43_ER_INVALIDPARAM",
    4: "MKY43_ER_OPENDEVICE",
    5: "MKY43_ER_CREATETHREAD",
    6: "MKY43_ER_CREATESEMAPH",
    7: "MKY43_ER_CREATEMAP",
    8: "MKY43_ER_CREATEMAIL",
    9: "MKY43_ER_CREATEEVENT",
    10: "MKY43_ER_INICONFIG",
    11: "MKY43_ER_ALREADYSTART",
    12: "MKY43_ER_NOTSTART",
    14: "MKY43_ER_ALREADYCONNECT",
    15: "MKY43_ER_CONNECT",
    16: "MKY43_ER_UNCONNECT",
    17: "MKY43_ER_NOTGMACCSES",
    18: "MKY43_ER_ALREADYMAILOPEN",
    19: "MKY43_ER_MAILNOTOPEN",
    20: "MKY43_ER_MAILSIZE",
    21: "MKY43_ER_MAILSENDING",
    22: "MKY43_ER_MAILNOTRECEIVE",
    23: "MKY43_ER_MAILSENDRESULT",
    24: "MKY43_ER_MAILRECEIVE",
    25: "MKY43_ER_MAILCLOSE",
    26: "MKY43_ER_DATASIZE",
    27: "MKY43_ER_NOTSUPPORT",
}

_MEANINGS: dict[int, str] = {
    1: "the board is already open in this process",
    2: "the board is not open in this process",
    3: "an argument is out of range",
    4: "no device answers for this board (is ravkernd running with that board, "
       "in this process's runtime directory?)",
    5: "the board's mail thread could not be started",
    6: "the board's named semaphores could not be made",
    9: "the board's mail events could not be made",
    12: "the board has not been started",
    15: "the driver refused the connect request",
    16: "the chip window is not mapped",
    18: "mail is already open on this board line, in this or another process",
    19: "mail is not open on this board line in this process",
    20: "a mail is 2 to 256 bytes of even length; a receive buffer 1 to 256 bytes",
    21: "the previous mail is still being sent",
    22: "no received mail is waiting",
    25: "the board was closed",
    27: "byte-wide GM access is not supported",
}

_OTHER = ("a driver request failed (has the device host gone?), or a mail "
          "wait ended on a mail error")
_INERT = ("the library is inert: it could not open its log when it was loaded "
          "(no log file can be made in the process's current directory at "
          "load, or 256 processes already hold log slots), so it answers -1 "
          "to every board call")


class LibraryNotFoundError(OSError):
    """libRavlib.so was not found; the message lists every place tried."""


class RavelError(Exception):
    """A library call answered a non-zero return code."""

    def __init__(self, code: int, function: str, detail: str | None = None) -> None:
        self.code = code
        self.name = NAMES.get(code, "")
        self.function = function
        meaning = detail or _MEANINGS.get(code) or ("unknown return code" if not self.name else "")
        text = f"{function}: {self.name or 'code'} ({code})"
        super().__init__(f"{text}: {meaning}" if meaning else text)


class AlreadyOpenError(RavelError):
    """The board is already open in this process (1)."""


class NotOpenError(RavelError):
    """The board is not open in this process (2)."""


class InvalidParamError(RavelError, ValueError):
    """The library refused an argument (3)."""


class OpenError(RavelError):
    """The board could not be opened: no device, thread, semaphore or event (4 to 10)."""


class StartError(RavelError):
    """Communication could not be started (11, 14, 15)."""


class NotStartedError(RavelError):
    """The operation needs a started board, or a mapped chip window (12, 16, 17)."""


class MailError(RavelError):
    """A mail call failed (18 to 25)."""


class MailNotOpenError(MailError):
    """Mail is not open on this board line in this process (19)."""


class NotSupportedError(RavelError):
    """The library does not support the operation (27)."""


class OtherError(RavelError):
    """MKY43_ER_OTHER (-1): a driver request failed, or a mail wait failed."""


class InertLibraryError(OtherError):
    """MKY43_ER_OTHER (-1) from opening a board: the library is inert."""


_FAMILIES: dict[int, type[RavelError]] = {
    1: AlreadyOpenError, 2: NotOpenError, 3: InvalidParamError,
    **dict.fromkeys(range(4, 11), OpenError),
    **dict.fromkeys((11, 14, 15), StartError),
    **dict.fromkeys((12, 16, 17), NotStartedError),
    **dict.fromkeys(range(18, 26), MailError),
    19: MailNotOpenError, 27: NotSupportedError,
}


def error_for(code: int, function: str, detail: str | None = None) -> RavelError:
    """The exception for a non-zero ``code`` answered by ``function``."""
    if code == -1:
        if function == "RV_open":
            return InertLibraryError(code, function, detail or _INERT)
        return OtherError(code, function, detail or f"{_OTHER}; or {_INERT}")
    return _FAMILIES.get(code, RavelError)(code, function, detail)


def check(code: int, function: str) -> None:
    """Raise the exception for ``code`` unless it is 0."""
    if code != 0:
        raise error_for(code, function)
