"""Boards and threads: the GIL is released during exchanges, close() stops a transfer
running elsewhere, and two boards work side by side."""
import os
import subprocess
import sys
import threading
import time

import pytest
import vx5h
from simulator import Simulator


class Worker(threading.Thread):
    """Runs `work` and keeps what it returned or raised."""

    def __init__(self, work):
        super().__init__(daemon=True)
        self.work, self.result, self.error = work, None, None
        self.start()

    def run(self):
        try:
            self.result = self.work()
        except BaseException as error:  # noqa: B036 (handed to the test)
            self.error = error

    def outcome(self, budget):
        self.join(budget)
        assert not self.is_alive(), f"still running after {budget} s"
        if self.error:
            raise self.error
        return self.result


def test_python_runs_while_a_transfer_waits_for_the_board(board, sim):
    sim.ctl("link", 2000000, 0)
    worker = Worker(lambda: board.memory("sdram")[0 : 2 << 20])
    counted, end = 0, time.monotonic() + 0.5
    while time.monotonic() < end:
        counted += 1
    assert worker.is_alive(), "the transfer takes a second"
    assert counted > 100000, "the main thread kept the GIL"
    assert len(worker.outcome(10)) == 2 << 20


def test_close_stops_a_transfer_in_another_thread(board, sim):
    sim.ctl("link", 1000000, 0)
    worker = Worker(lambda: board.memory("sdram").read(0, 4 << 20))
    time.sleep(0.3)
    start = time.monotonic()
    board.close()
    assert time.monotonic() - start < 0.5, "the transfer stops at its next packet"
    with pytest.raises(vx5h.LinkError, match="closed while the operation ran"):
        worker.outcome(2)
    assert sim.state()["jtag_client"] is False


def test_a_board_already_open_is_refused_at_once(board):
    start = time.monotonic()
    with pytest.raises(vx5h.LinkError, match="in use"):
        Worker(lambda: vx5h.Board(cable="sim")).outcome(5)
    assert time.monotonic() - start < 1
    board.leds = 1  # the first board is untouched


@pytest.fixture
def second_board(sim, monkeypatch):
    """A second simulated board in this process. The simulator serves one board; the driver
    libraries reach a second one as a real cable, through the vendor's stand-in client
    library, which carries the cable to whatever simulator VX5H_SIM_SOCKET names at its
    opening."""
    fake = os.environ.get("VX5H_FAKE_QUARTUS", "")
    if not os.path.isdir(fake):
        pytest.skip("two boards in one process need the vendor's stand-in installation (tests/fakes/vendor), "
                    "until the simulator serves several boards")
    other = Simulator()
    monkeypatch.setenv("QUARTUS_ROOTDIR", fake)
    monkeypatch.setenv("VX5H_SIM_SOCKET", other.socket)
    second = vx5h.Board(cable="USB-Blaster [1-1]", configure=False)
    monkeypatch.setenv("VX5H_SIM_SOCKET", sim.socket)
    yield second, other
    second.close()
    other.quit()


def test_two_boards_in_two_threads_at_once(board, sim, second_board):
    second, other = second_board
    assert not second.info().simulator and board.info().simulator
    for simulator in (sim, other):
        simulator.ctl("link", 1000000, 0)
    first_data, second_data = os.urandom(1 << 20), os.urandom(1 << 20)
    start = time.monotonic()
    workers = [Worker(lambda: board.memory("sdram").write(0, first_data)),
               Worker(lambda: second.memory("sdram").write(0, second_data))]
    for worker in workers:
        worker.outcome(10)
    assert time.monotonic() - start < 1.7, "each takes a second; side by side they take one"
    assert sim.memory("sdram", 0, 1 << 20) == first_data
    assert other.memory("sdram", 0, 1 << 20) == second_data


@pytest.fixture
def sim2(sim):
    """The session simulator's second board, sim-2, connected."""
    with vx5h.Board(cable="sim-2") as second:
        yield second
    sim.ctl("link", 0, 0, board=2)


def test_progress_callables_that_use_each_others_board_do_not_wait_forever(board, sim, sim2):
    """Each thread holds its board through a transfer and, from its progress callable,
    asks for the board the other thread holds: one of them is told at once, the other
    goes on."""
    for number in (1, 2):
        sim.ctl("link", 2000000, 0, board=number)
    both = threading.Barrier(2, timeout=5)

    def crossing(mine, other):
        asked = []

        def progress(done, total):
            if not asked:
                asked.append(done)
                both.wait()  # both transfers hold their boards now
                other.leds = 1
        return lambda: mine.memory("sdram").read(0, 1 << 20, progress=progress)

    results, errors = [], []
    for worker in [Worker(crossing(board, sim2)), Worker(crossing(sim2, board))]:
        try:
            results.append(len(worker.outcome(10)))
        except RuntimeError as error:
            errors.append(str(error))
    assert results == [1 << 20] and len(errors) == 1, errors
    assert "would wait for each other forever" in errors[0]
    assert not board.closed and not sim2.closed
    board.leds, sim2.leds = 3, 4
    assert (sim.state()["leds"], sim.state(board=2)["leds"]) == (3, 4)


EXITING = """
import sys, threading, time, vx5h
board = vx5h.Board(cable="sim")
def work():
    while True:
        {work}
threading.Thread(target=work, daemon=True).start()
time.sleep(0.3)
sys.exit(3)
"""


@pytest.mark.parametrize("work", [
    "board.memory('sdram')[0:64]",
    "board.rs232.read(timeout=0.001)",
    "board.memory('sdram').read(0, 1 << 16, progress=lambda done, total: None)",
], ids=["read", "waiting read", "progress"])
def test_python_exits_with_its_own_status_whatever_a_thread_does(sim, own_boards, work):
    """The thread goes in and out of the board's work all the time, so that the exit meets
    it on the way back to Python."""
    for _ in range(6):
        done = subprocess.run([sys.executable, "-c", EXITING.format(work=work)], capture_output=True, text=True,
                              timeout=30)
        assert (done.returncode, done.stderr) == (3, "")


# Two boards, each used by a thread of its own in many short calls: a thread on its way
# back from the board's work must never wait for the GIL while holding what the GIL's
# holder needs on its way in. Run in a child so that a hang is a failure, not a hung run.
TWO_BOARDS_SHORT_CALLS = """
import sys, threading, time, vx5h
boards = [vx5h.Board(cable="sim"), vx5h.Board(cable="sim-2")]
counts, stop = [0, 0], False
def work(i):
    while not stop:
        boards[i].leds = counts[i] & 0xFF
        counts[i] += 1
threads = [threading.Thread(target=work, args=(i,), daemon=True) for i in (0, 1)]
for thread in threads:
    thread.start()
time.sleep(1)
stop = True
for thread in threads:
    thread.join(5)
print(min(counts), flush=True)
"""


def test_two_boards_in_short_calls_in_two_threads_never_stop_the_interpreter(sim, own_boards):
    for _ in range(3):
        try:
            done = subprocess.run([sys.executable, "-c", TWO_BOARDS_SHORT_CALLS], capture_output=True, text=True,
                                  timeout=15)
        except subprocess.TimeoutExpired:
            pytest.fail("two threads with a board each: the interpreter stopped (deadlock on the exit lock)")
        assert done.returncode == 0 and int(done.stdout) > 10, done.stderr
