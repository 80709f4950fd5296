"""The module's tests run against a simulated board of their own, started for the session
and put back in its plain state after each test."""
import os

import pytest
from simulator import Simulator


@pytest.fixture(scope="session", autouse=True)
def sim():
    simulator = Simulator(boards=2)
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
