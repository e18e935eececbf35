"""What a ``with`` block opens and closes: a board, or the mail of its line."""

from __future__ import annotations

from types import TracebackType
from typing import Self

from .errors import RavelError


class Opened:
    """Opened on entering a ``with`` block and closed on leaving it, also
    after an exception; a close that fails then becomes a note on that
    exception instead of hiding it."""

    def open(self) -> Self:
        raise NotImplementedError

    def close(self) -> None:
        raise NotImplementedError

    def _what(self) -> str:
        raise NotImplementedError

    def __enter__(self) -> Self:
        return self.open()

    def __exit__(self, kind: type[BaseException] | None, error: BaseException | None,
                 trace: TracebackType | None) -> None:
        try:
            self.close()
        except RavelError as failure:
            if error is None:
                raise
            error.add_note(f"closing {self._what()} failed as well: {failure}")
