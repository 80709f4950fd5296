"""examples/labgrid as a lab runs it: its production test in pytest sessions of their own,
labgrid's plugin and vx5h's side by side."""
import json
import re
import xml.etree.ElementTree as ElementTree

from conftest import EXAMPLES, run_pytest
from labgrid.config import Config

TEST = EXAMPLES / "test_board.py"


def test_the_production_test_passes_on_a_simulated_board(lab, tmp_path):
    done = run_pytest("--lg-env", EXAMPLES / "sim.yaml", TEST, f"--junitxml={tmp_path / 'board.xml'}")
    assert done.returncode == 0 and "6 passed" in done.stdout, done.stdout + done.stderr
    assert "warning" not in done.stdout.lower(), done.stdout
    suite = ElementTree.parse(tmp_path / "board.xml").getroot().find("testsuite")
    report = {p.get("name"): p.get("value") for p in suite.iter("property")}["selftest[main]"]
    assert json.loads(report)["summary"]["failed"] == 0


def test_a_run_without_an_environment_fails_rather_than_skip_everything(lab):
    done = run_pytest(TEST)
    assert done.returncode == 1 and "6 errors" in done.stdout, done.stdout + done.stderr
    assert "no labgrid environment: name one with --lg-env" in done.stdout


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


ONE_CABLE = """
def test_labgrids_target_takes_the_board(strategy):
    strategy.transition("ready")

def test_vx5hs_board_on_the_same_cable(board):
    board.leds = 1
"""


def test_vx5hs_plugin_and_labgrids_live_in_one_session(lab, tmp_path):
    test = tmp_path / "test_both.py"
    test.write_text(BOTH_PLUGINS)
    done = run_pytest("--vx5h-cable", "sim-2", "--lg-env", EXAMPLES / "sim.yaml", test)
    assert done.returncode == 0, done.stdout + done.stderr
    assert (lab["sim-2"].state()["leds"], lab["sim"].state()["leds"]) == (1, 2)
    # Both on one cable is the session's mistake, not a board missing: it errors, not skips.
    test.write_text(ONE_CABLE)
    done = run_pytest("--lg-env", EXAMPLES / "sim.yaml", test)
    assert done.returncode == 1 and "1 passed, 1 error" in done.stdout, done.stdout + done.stderr
    assert "is held by this session (labgrid's target?): name another board with --vx5h-cable" in done.stdout


def test_the_coordinators_environment_names_the_reserved_place(monkeypatch):
    monkeypatch.setenv("LG_PLACE", "+")
    place = Config(str(EXAMPLES / "place.yaml")).get_targets()["main"]
    assert place["resources"]["RemotePlace"]["name"] == "+"
    assert list(place["drivers"]) == ["VX5hBootstrapDriver", "VX5hDriver", "VX5hStrategy"]
