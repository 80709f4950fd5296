"""pytest plugin for tests that need a VX5h-260 board.

Loaded by itself where vx5h is installed (an entry point), or with `-p vx5h.pytest_plugin`.

    --vx5h-cable CABLE   the board to test: 'sim', a cable's name as jtagconfig lists it, or
                         its index (default: as VX5H_CABLE picks it)

The `board` fixture hands each test the session's one connected Board, with its outputs
back in a known state (LEDs off, the digits 0, the LCD blank, the VGA's first pattern).
When no board can be had, every test that asks for it is skipped with the reason; when the
session itself holds the board's cable (labgrid's target on the same cable), each fails.
"""
import pytest

# The drivers' words for a cable that this program has open already.
_OPEN_HERE = "this program has its cable open already"


def pytest_addoption(parser):
    group = parser.getgroup("vx5h", "VX5h-260 board")
    group.addoption(
        "--vx5h-cable",
        default=None,
        help="the board to test: 'sim', a cable's name as jtagconfig lists it, or its index "
        "(default: as VX5H_CABLE picks it)",
    )


class _Connection:
    """The session's board: connected at its first use and again after a lost link. A
    board that could not be had is not asked for again, so that a run without one ends
    quickly."""

    def __init__(self, cable):
        self.cable = cable
        self.board = None
        self.missing = None

    def get(self):
        # Imported here, so that the plugin costs nothing in sessions that never ask for
        # a board.
        import vx5h

        if self.missing:
            pytest.skip(self.missing)
        if self.board is None or self.board.closed:
            try:
                self.board = vx5h.Board(cable=self.cable)
            except vx5h.LinkError as error:
                where = f" on cable {self.cable!r}" if self.cable else ""
                if _OPEN_HERE in str(error):
                    # Not a board missing but two fixtures on one cable: skipping would pass a run
                    # that tested nothing.
                    which = f"on cable {self.cable!r}" if self.cable else "that VX5H_CABLE picks"
                    pytest.fail(
                        f"the VX5h-260 {which} is held by this session (labgrid's target?): name another "
                        f"board with --vx5h-cable ({error})",
                        pytrace=False,
                    )
                self.missing = f"no VX5h-260 board{where}: {error}"
                pytest.skip(self.missing)
        return self.board

    def close(self):
        if self.board is not None:
            self.board.close()


def reset_outputs(board):
    """Puts the board's outputs in the state every test starts from."""
    board.leds = 0
    board.seg7 = 0
    board.lcd("", "")
    board.vga(0)


@pytest.fixture(scope="session")
def vx5h_connection(request):
    connection = _Connection(request.config.getoption("--vx5h-cable"))
    yield connection
    connection.close()


@pytest.fixture
def board(vx5h_connection):
    """The connected vx5h.Board, its outputs in a known state; skips without a board."""
    connected = vx5h_connection.get()
    reset_outputs(connected)
    return connected
