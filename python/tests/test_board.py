import contextlib

import pytest

import ravel
from ravel import errors
from ravel.testing import wait_until


class Boom(Exception):
    pass


RESOURCES = {"board": (lambda b: b, lambda b: b.state, ravel.NotOpenError),
             "mail": (lambda b: b.mail, lambda b: b.mail.status, ravel.MailNotOpenError)}


@pytest.mark.parametrize("resource", RESOURCES)
@pytest.mark.parametrize("close_inside, raise_inside, escapes", [
    (False, False, None), (False, True, Boom), (True, False, "close error"), (True, True, Boom)])
def test_context_managers_close_on_success_and_on_exception(ravel_host, resource, close_inside, raise_inside,
                                                            escapes):
    opened, probe, not_open = RESOURCES[resource]
    board = ravel.Board(0)
    with board if resource == "mail" else contextlib.nullcontext():
        expected = not_open if escapes == "close error" else escapes
        with pytest.raises(expected) if expected else contextlib.nullcontext() as caught:
            with opened(board) as entered:
                assert entered is opened(board) or resource == "mail"
                probe(board)
                if close_inside:
                    entered.close()
                if raise_inside:
                    raise Boom
        if close_inside and raise_inside:
            assert "failed as well" in caught.value.__notes__[0]
        with pytest.raises(not_open):
            probe(board)
    with pytest.raises(ravel.NotOpenError):
        board.state


@pytest.fixture
def board0(ravel_host):
    with ravel.Board(0) as board:
        yield board


@pytest.mark.parametrize("action, family, code", [
    (lambda b: ravel.Board(1).state, ravel.NotOpenError, 2),
    (lambda b: b.open(), ravel.AlreadyOpenError, 1),
    (lambda b: ravel.Board(4).open(), ravel.InvalidParamError, 3),
    (lambda b: b.gm.read(63, count=5), ravel.InvalidParamError, 3),
    (lambda b: b.registers.read(0x1000), ravel.InvalidParamError, 3),
    (lambda b: ravel.Board(2).open(), ravel.OpenError, 4),
    (lambda b: b.reset(), ravel.NotStartedError, 12),
    (lambda b: b.mail.send(20, b"ab"), ravel.MailNotOpenError, 19),
    (lambda b: b.mail.open().open(), ravel.MailError, 18),
    (lambda b: b.mail.open().send(20, b""), ravel.MailError, 20),
    (lambda b: b.mail.open().receive(), ravel.MailError, 22),
])
def test_each_error_family_carries_code_and_name(board0, action, family, code):
    with pytest.raises(family) as caught:
        action(board0)
    assert (caught.value.code, caught.value.name) == (code, errors.NAMES[code])
    assert errors.NAMES[code] in str(caught.value)


@pytest.mark.parametrize("width, data", [
    (16, [1, 0xFFFF, 0x8000, 4, 5, 6, 7, 8]), (32, [0xDEADBEEF, 1, 0x80000000, 3]),
    (64, [2**64 - 1, 0x0123456789ABCDEF]), ("bytes", b"0123456789abcdef")])
@pytest.mark.parametrize("writer, reader, station", [(0, 1, 1), (1, 0, 5)])
def test_gm_round_trip_between_two_boards(pair, width, data, writer, reader, station):
    gm = pair[reader].gm
    if width == "bytes":
        pair[writer].gm.write_bytes(station, data)
        assert wait_until(lambda: gm.read_bytes(station, len(data)) == data)
    else:
        pair[writer].gm.write(station, data, width)
        assert wait_until(lambda: gm.read(station, len(data), width) == data)
        raw = b"".join(v.to_bytes(width // 8, "little") for v in data)
        assert gm.read_bytes(station, 16) == raw


@pytest.mark.parametrize("where, width, value, back", [
    ("LGR", None, 0x0123456789ABCDEF, [(0x320, 16, 0xCDEF), (0x322, 32, 0x456789AB)]),
    (0x330, 32, 0x89ABCDEF, [("DRCR", None, 0x89ABCDEF)]),
    ("MGR", None, -1, [(0x328, 64, 2**64 - 1)]),
])
def test_registers_by_name_and_offset(board0, where, width, value, back):
    regs = board0.registers
    if width:
        regs.write(where, value, width)
    else:
        regs[where] = value
    for at, at_width, expected in back:
        assert (regs.read(at, at_width) if at_width else regs[at]) == expected


def test_members_follow_a_station_going_off_and_on(pair, ravel_host):
    assert {1, 2, 5, 6, 10, 11, 20} <= pair[0].members
    ravel_host.station_off(20)
    try:
        assert wait_until(lambda: 20 not in pair[0].members)
        assert ravel_host.status().stations == {10: True, 20: False}
    finally:
        ravel_host.station_on(20)
    assert wait_until(lambda: 20 in pair[1].members)
    status = ravel_host.status()
    assert {n: (b["station"], b["size"], b["running"]) for n, b in status.boards.items()} == {0: (1, 2, True),
                                                                                              1: (5, 2, True)}
    assert status.traffic[20]["membershipChanges"] >= 3
    assert pair[0].state == (1004, 1, 2) and pair[0].station == (1, 2) and pair[1].switch == 1
