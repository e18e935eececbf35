"""Mail echo soak: send mail to an echo station and count what comes back.

Each mail carries its number and a pattern of random length (2 to 256 bytes);
the echo returns it. A mail not back within ``--timeout`` counts as lost, one
back with other bytes as corrupted. Against the demo network (echo at 20):

    RAVEL_RUNTIME_DIR=/tmp/ravel-demo-XXXXXX python3 python/examples/mail_echo_soak.py --count 200

or with ``--private-host``. Exit status 1 when a mail was lost or corrupted.
"""

from __future__ import annotations

import argparse
import contextlib
import random
import sys

import ravel
from ravel.testing import Host, Station, wait_until


def payload(number: int, length: int) -> bytes:
    head = number.to_bytes(4, "little")
    return (head + bytes((number + i) & 0xFF for i in range(length)))[:length]


def soak(mail: ravel.Mail, echo: int, count: int, timeout: float, rng: random.Random) -> dict[str, int]:
    counts = {"sent": 0, "echoed": 0, "lost": 0, "corrupted": 0, "late": 0}
    for number in range(count):
        data = payload(number, rng.randrange(2, 257, 2))
        mail.send(echo, data)
        counts["sent"] += 1
        while True:
            if not mail.wait(timeout):
                counts["lost"] += 1
                break
            source, back = mail.receive(len(data))
            if len(data) >= 4 and back[:4] != data[:4] and int.from_bytes(back[:4], "little") < number:
                counts["late"] += 1  # the answer to a mail already counted as lost
                continue
            counts["echoed" if (source, back) == (echo, data) else "corrupted"] += 1
            break
    return counts


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--board", type=int, default=0)
    parser.add_argument("--station", type=int, default=1, help="own station")
    parser.add_argument("--echo", type=int, default=20, help="the echo station")
    parser.add_argument("--count", type=int, default=500)
    parser.add_argument("--timeout", type=float, default=1.0, help="seconds to wait for each echo")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--private-host", action="store_true", help="run a private demo network")
    args = parser.parse_args()
    with contextlib.ExitStack() as stack:
        if args.private_host:
            stack.enter_context(Host(boards=(args.board,), stations=(Station(args.echo, 1, "echo"),)))
        board = stack.enter_context(ravel.Board(args.board))
        board.start(args.station, 1)
        stack.callback(board.stop)
        if not wait_until(lambda: board.running, 10):
            print(f"board {args.board} did not start communicating", file=sys.stderr)
            return 1
        mail = stack.enter_context(board.mail)
        counts = soak(mail, args.echo, args.count, args.timeout, random.Random(args.seed))
    print(" ".join(f"{k} {v}" for k, v in counts.items()))
    return 1 if counts["lost"] or counts["corrupted"] else 0


if __name__ == "__main__":
    sys.exit(main())
