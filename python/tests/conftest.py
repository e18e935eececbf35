import pytest

import ravel
from ravel.testing import ravel_host, ravel_host_options, wait_until  # noqa: F401 (fixtures)


@pytest.fixture
def pair(ravel_host):
    """Boards 0 and 1 open and running, at stations 1 (size 2) and 5 (size 2)."""
    with ravel.Board(0) as first, ravel.Board(1) as second:
        first.start(1, 2)
        second.start(5, 2)
        assert wait_until(lambda: {1, 2, 5, 6} <= first.members and {1, 2, 5, 6} <= second.members)
        yield first, second
