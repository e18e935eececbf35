import shutil
import subprocess
import sys
from pathlib import Path

import pytest

from ravel import _lib

PROBE = """
import os, sys, tempfile
if sys.argv[1] == "inert":  # a current directory that no longer exists: the log cannot be opened
    gone = tempfile.mkdtemp(); os.chdir(gone); os.rmdir(gone)
import ravel
try:
    ravel.Board(0).open()
except Exception as error:
    print(type(error).__name__, getattr(error, "code", ""), error)
"""


@pytest.mark.parametrize("case, given, expected", [
    ("missing", "/nonexistent", ["LibraryNotFoundError", "RAVLIB_PATH: /nonexistent"]),
    ("nowhere", None, ["LibraryNotFoundError", "no ravkernd on PATH", "source tree: ", "current directory: "]),
    ("inert", "found", ["InertLibraryError -1", "MKY43_ER_OTHER", "inert"]),
])
def test_library_not_found_or_inert_says_why(tmp_path, case, given, expected):
    shutil.copytree(Path(_lib.__file__).parent, tmp_path / "package" / "ravel")
    env = {"PATH": "/usr/bin:/bin", "PYTHONPATH": str(tmp_path / "package"),
           "RAVEL_RUNTIME_DIR": str(tmp_path / "runtime")}
    if given:
        env["RAVLIB_PATH"] = str(_lib.locate()) if given == "found" else given
    done = subprocess.run([sys.executable, "-c", PROBE, case], cwd=tmp_path, env=env, capture_output=True,
                          text=True, timeout=60)
    assert done.returncode == 0, done.stderr
    for text in expected:
        assert text in done.stdout
