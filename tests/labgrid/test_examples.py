"""examples/labgrid as a lab runs it: its production test in pytest sessions of their own,
labgrid's plugin and vx5h's side by side."""
import re

from conftest import EXAMPLES, run_pytest
from labgrid.config import Config

TEST = EXAMPLES / "test_board.py"


def test_the_production_test_passes_on_a_simulated_board(lab):
    done = run_pytest("--lg-env", EXAMPLES / "sim.yaml", TEST)
    assert done.returncode == 0 and "6 passed" in done.stdout, done.stdout + done.stderr


def test_a_lab_of_four_with_one_faulty_board_fails_one_test(lab):
    lab["sim-3"].ctl("hsmc", "fail", 0x210, 0)
    done = run_pytest("-rf", "--lg-env", EXAMPLES / "lab.yaml", TEST)
    assert done.returncode == 1 and "1 failed, 23 passed" in done.stdout, done.stdout + done.stderr
    assert re.search(r"FAILED .*test_board\.py::test_acceptance\[board-3\]", done.stdout)
    assert "AssertionError: hsmc: HSMC pairs 4 and 9 open (pins 53-54, 83-84)" in done.stdout, done.stdout


def test_a_remote_board_is_reached_through_the_vendors_server(lab, vendor):
    vendor("USB-Blaster on labhost [1-1]")
    done = run_pytest("--lg-env", EXAMPLES / "remote.yaml", TEST)
    assert done.returncode == 0 and "6 passed" in done.stdout, done.stdout + done.stderr


BOTH_PLUGINS = """
def test_each_plugin_gives_its_own_board(board, target, strategy):
    strategy.transition("ready")
    board.leds = 1
    target.get_driver("VX5hDriver").set_leds(2)
    assert board.cable == "sim-2" and target.get_driver("VX5hDriver").board.cable == "sim"
"""


def test_vx5hs_plugin_and_labgrids_live_in_one_session(lab, tmp_path):
    test = tmp_path / "test_both.py"
    test.write_text(BOTH_PLUGINS)
    done = run_pytest("--vx5h-cable", "sim-2", "--lg-env", EXAMPLES / "sim.yaml", test)
    assert done.returncode == 0, done.stdout + done.stderr
    assert (lab["sim-2"].state()["leds"], lab["sim"].state()["leds"]) == (1, 2)


def test_the_coordinators_environment_names_the_reserved_place(monkeypatch):
    monkeypatch.setenv("LG_PLACE", "+")
    place = Config(str(EXAMPLES / "place.yaml")).get_targets()["main"]
    assert place["resources"]["RemotePlace"]["name"] == "+"
    assert list(place["drivers"]) == ["VX5hBootstrapDriver", "VX5hDriver", "VX5hStrategy"]
