"""The module's tests run against a simulated board of their own, started for the session
and put back in its plain state after each test."""
import json
import os
import shutil
import subprocess
import tempfile
import time

import pytest

BIN = os.environ.get("VX5H_TEST_BIN_DIR", "")
SIM = os.path.join(BIN, "vx5h-board-sim")


class Simulator:
    """A `vx5h-board-sim --daemon` on a socket in a fresh folder, told to this process (and
    the driver libraries it loads) through VX5H_SIM_SOCKET."""

    def __init__(self, configured=True):
        self.folder = tempfile.mkdtemp(prefix="vx5h-py-")
        self.socket = os.path.join(self.folder, "board.sock")
        self.env = dict(os.environ, VX5H_SIM_SOCKET=self.socket)
        subprocess.run([SIM, "--daemon"], env=self.env, check=True, timeout=30)
        deadline = time.monotonic() + 3
        while not os.path.exists(self.socket) and time.monotonic() < deadline:
            time.sleep(0.01)
        if configured:
            self.ctl("configure", os.path.join(BIN, "VX5h_260_ControlPanel.sof"))

    def ctl(self, *words):
        done = subprocess.run([SIM, "ctl", *map(str, words)], env=self.env, capture_output=True, text=True, timeout=30)
        assert done.returncode == 0, f"ctl {' '.join(map(str, words))}: {done.stderr}"
        return done.stdout

    def state(self):
        return json.loads(self.ctl("state"))

    def memory(self, name, address, length):
        """Bytes of a memory as the chip holds them, past the firmware."""
        return bytes.fromhex(self.ctl("mem", "read", name, address, length))

    def reset(self):
        for words in (["plug"], ["fault", "none"], ["link", 0, 0], ["hsmc", "adapter"], ["sdcard", "insert"],
                      ["rs232-loopback", "off"], ["set", "switches", 0], ["set", "keys", 0],
                      ["set", "gsensor", 0, 0, 16384]):
            self.ctl(*words)
        if not self.state()["configured"]:
            self.ctl("configure", os.path.join(BIN, "VX5h_260_ControlPanel.sof"))

    def quit(self):
        subprocess.run([SIM, "ctl", "quit"], env=self.env, capture_output=True, timeout=30)
        shutil.rmtree(self.folder, ignore_errors=True)


@pytest.fixture(scope="session", autouse=True)
def sim():
    simulator = Simulator()
    os.environ["VX5H_SIM_SOCKET"] = simulator.socket
    yield simulator
    simulator.quit()


@pytest.fixture(autouse=True)
def plain_simulator(sim):
    yield
    sim.reset()


@pytest.fixture
def own_boards(vx5h_connection):
    """For a test that connects boards of its own: one program opens a cable once, so the
    session's board is closed first (the plugin connects it again when a test asks)."""
    vx5h_connection.close()
