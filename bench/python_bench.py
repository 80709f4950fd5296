"""The Python module, each figure against a baseline measured in the same run, on a
simulator of its own (unthrottled):

 1. mem[0:16 MiB] read and mem[0:16 MiB] = data on SDRAM, against `vx5h mem dump` and
    `vx5h mem load` of the same range (the program's wall time: its start and connect take
    a few milliseconds, its file a few more). Rounds alternate the two; medians.
 2. One `board.leds = mask` against the same call from C++ (TBoard::SetLed, timed by
    vx5h-bench-leds in its own process); the overhead is the difference of the medians.

    PYTHONPATH=build/python VX5H_TEST_BIN_DIR=build/bin /usr/bin/python3 bench/python_bench.py [--smoke]
"""
import os
import pathlib
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "tests" / "python"))
from simulator import BIN, Simulator  # noqa: E402 (beside the tests)

import vx5h  # noqa: E402


def timed(work):
    start = time.perf_counter()
    result = work()
    return time.perf_counter() - start, result


def run_vx5h(sim, *args):
    command = [os.path.join(BIN, "vx5h"), "-q", *map(str, args)]
    return timed(lambda: subprocess.run(command, env=sim.env, check=True, stdout=subprocess.DEVNULL))[0]


def transfers(sim, folder, size, rounds):
    data = os.urandom(size)
    source, target = folder / "in.bin", folder / "out.bin"
    source.write_bytes(data)
    times = {name: [] for name in ("vx5h load", "vx5h dump", "write", "read")}
    for _ in range(rounds):
        times["vx5h load"].append(run_vx5h(sim, "mem", "load", "sdram", source))
        times["vx5h dump"].append(run_vx5h(sim, "mem", "dump", "sdram", target, "--length", f"{size // 2:X}"))
        with vx5h.Board() as board:
            sdram = board.memory("sdram")
            seconds, _ = timed(lambda: sdram.__setitem__(slice(0, size), data))
            times["write"].append(seconds)
            seconds, back = timed(lambda: sdram[0:size])
            times["read"].append(seconds)
        assert back == data and target.read_bytes() == data
    mib = size / 1048576
    print(f"SDRAM, {mib:g} MiB, unthrottled simulator, median of {rounds} rounds")
    print(f"  {'':28} {'Python s':>9} {'MB/s':>7} {'vx5h s':>9} {'MB/s':>7} {'ratio':>7}")
    for python, cli, label in (("read", "vx5h dump", "mem[0:16 MiB] / mem dump"),
                               ("write", "vx5h load", "mem[0:16 MiB] = / mem load")):
        py, vx = statistics.median(times[python]), statistics.median(times[cli])
        print(f"  {label:28} {py:9.3f} {mib / py:7.1f} {vx:9.3f} {mib / vx:7.1f} {py / vx:7.3f}")


def leds(sim, calls, rounds):
    cpp, python = [], []
    for _ in range(rounds):
        done = subprocess.run([os.path.join(BIN, "vx5h-bench-leds"), str(calls)], env=sim.env, check=True,
                              capture_output=True, text=True)
        cpp.append(float(done.stdout.split()[1]))
        with vx5h.Board() as board:
            for mask in range(100):
                board.leds = mask
            seconds, _ = timed(lambda: [setattr(board, "leds", i & 0x7FFFFFF) for i in range(calls)])
            python.append(1e6 * seconds / calls)
    c, p = statistics.median(cpp), statistics.median(python)
    print(f"board.leds = mask, {calls} calls a round, median of {rounds} rounds")
    print(f"  C++ TBoard::SetLed {c:8.1f} us a call")
    print(f"  Python board.leds  {p:8.1f} us a call")
    print(f"  overhead           {p - c:8.2f} us a call (ratio {p / c:.4f})")


def main():
    smoke = "--smoke" in sys.argv
    sim = Simulator()
    os.environ["VX5H_SIM_SOCKET"] = sim.socket
    try:
        with tempfile.TemporaryDirectory(prefix="vx5h-bench-py-") as folder:
            transfers(sim, pathlib.Path(folder), (1 if smoke else 16) << 20, 1 if smoke else 5)
        leds(sim, 100 if smoke else 3000, 1 if smoke else 7)
    finally:
        sim.quit()


if __name__ == "__main__":
    main()
