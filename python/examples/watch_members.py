"""Watch the member flags of a board: print the stations that join and leave.

Against the demo network (scripts/run.sh prints its runtime directory):

    RAVEL_RUNTIME_DIR=/tmp/ravel-demo-XXXXXX python3 python/examples/watch_members.py

or on a private host of its own with ``--private-host``. By default the board
only monitors GM ("gmm" start) and owns no station; ``--station`` makes it a
member itself. Ctrl-C ends it; the board is stopped and closed.
"""

from __future__ import annotations

import argparse
import contextlib
import time

import ravel
from ravel.testing import Host, Station


def watch(board: ravel.Board, seconds: float | None, interval: float) -> None:
    end = None if seconds is None else time.monotonic() + seconds
    members: frozenset[int] = frozenset()
    while end is None or time.monotonic() < end:
        now = board.members
        if now != members:
            change = [f"+{s}" for s in sorted(now - members)] + [f"-{s}" for s in sorted(members - now)]
            print(time.strftime("%H:%M:%S"), " ".join(change), "| members:", " ".join(map(str, sorted(now))),
                  flush=True)
            members = now
        time.sleep(interval)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--board", type=int, default=0)
    parser.add_argument("--station", type=int, help="join as this station instead of monitoring")
    parser.add_argument("--size", type=int, default=1)
    parser.add_argument("--seconds", type=float, help="stop after this long (default: Ctrl-C)")
    parser.add_argument("--interval", type=float, default=0.1)
    parser.add_argument("--private-host", action="store_true", help="run a private demo network")
    args = parser.parse_args()
    with contextlib.ExitStack() as stack:
        if args.private_host:
            stack.enter_context(Host(boards=(args.board,), stations=(Station(10, 2, "counter"),
                                                                      Station(20, 1, "echo"))))
        board = stack.enter_context(ravel.Board(args.board))
        if args.station is None:
            board.start(mode="gmm")
        else:
            board.start(args.station, args.size)
        stack.callback(board.stop)
        with contextlib.suppress(KeyboardInterrupt):
            watch(board, args.seconds, args.interval)


if __name__ == "__main__":
    main()
