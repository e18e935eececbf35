"""Python access to Ravel boards through the board library ``libRavlib.so``.

    import ravel
    with ravel.Board(0) as board:
        board.start(station=1, size=2)
        board.gm.write(1, [1, 2, 3, 4])
        print(sorted(board.members), board.registers["BCR"])

``ravel._lib`` exposes the library's 48 C functions one to one;
``ravel.testing`` runs a private device host for a test suite.
"""

from .board import Board, ConnectState, Gm, StationRange
from .errors import (AlreadyOpenError, InertLibraryError, InvalidParamError, LibraryNotFoundError, MailError,
                     MailNotOpenError, NotOpenError, NotStartedError, NotSupportedError, OpenError, OtherError,
                     RavelError, StartError)
from .mail import Mail, MailStatus, Received
from .registers import REGISTERS, Register, Registers

__version__ = "1.0.0"

__all__ = [
    "AlreadyOpenError", "Board", "ConnectState", "Gm", "InertLibraryError", "InvalidParamError",
    "LibraryNotFoundError", "Mail", "MailError", "MailNotOpenError", "MailStatus", "NotOpenError",
    "NotStartedError", "NotSupportedError", "OpenError", "OtherError", "REGISTERS", "RavelError", "Received",
    "Register", "Registers", "StartError", "StationRange",
]
