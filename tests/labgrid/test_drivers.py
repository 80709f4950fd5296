"""The strategy, the board driver and the bootstrap driver on simulated boards, each checked
through the simulator's control."""
import json
import re
import threading
import time

import pytest
import vx5h
from conftest import EXAMPLES, run_pytest
from labgrid.step import steps
from labgrid.strategy import StrategyError


@pytest.fixture
def main(environment):
    """The target of examples/labgrid/sim.yaml and its strategy."""
    target = environment(EXAMPLES / "sim.yaml").get_target()
    return target, target.get_driver("Strategy")


@pytest.fixture
def step_titles():
    titles = []

    def note(event):
        if event.data.get("state") == "start":
            titles.append(f"{event.step.source.__class__.__name__}.{event.step.title}")

    steps.subscribe(note)
    yield titles
    steps.unsubscribe(note)


def test_a_simulated_board_is_driven_to_ready_and_tested(main, lab, step_titles):
    target, strategy = main
    strategy.transition("ready")
    driver = target.get_driver("VX5hDriver")
    driver.set_leds(0x2A5)
    driver.set_led(26, True)
    assert lab["sim"].state()["leds"] == 0x40002A5

    driver.write(0x1000, 4, b"\x01\x02\x03\x04\x05\x06\x07\x08")
    driver.write(0x1009, 1, b"\xAA")
    assert lab["sim"].memory("sdram", 0x1000, 10) == b"\x01\x02\x03\x04\x05\x06\x07\x08\x00\xAA"
    assert driver.read(0x1000, 2, 5) == lab["sim"].memory("sdram", 0x1000, 10)
    assert driver.read(0x1009, 1, 1) == b"\xAA" and driver.read(0, 4, 0) == b""

    report = driver.selftest(only="eeprom,gsensor")
    assert report.passed and [t.name for t in report.tests] == ["eeprom", "gsensor"]
    header = json.loads(report.to_json())
    assert (header["cable"], header["version"]) == ("sim", vx5h.__version__), "a lab's reports say which board"

    strategy.transition("ready")  # a board that answers is left as it is
    assert driver.board.leds == 0x40002A5
    assert step_titles[:2] == ["VX5hStrategy.transition", "VX5hDriver.set_leds"]
    assert {"VX5hDriver.write", "VX5hDriver.read", "VX5hDriver.selftest"} <= set(step_titles)
    assert "VX5hBootstrapDriver.load" not in step_titles, "a configured FPGA is not configured again"


@pytest.mark.parametrize(
    "access, message",
    [
        (lambda d: d.read(0x1001, 2, 1), "address 0x1001 is not a multiple of the access size 2"),
        (lambda d: d.read(0, 3, 1), "size must be one of 1, 2, 4 bytes, not 3"),
        (lambda d: d.read(-4, 4, 1), "address must be a whole number from 0, not -4"),
        (lambda d: d.read(0x7FFFFFC, 4, 2), "8 bytes from offset 0x7FFFFFC run past the end of SDRAM"),
        (lambda d: d.write(0, 4, b"\x00" * 6), "6 bytes are not whole accesses of 4 bytes"),
        (lambda d: d.write(0x8000002, 2, b"\x00\x00"), "offset 0x8000002 lies outside SDRAM"),
        (lambda d: d.write(0, 0, b"\x00"), "size must be one of 1, 2, 4 bytes, not 0"),
        (lambda d: d.read(2**64, 4, 1), "18446744073709551616 lies beyond 64 bits"),
        (lambda d: d.write(2**63, 1, b"a"), "9223372036854775808 lies beyond 64 bits"),
        (lambda d: d.read(0, 4, 2**62), "18446744073709551616 lies beyond 64 bits"),
    ],
)
def test_memory_accesses_a_bus_could_not_make_are_refused(main, lab, access, message):
    target, strategy = main
    strategy.transition("ready")
    with pytest.raises(ValueError, match=re.escape(message)):
        access(target.get_driver("VX5hDriver"))
    assert lab["sim"].memory("sdram", 0, 8) == bytes(8)


def test_a_bare_fpga_is_configured_by_the_bootstrap_driver(main, lab, step_titles, tmp_path):
    lab["sim"].ctl("power-cycle")
    target, strategy = main
    with pytest.raises(vx5h.LinkError, match=r"not configured: no JTAG UART; strategy.transition\('ready'\) configures") as raised:
        target.get_driver("VX5hDriver")  # a board driver without the strategy leaves the FPGA alone
    assert "configure=False" not in str(raised.value)
    strategy.transition("ready")
    assert lab["sim"].state()["configured"]
    assert "VX5hBootstrapDriver.load" in step_titles

    # Asked to, the bootstrap driver configures anew, closing the board's link first.
    bootstrap = target.get_driver("VX5hBootstrapDriver")
    bad = tmp_path / "other.sof"
    bad.write_bytes(b"not an image of this board")
    with pytest.raises(ValueError):
        bootstrap.load(str(bad))
    with pytest.raises(OSError, match="missing.sof"):
        bootstrap.load(str(tmp_path / "missing.sof"))
    assert bootstrap.load() > 0
    strategy.transition("ready")
    target.get_driver("VX5hDriver").set_leds(7)
    assert lab["sim"].state()["leds"] == 7


def _fail_the_first_connect(strategy, board):
    board.ctl("power-cycle")
    board.ctl("fault", "drop", 1000)  # the image loads, then the firmware stays silent
    with pytest.raises(vx5h.LinkError, match="does not answer"):
        strategy.transition("ready")
    board.ctl("fault", "none")


@pytest.mark.parametrize(
    "leave",
    [
        pytest.param(lambda strategy, board: strategy.transition("configured"), id="configured"),
        pytest.param(_fail_the_first_connect, id="after a failed first connect"),
    ],
)
def test_ready_is_reached_from_a_board_that_lost_its_image(main, lab, leave):
    target, strategy = main
    leave(strategy, lab["sim"])
    lab["sim"].ctl("power-cycle")  # whatever the strategy believes, the FPGA is bare now
    strategy.transition("ready")
    target.get_driver("VX5hDriver").set_leds(9)
    assert lab["sim"].state()["leds"] == 9 and strategy.status.name == "ready"


def test_the_strategy_is_one_threads_and_its_status_one_of_its_states(main, lab, environment, tmp_path):
    path = tmp_path / "status.yaml"
    path.write_text(MISSING.format(cable="sim").replace("VX5hStrategy: {}", "VX5hStrategy: {status: readyy}"))
    with pytest.raises(ValueError, match="'readyy' is not a state of the board; it is one of unknown, configured"):
        environment(path).get_target().get_driver("Strategy")

    target, strategy = main
    lab["sim"].ctl("power-cycle")
    lab["sim"].ctl("timing", "real")  # the load takes 4 s
    outcome = []
    other = threading.Thread(target=lambda: outcome.append(strategy.transition("ready")))
    other.start()
    try:
        time.sleep(0.5)
        with pytest.raises(StrategyError, match="another thread is in a transition of this strategy"):
            strategy.transition("ready")
    finally:
        other.join()
        lab["sim"].ctl("timing", "fast")
    assert outcome == [None] and strategy.status.name == "ready"


TWO_TARGETS = "imports: [vx5h.labgrid]\ntargets:\n" + "".join(
    f"  {name}:\n    resources: {{VX5hCable: {{cable: sim}}}}\n"
    "    drivers: [VX5hBootstrapDriver: {}, VX5hDriver: {}, VX5hStrategy: {}]\n"
    for name in ("a", "b")
)


def test_a_board_in_use_by_another_target_is_not_configured_under_it(environment, lab, tmp_path):
    path = tmp_path / "two.yaml"
    path.write_text(TWO_TARGETS)
    env = environment(path)
    a, b = env.get_target("a"), env.get_target("b")
    a.get_driver("Strategy").transition("ready")
    a.get_driver("VX5hDriver").set_leds(5)
    for attempt in (lambda: b.get_driver("VX5hBootstrapDriver").load(), lambda: b.get_driver("Strategy").transition("configured")):
        with pytest.raises(vx5h.LinkError, match="in use: this program has its cable open"):
            attempt()
    assert lab["sim"].state()["leds"] == 5
    a.get_driver("VX5hDriver").set_leds(6)
    assert lab["sim"].state()["leds"] == 6, "a's link is untouched"


LOST_LINK_TEST = """
import subprocess, sys

def test_the_cable_is_pulled(target, strategy):
    strategy.transition("ready")
    board = target.get_driver("VX5hDriver")
    board.set_leds(1)
    subprocess.run([{sim!r}, "ctl", "unplug"], check=True)
    try:
        board.set_leds(2)
    finally:
        subprocess.run([{sim!r}, "ctl", "plug"], check=True)

def test_the_next_test_gets_a_board(target, strategy):
    strategy.transition("ready")
    target.get_driver("VX5hDriver").set_leds(3)
"""


def test_a_pulled_cable_fails_its_test_and_the_next_one_gets_a_board(lab, tmp_path):
    from simulator import SIM

    test = tmp_path / "test_lost_link.py"
    test.write_text(LOST_LINK_TEST.format(sim=SIM))
    done = run_pytest("--lg-env", EXAMPLES / "sim.yaml", test)
    assert "1 failed, 1 passed" in done.stdout, done.stdout + done.stderr
    assert re.search(r"vx5h\.LinkError: leds: .*the link is lost", done.stdout), done.stdout
    assert lab["sim"].state()["leds"] == 3


MISSING = """
imports: [vx5h.labgrid]
targets:
  main:
    resources:
      VX5hCable: {{cable: "{cable}"}}
    drivers: [VX5hBootstrapDriver: {{}}, VX5hDriver: {{}}, VX5hStrategy: {{}}]
"""


@pytest.mark.parametrize(
    "cable, vendor_cables, error, message",
    [
        ("sim-9", None, vx5h.LinkError, r"cable 'sim-9': no board: .*sim-9"),
        ("USB-Blaster [9-9]", ("USB-Blaster [1-1]",), vx5h.LinkError, r"cable 'USB-Blaster \[9-9\]': no board: "),
        ("sim\\0-other", None, ValueError, r"cable: 'sim\\x00-other' holds a NUL character"),
    ],
)
def test_a_cable_that_is_not_there_fails_in_time_and_says_which(
    environment, request, tmp_path, cable, vendor_cables, error, message
):
    if vendor_cables:
        request.getfixturevalue("vendor")(*vendor_cables)
    path = tmp_path / "missing.yaml"
    path.write_text(MISSING.format(cable=cable))
    strategy = environment(path).get_target().get_driver("Strategy")
    start = time.monotonic()
    with pytest.raises(error, match=message):
        strategy.transition("ready")
    assert time.monotonic() - start < 5
    assert strategy.status.name == "unknown"
