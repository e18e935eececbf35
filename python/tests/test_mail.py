import contextlib
from concurrent.futures import ThreadPoolExecutor

import pytest

from ravel import MailStatus


@pytest.mark.parametrize("timeout", [0, 0.3])
def test_a_wait_with_no_mail_expires(pair, timeout):
    with pair[1].mail as mail:
        assert mail.wait(timeout) is False
        assert not mail.status & MailStatus.RECEIVED


@pytest.mark.parametrize("sender, destination, receiver, source, size", [
    (0, 5, 1, 1, 6),  # to the other board
    (0, 20, 0, 20, 256),  # to the echo station and back: the waiter and the sender share a board
    (1, 1, 0, 5, 2),
])
def test_a_wait_in_one_thread_ends_when_another_sends(pair, sender, destination, receiver, source, size):
    data = bytes((i * 7 + size) & 0xFF for i in range(size))
    with contextlib.ExitStack() as stack:
        mail = {n: stack.enter_context(pair[n].mail) for n in {sender, receiver}}
        assert mail[receiver].wait(0) is False
        with ThreadPoolExecutor(1) as pool:
            waited = pool.submit(mail[receiver].wait, 20)
            mail[sender].send(destination, data)
            assert waited.result() is True
        assert mail[receiver].receive(size) == (source, data)
        assert not mail[receiver].status & MailStatus.RECEIVED
        assert mail[sender].status & MailStatus.SENT
