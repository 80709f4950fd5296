"""labgrid's side of the board against a simulated lab of four boards of the tests' own,
each board put back in its plain state after each test."""
import os
import pathlib
import subprocess
import sys

import pytest

sys.path.insert(0, str(pathlib.Path(__file__).parents[1] / "python"))
from simulator import IMAGE, Simulator  # noqa: E402

EXAMPLES = pathlib.Path(__file__).parents[2] / "examples" / "labgrid"
BOARDS = ("sim", "sim-2", "sim-3", "sim-4")
FAKE_QUARTUS = os.environ.get("VX5H_FAKE_QUARTUS", "")


class LabBoard:
    """One board of the lab, with a simulator's control commands."""

    def __init__(self, lab, name):
        self.lab, self.name = lab, name

    def ctl(self, *words, board=1):
        """`ctl` of this board (`board` is the simulator's numbering, which a lab board has no use for)."""
        return self.lab.ctl("--board", self.name, *words)

    state = Simulator.state
    memory = Simulator.memory
    reset = Simulator.reset


class Lab(Simulator):
    def __init__(self):
        super().__init__(configured=False, boards=len(BOARDS))
        self.boards = {name: LabBoard(self, name) for name in BOARDS}
        for board in self.boards.values():
            board.ctl("configure", IMAGE)

    def __getitem__(self, name):
        return self.boards[name]


@pytest.fixture(scope="session", autouse=True)
def lab():
    simulated = Lab()
    os.environ["VX5H_SIM_SOCKET"] = simulated.socket
    yield simulated
    simulated.quit()


@pytest.fixture(autouse=True)
def plain_lab(lab):
    yield
    for board in lab.boards.values():
        board.reset()


@pytest.fixture
def environment():
    """labgrid environments made from a file, their boards closed after the test."""
    from labgrid import Environment

    made = []

    def make(path):
        made.append(Environment(config_file=str(path)))
        return made[-1]

    yield make
    for env in made:
        env.cleanup()


@pytest.fixture
def vendor(monkeypatch):
    """The vendor's stand-in tools, whose cables are the lab's boards in order: `vendor(A, B)`."""
    if not os.path.isdir(FAKE_QUARTUS):
        pytest.skip("the vendor's stand-in installation is not built (target fake_quartus)")
    monkeypatch.setenv("QUARTUS_ROOTDIR", FAKE_QUARTUS)
    return lambda *cables: monkeypatch.setenv("FAKE_ATLANTIC", "cables=" + "|".join(cables))


def run_pytest(*arguments, env=None, timeout=240):
    """A pytest session of its own, as a lab or a CI job runs one."""
    return subprocess.run(
        [sys.executable, "-m", "pytest", "-p", "no:cacheprovider", *map(str, arguments)],
        capture_output=True, text=True, timeout=timeout,
        env=dict(os.environ if env is None else env, PYTHONDONTWRITEBYTECODE="1"),
    )
