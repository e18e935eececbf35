"""The board library's 48 exports, declared once and exposed one to one.

``from ravel import _lib; _lib.RV_open(0)`` calls the C function with the
argument and result types below; the first use loads ``libRavlib.so``.

Where the library is found, in this order: the file (or directory holding
``libRavlib.so``) named by ``RAVLIB_PATH``, which alone counts when it is set;
next to a ``ravkernd`` on ``PATH``; the ``build/bin`` folder of the source
tree this package sits in; ``build/bin`` under the current directory.

The library reads two things from the process when it is loaded: the current
directory, where it keeps its log and INI files, and ``RAVEL_RUNTIME_DIR``,
where its log's slot table lives (board opens read the variable again, for
devices and named objects). So a process talks to one runtime directory:
set the variable before the first use and leave it alone afterwards.
"""

from __future__ import annotations

import ctypes
import os
import shutil
import threading
from ctypes import POINTER, c_char_p, c_int16, c_int32, c_uint16, c_void_p
from pathlib import Path
from typing import Any

from .errors import LibraryNotFoundError

LIBRARY_NAME = "libRavlib.so"

_I = c_int32
_BL = (c_int32, c_int32)  # board, line
_GET_MEM = (*_BL, POINTER(c_int16), _I, _I, _I)
_GET_MEM32 = (*_BL, POINTER(c_int32), _I, _I, _I)

# name: (result type, argument types), as lib/Ravlib.h declares them.
EXPORTS: dict[str, tuple[Any, tuple[Any, ...]]] = {
    "RV_boardname": (c_char_p, (c_char_p,)),
    "RV_dllname": (c_char_p, (c_char_p,)),
    "RV_version": (c_char_p, (c_char_p,)),
    "RV_maxline": (_I, ()),
    "RV_open": (_I, (_I,)),
    "RV_close": (_I, (_I,)),
    "RV_start": (_I, (*_BL, _I, _I, _I)),
    "RV_start_lf": (_I, (*_BL, _I, _I, _I)),
    "RV_start_gmm": (_I, (*_BL, _I)),
    "RV_stop": (_I, _BL),
    "RV_reset": (_I, (*_BL, _I)),
    "RV_GetCnectStat": (_I, (*_BL, POINTER(c_int32), POINTER(c_int32))),
    "RV_config": (_I, (*_BL, _I)),
    "RV_Status": (_I, (*_BL, c_void_p)),
    "RV_Name": (_I, (*_BL, c_void_p)),
    "RV_Connect": (_I, (*_BL, c_void_p)),
    "RV_ConnectLF": (_I, (*_BL, c_void_p)),
    "RV_ConnectGMM": (_I, _BL),
    "RV_DisConnect": (_I, _BL),
    "RV_Alloc": (_I, (*_BL, _I, POINTER(c_void_p))),
    "RV_Free": (_I, _BL),
    "RV_Attach": (_I, (*_BL, POINTER(c_void_p))),
    "RV_Map": (_I, (*_BL, c_char_p, POINTER(c_void_p))),
    "RV_UnMap": (_I, _BL),
    "RV_MailOpen": (_I, _BL),
    "RV_MailClose": (_I, _BL),
    "RV_MailSend": (_I, (*_BL, _I, POINTER(c_int16), _I)),
    "RV_MailReceive": (_I, (*_BL, POINTER(c_int16), _I, POINTER(c_int32))),
    "RV_MailStatus": (_I, (*_BL, POINTER(c_int16))),
    "RV_MailWaitObject": (_I, (*_BL, POINTER(c_int16))),
    "RV_Ck": (_I, (*_BL, POINTER(c_uint16))),
    "RV_Put": (_I, (*_BL, c_void_p)),
    "RV_Get": (_I, (*_BL, _I, c_void_p)),
    "RV_GetReg64": (_I, (*_BL, _I, POINTER(c_int32))),
    "RV_GetReg32": (_I, (*_BL, _I, POINTER(c_int32))),
    "RV_GetReg16": (_I, (*_BL, _I, POINTER(c_uint16))),
    "RV_SetReg64": (_I, (*_BL, _I, _I, _I)),
    "RV_SetReg32": (_I, (*_BL, _I, _I)),
    "RV_SetReg16": (_I, (*_BL, _I, _I)),
    "RV_GetMemByte": (_I, (*_BL, c_void_p, _I, _I, _I)),
    "RV_GetMemShort": (_I, _GET_MEM),
    "RV_GetMemLong": (_I, _GET_MEM32),
    "RV_GetMemDLong": (_I, _GET_MEM32),
    "RV_SetMemByte": (_I, (*_BL, c_void_p, _I, _I, _I)),
    "RV_SetMemShort": (_I, _GET_MEM),
    "RV_SetMemLong": (_I, _GET_MEM32),
    "RV_SetMemDLong": (_I, _GET_MEM32),
    "RV_HardReset": (_I, _BL),
}

_lock = threading.Lock()
_library: ctypes.CDLL | None = None
_runtime_dir_at_load: str | None = None


def candidates() -> list[tuple[str, Path]]:
    """Where the library is looked for, in order, each with how it was found."""
    given = os.environ.get("RAVLIB_PATH")
    if given:
        path = Path(given)
        return [("RAVLIB_PATH", path / LIBRARY_NAME if path.is_dir() else path)]
    found: list[tuple[str, Path]] = []
    host = shutil.which("ravkernd")
    if host:
        bin_dir = Path(host).resolve().parent
        found += [("next to ravkernd", bin_dir / LIBRARY_NAME),
                  ("next to ravkernd", bin_dir.parent / "lib" / LIBRARY_NAME)]
    found.append(("source tree", Path(__file__).resolve().parents[2] / "build" / "bin" / LIBRARY_NAME))
    found.append(("current directory", Path.cwd() / "build" / "bin" / LIBRARY_NAME))
    return found


def locate() -> Path:
    """The library's path; :class:`LibraryNotFoundError` lists what was tried."""
    tried = candidates()
    for _, path in tried:
        if path.is_file():
            return path
    lines = [f"  {how}: {path}" for how, path in tried]
    if not os.environ.get("RAVLIB_PATH") and not shutil.which("ravkernd"):
        lines.insert(0, "  next to ravkernd: no ravkernd on PATH")
    text = "\n".join(lines)
    raise LibraryNotFoundError(f"{LIBRARY_NAME} not found; tried:\n{text}\n"
                               "Set RAVLIB_PATH to the library or to its folder.")


def load(log_dir: str | os.PathLike[str] | None = None) -> ctypes.CDLL:
    """The loaded library, declared; loads it on the first call.

    ``log_dir``: where the library keeps its log and INI files, if not the
    current directory. The process changes into it for the moment of the
    load, which any thread using relative paths then would see. Ignored once
    the library is loaded.
    """
    global _library, _runtime_dir_at_load
    with _lock:
        if _library is not None:
            return _library
        path = os.path.abspath(locate())  # the load may run in another directory
        if log_dir is None:
            library = ctypes.CDLL(path)
        else:
            here = os.getcwd()
            os.chdir(log_dir)
            try:
                library = ctypes.CDLL(path)
            finally:
                os.chdir(here)
        for name, (result, arguments) in EXPORTS.items():
            function = getattr(library, name)
            function.restype = result
            function.argtypes = arguments
            globals()[name] = function  # later uses skip the module's __getattr__
        _runtime_dir_at_load = os.environ.get("RAVEL_RUNTIME_DIR")
        _library = library
        return library


def loaded() -> bool:
    """Whether the library has been loaded in this process."""
    return _library is not None


def runtime_dir_at_load() -> str | None:
    """``RAVEL_RUNTIME_DIR`` as it stood when the library was loaded."""
    return _runtime_dir_at_load


def __getattr__(name: str) -> Any:
    if name in EXPORTS:
        return getattr(load(), name)
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")
