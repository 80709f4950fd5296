"""The board's production test (the one docs/python.md shows) on the boards of a labgrid
environment: labgrid's target `main` and its strategy, and in a lab file every further
target too, each test once per board.

    pytest --lg-env sim.yaml test_board.py --junitxml=board.xml
    VX5H_SIM_BOARDS=4 pytest --lg-env lab.yaml test_board.py
    LG_PLACE=+ pytest --lg-env place.yaml test_board.py          # a reserved board of a shared lab

Add -vv to see each step the drivers take. Without an environment (--lg-env or LG_ENV) every
test errors, saying so. In an environment whose targets lack the feature vx5h-260 every
test is skipped (lg_feature): a run that says "6 skipped" tested no board; -rs says why.
"""
import os

import pytest
from labgrid.config import Config

pytestmark = pytest.mark.lg_feature("vx5h-260")


def _environment(config):
    return config.getoption("lg_env") or os.environ.get("LG_ENV")


@pytest.fixture(scope="session", autouse=True)
def an_environment(request):
    """Without an environment labgrid would skip every test, and a run that tested nothing
    would pass."""
    if not _environment(request.config):
        pytest.fail("no labgrid environment: name one with --lg-env (examples/labgrid/sim.yaml) or LG_ENV", pytrace=False)


def pytest_generate_tests(metafunc):
    if "lab_target" in metafunc.fixturenames:
        path = _environment(metafunc.config)
        roles = sorted(Config(path).get_targets(), key=lambda role: role != "main") if path else ["main"]
        metafunc.parametrize("lab_target", roles, indirect=True, scope="session")


@pytest.fixture(scope="session")
def lab_target(request):
    """A target of the environment and its strategy: `main` through labgrid's own fixtures."""
    if request.param == "main":
        return request.getfixturevalue("target"), request.getfixturevalue("strategy")
    target = request.getfixturevalue("env").get_target(request.param)
    return target, target.get_driver("Strategy")


@pytest.fixture
def lab_board(lab_target):
    """The target's VX5hDriver on a board whose firmware answers, its outputs in a known state."""
    target, strategy = lab_target
    strategy.transition("ready")
    driver = target.get_driver("VX5hDriver")
    driver.reset_outputs()
    return driver


def test_it_is_a_vx5h_260(lab_board):
    assert lab_board.info().board == "VX5h-260"


def test_acceptance(lab_board, record_testsuite_property):
    report = lab_board.selftest()  # every memory, the G-sensor, SD card, HSMC, RS232
    # A property of the JUnit file's testsuite, one for each target's board.
    record_testsuite_property(f"selftest[{lab_board.target.name}]", report.to_json())
    failed = [f"{t.name}: {t.message}" for t in report.tests if t.result == "FAIL"]
    assert not failed, "\n".join(failed)


@pytest.mark.parametrize("name", ["SSRAM-0", "SSRAM-1", "SDRAM"])
def test_memory_keeps_an_image(lab_board, name):
    image = bytes(range(256)) * 1024
    memory = lab_board.board.memory(name)
    memory[: len(image)] = image
    assert memory.verify(image)


def test_the_operator_sees_the_result(lab_board):
    lab_board.set_seg7("600D")  # a person at the bench sees the last test ran
    lab_board.lcd("VX5h-260", "production: done")
