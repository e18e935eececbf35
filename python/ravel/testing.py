"""A private device host for test suites: no hardware, no shared state.

    from ravel.testing import Host, Station
    with Host(boards=(0, 1), stations=[Station(20, 1, "echo")]) as host:
        with ravel.Board(0) as board: ...
        host.station_off(20)

The host runs in this process's own runtime directory, a fresh temporary
folder that goes when the process ends. The first host points
``RAVEL_RUNTIME_DIR`` at it and loads the library with its log and INI files
in a folder beside it, so a suite leaves nothing in its current directory.
A process talks to one runtime directory (see :mod:`ravel._lib`): start the
first host before the first board is opened, and run one host at a time.

pytest: put ``pytest_plugins = ["ravel.testing"]`` into ``conftest.py`` and
take the session fixture ``ravel_host`` (boards 0 and 1, a counter at
station 10 of size 2, an echo at station 20); override the fixture
``ravel_host_options`` to change that network.
"""

from __future__ import annotations

import atexit
import ctypes
import json
import os
import shutil
import signal
import subprocess
import tempfile
import threading
import time
from dataclasses import dataclass, field
from pathlib import Path
from types import TracebackType
from typing import Any, Callable, Iterable, Iterator, Literal

from . import _lib

_prctl = ctypes.CDLL(None).prctl
_PR_SET_PDEATHSIG = 1
_lock = threading.Lock()
_top: Path | None = None
_running: set[Host] = set()


@dataclass(frozen=True)
class Station:
    """A remote station of the host: ``size`` stations from ``address`` on."""

    address: int
    size: int = 1
    role: Literal["counter", "echo", "idle"] = "idle"


@dataclass(frozen=True)
class HostStatus:
    """What ``ravkernd status --json`` reports."""

    cycles: int
    late_cycles: int = 0
    boards: dict[int, dict[str, Any]] = field(default_factory=dict)  # "station", "size", "running", ...
    stations: dict[int, bool] = field(default_factory=dict)  # remote station: on the bus
    members: frozenset[int] = frozenset()
    traffic: dict[int, dict[str, int]] = field(default_factory=dict)  # "mailsSent", "mailsReceived", ...


def find_ravkernd() -> str:
    """``RAVKERND``, else the ravkernd beside the library, else one on PATH."""
    tried = []
    if os.environ.get("RAVKERND"):
        return os.environ["RAVKERND"]
    try:
        beside = _lib.locate().parent / "ravkernd"
        if os.access(beside, os.X_OK):
            return str(beside)
        tried.append(str(beside))
    except _lib.LibraryNotFoundError as error:
        tried.append(f"beside the library ({error})")
    found = shutil.which("ravkernd")
    if found:
        return found
    raise FileNotFoundError("ravkernd not found; tried RAVKERND (unset), " + ", ".join(tried) + ", PATH")


def runtime_dir() -> str:
    """This process's private runtime directory; the first call also loads the library."""
    global _top
    with _lock:
        if _top is None:
            _top = Path(tempfile.mkdtemp(prefix="ravel-test-"))
            (_top / "runtime").mkdir(mode=0o700)
            (_top / "log").mkdir()
            atexit.register(shutil.rmtree, _top, True)
            atexit.register(_stop_running)
        runtime = str(_top / "runtime")
        if _lib.loaded() and _lib.runtime_dir_at_load() != runtime:
            raise RuntimeError(f"the library was loaded for the runtime directory "
                               f"{_lib.runtime_dir_at_load() or '(default)'}; a process talks to one runtime "
                               "directory: start the first Host before the first board is opened")
        if os.environ.get("RAVEL_RUNTIME_DIR") != runtime:
            os.environ["RAVEL_RUNTIME_DIR"] = runtime
        _lib.load(log_dir=_top / "log")
        return runtime


def _stop_running() -> None:
    for host in list(_running):
        host.stop()


def wait_until(condition: Callable[[], Any], timeout: float = 20.0, interval: float = 0.01) -> bool:
    """Whether ``condition()`` became true within ``timeout`` seconds."""
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() >= deadline:
            return False
        time.sleep(interval)
    return True


class Host:
    """A ``ravkernd`` of this process with the given boards (switches) and
    remote stations. ``with Host(...) as host:`` starts it, waits until it is
    ready, and stops it at the end. The host goes with the thread that
    started it if that thread's process dies first.
    """

    def __init__(self, boards: Iterable[int] = (0,), stations: Iterable[Station] = (),
                 cycle_us: int | None = None, mail_min_us: int | None = None,
                 ravkernd: str | None = None, ready_timeout: float = 20.0) -> None:
        self.boards = tuple(boards)
        self.stations = tuple(stations)
        self.cycle_us = cycle_us
        self.mail_min_us = mail_min_us
        self.ravkernd = ravkernd
        self.ready_timeout = ready_timeout
        self.runtime_dir = ""
        self._process: subprocess.Popen[bytes] | None = None

    def __enter__(self) -> Host:
        return self.start()

    def __exit__(self, kind: type[BaseException] | None, error: BaseException | None,
                 trace: TracebackType | None) -> None:
        self.stop()

    def start(self) -> Host:
        """Start the host and wait for its "ready" line; returns self."""
        self.ravkernd = self.ravkernd or find_ravkernd()
        self.runtime_dir = runtime_dir()
        with _lock:
            if _running:
                raise RuntimeError("a host already runs in this process's runtime directory")
            _running.add(self)
        arguments = [self.ravkernd, "--runtime-dir", self.runtime_dir]
        for board in self.boards:
            arguments += ["--board", str(board)]
        for s in self.stations:
            arguments += ["--station", f"{s.address}:{s.size}:{s.role}"]
        if self.cycle_us is not None:
            arguments += ["--cycle-us", str(self.cycle_us)]
        if self.mail_min_us is not None:
            arguments += ["--mail-min-us", str(self.mail_min_us)]
        output = Path(self.runtime_dir).parent / "ravkernd.out"
        errors = output.with_suffix(".err")
        try:
            with open(output, "wb") as out, open(errors, "wb") as err:
                self._process = subprocess.Popen(arguments, stdout=out, stderr=err, stdin=subprocess.DEVNULL,
                                                 preexec_fn=lambda: _prctl(_PR_SET_PDEATHSIG, signal.SIGKILL))
        except BaseException:
            self.stop()
            raise
        ready = wait_until(lambda: b"ready\n" in output.read_bytes() or self._process.poll() is not None,
                           self.ready_timeout, 0.02) and b"ready\n" in output.read_bytes()
        if not ready:
            self.stop()
            raise RuntimeError(f"ravkernd did not get ready: {' '.join(arguments)}\n"
                               + errors.read_text(errors="replace"))
        return self

    def stop(self) -> int | None:
        """Stop the host (SIGTERM, then SIGKILL after 20 s); its exit status."""
        process, self._process = self._process, None
        with _lock:
            _running.discard(self)
        if process is None:
            return None
        process.terminate()
        try:
            return process.wait(20)
        except subprocess.TimeoutExpired:
            process.kill()
            return process.wait()

    def status(self) -> HostStatus:
        """The host's network: cycles, boards, remote stations, members, traffic."""
        report = json.loads(self._control("status", "--json"))
        return HostStatus(cycles=report["cycles"], late_cycles=report["lateCycles"],
                          boards={b["index"]: b for b in report["boards"]},
                          stations={s["address"]: s["onBus"] for s in report["stations"]},
                          members=frozenset(report["members"]),
                          traffic={t["station"]: t for t in report["traffic"]})

    def station_off(self, address: int) -> None:
        """Take the remote station at ``address`` off the bus."""
        self._control("station-off", str(address))

    def station_on(self, address: int) -> None:
        """Bring the remote station at ``address`` back."""
        self._control("station-on", str(address))

    def _control(self, *request: str) -> str:
        if self._process is None:
            raise RuntimeError("the host is not running")
        done = subprocess.run([str(self.ravkernd), *request, "--runtime-dir", self.runtime_dir],
                              capture_output=True, text=True, timeout=20)
        if done.returncode != 0:
            raise RuntimeError(f"ravkernd {' '.join(request)}: {done.stderr.strip() or done.returncode}")
        return done.stdout


def _options() -> dict[str, Any]:
    return {"boards": (0, 1), "stations": (Station(10, 2, "counter"), Station(20, 1, "echo"))}


try:
    import pytest
except ImportError:  # the fixtures need pytest; nothing else does
    pytest = None

if pytest is not None:
    @pytest.fixture(scope="session")
    def ravel_host_options() -> dict[str, Any]:
        """Keyword arguments of the session's :class:`Host`."""
        return _options()

    @pytest.fixture(scope="session")
    def ravel_host(ravel_host_options: dict[str, Any]) -> Iterator[Host]:
        """A running private host for the whole session."""
        with Host(**ravel_host_options) as host:
            yield host
