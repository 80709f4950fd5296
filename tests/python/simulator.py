"""A simulated board of a test's or a benchmark's own."""
import json
import os
import shutil
import subprocess
import tempfile
import time

BIN = os.environ.get("VX5H_TEST_BIN_DIR", "")
SIM = os.path.join(BIN, "vx5h-board-sim")
IMAGE = os.path.join(BIN, "VX5h_260_ControlPanel.sof")


class Simulator:
    """A `vx5h-board-sim --daemon` on a socket in a fresh folder, serving `boards` boards
    (sim, sim-2, ...). A program reaches it through VX5H_SIM_SOCKET; `env` is an
    environment that names it."""

    def __init__(self, configured=True, boards=1):
        self.folder = tempfile.mkdtemp(prefix="vx5h-py-")
        self.socket = os.path.join(self.folder, "board.sock")
        self.env = dict(os.environ, VX5H_SIM_SOCKET=self.socket)
        subprocess.run([SIM, "--daemon", "--boards", str(boards)], env=self.env, check=True, timeout=30)
        deadline = time.monotonic() + 3
        while not os.path.exists(self.socket) and time.monotonic() < deadline:
            time.sleep(0.01)
        for board in range(1, boards + 1 if configured else 1):
            self.ctl("configure", IMAGE, board=board)

    def ctl(self, *words, board=1):
        """`ctl` of the first board, or of board `board` (2: sim-2)."""
        which = [] if board == 1 else ["--board", f"sim-{board}"]
        done = subprocess.run([SIM, "ctl", *which, *map(str, words)], env=self.env, capture_output=True, text=True,
                              timeout=30)
        assert done.returncode == 0, f"ctl {' '.join(map(str, words))}: {done.stderr}"
        return done.stdout

    def state(self, board=1):
        return json.loads(self.ctl("state", board=board))

    def memory(self, name, address, length):
        """Bytes of a memory as the chip holds them, past the firmware."""
        return bytes.fromhex(self.ctl("mem", "read", name, address, length))

    def reset(self):
        for words in (["plug"], ["fault", "none"], ["link", 0, 0], ["hsmc", "adapter"], ["sdcard", "insert"],
                      ["rs232-loopback", "off"], ["set", "switches", 0], ["set", "keys", 0],
                      ["set", "gsensor", 0, 0, 16384]):
            self.ctl(*words)
        if not self.state()["configured"]:
            self.ctl("configure", IMAGE)

    def quit(self):
        subprocess.run([SIM, "ctl", "quit"], env=self.env, capture_output=True, timeout=30)
        shutil.rmtree(self.folder, ignore_errors=True)
