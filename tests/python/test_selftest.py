"""board.selftest(): the report and its three forms, a fault found, a lost link."""
import json
import os
import signal
import socket
import threading
import time
import xml.etree.ElementTree as ElementTree

import pytest
import vx5h


def test_a_healthy_board_passes_with_every_form_of_the_report(board, tmp_path):
    report = board.selftest(only=["eeprom", "gsensor"], skip="sdram")
    assert report and report.passed
    assert [(t.name, t.result) for t in report.tests] == [("eeprom", "PASS"), ("gsensor", "PASS")]
    assert all(t.duration >= 0 and isinstance(t.details, tuple) for t in report.tests)
    assert "simulator" in report.board and "the board passed" in str(report)
    assert f"cable sim, host {socket.gethostname()}, started 20" in str(report)
    assert f", vx5h {vx5h.__version__}, options " in str(report)
    fields = json.loads(report.to_json())
    assert fields["summary"]["passed"] == 2
    assert (fields["version"], fields["cable"]) == (vx5h.__version__, "sim")
    report.write_junit(tmp_path / "report.xml")
    suite = ElementTree.parse(tmp_path / "report.xml").getroot().find("testsuite")
    assert (suite.get("tests"), suite.get("failures")) == ("2", "0")
    properties = {p.get("name"): p.get("value") for p in suite.iter("property")}
    assert (properties["version"], properties["cable"]) == (vx5h.__version__, "sim")
    with pytest.raises(OSError, match="/nonexistent/r.xml"):
        report.write_junit("/nonexistent/r.xml")


def test_a_faulty_chip_fails_its_test(board, sim):
    sim.ctl("mem", "fault", "ssram0", "data", 13, 0)
    try:
        report = board.selftest(only="ssram-0.data-bus")
    finally:
        sim.ctl("mem", "fault", "ssram0", "none")
    assert not report and report.tests[0].result == "FAIL"
    assert "SSRAM-0 data line 13 stuck at 0" in report.tests[0].message


def test_a_lost_link_raises_with_the_report(board, sim):
    sim.ctl("unplug")
    with pytest.raises(vx5h.LinkError, match="link to the board was lost") as raised:
        board.selftest(only="eeprom")
    assert raised.value.report.tests[0].message.startswith("link lost")
    assert board.closed


def test_ctrl_c_stops_the_selftest_within_a_second(board, sim):
    # A full run takes half a minute; Ctrl-C must not be forgotten after its first check.
    timer = threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT))
    start = time.monotonic()
    timer.start()
    with pytest.raises(KeyboardInterrupt):
        board.selftest(full=True)
    assert time.monotonic() - start < 1.5
    board.leds = 3
    assert sim.state()["leds"] == 3 and not board.closed
