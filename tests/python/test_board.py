"""The board's commands from Python, each checked through the simulator's control."""
import json
import mmap
import os
import re
import signal
import subprocess
import threading
import time

import pytest
import vx5h
from simulator import BIN


def _set_led_sequence(board):
    board.leds = 0x1
    board.set_led(26, True)
    board.set_led(0, False)


@pytest.mark.parametrize(
    "act, key, expected",
    [
        (lambda b: setattr(b, "leds", 0x2A5), "leds", 0x2A5),
        (_set_led_sequence, "leds", 0x4000000),
        (lambda b: setattr(b, "seg7", "20260D09"), "seg7", 0x20260D09),
        (lambda b: setattr(b, "seg7", "f"), "seg7", 0xF),
        (lambda b: setattr(b, "seg7", "0x20260D09"), "seg7", 0x20260D09),  # as vx5h seg7 takes it
        (lambda b: setattr(b, "seg7", 0xFFFFFFFF), "seg7", 0xFFFFFFFF),
        (lambda b: b.lcd("Hello", "world"), "lcd", ["Hello", "world"]),
        (lambda b: b.vga("red SCALE"), "vga", {"mode": 2, "pattern": 6}),
        (lambda b: b.vga(9), "vga", {"mode": 1, "pattern": 9}),
    ],
)
def test_outputs_reach_the_board(board, sim, act, key, expected):
    act(board)
    assert sim.state()[key] == expected
    if key in ("leds", "seg7"):
        assert getattr(board, key) == expected, "reading gives what was set last"


def _left_set_by_an_earlier_board(sim):
    with vx5h.Board(cable="sim") as earlier:
        earlier.leds, earlier.seg7 = 0x5, 0x1234


@pytest.mark.parametrize("prepare", [_left_set_by_an_earlier_board, lambda sim: sim.ctl("power-cycle")],
                         ids=["set-earlier", "power-cycled"])
def test_a_fresh_board_reports_what_the_board_shows(sim, own_boards, prepare):
    prepare(sim)
    with vx5h.Board(cable="sim") as board:
        shown = sim.state()
        assert (board.leds, board.seg7) == (shown["leds"], shown["seg7"]) == (0x07FFFFFF, 0x88888888)
        board.set_led(0, False)
        assert sim.state()["leds"] == 0x07FFFFFE, "GLED0 went out, the other 26 stay lit"


def test_inputs_are_read_from_the_board(board, sim):
    sim.ctl("set", "switches", 0x2A5)
    sim.ctl("set", "keys", 0b0101)
    sim.ctl("set", "gsensor", 8192, -4096, 14189)
    assert (board.switches, board.keys) == (0x2A5, 0b0101)

    reading = board.gsensor()
    assert reading.x_mg == pytest.approx(500.0, abs=0.1)
    assert reading.y_mg == pytest.approx(250.0, abs=0.1), "Y is shown with the page's sign"
    assert reading.z_mg == pytest.approx(866.0, abs=0.3)
    assert reading.tilt_x == pytest.approx(-30.0, abs=0.1)

    info = board.info()
    assert (info.board, info.simulator) == ("VX5h-260", True)

    card = board.sd_card()
    assert (card.csd[0], len(card.csd), len(card.cid), card.file_system) == (0x40, 16, 16, "FAT32")
    assert "-Memory Capacity:3781MB\n" in card.csd_text and "-Product Name:SU04G\n" in card.cid_text


def test_hsmc_names_the_failing_pins(board, sim):
    assert board.hsmc() == (True, "PASS", 0, 0, "")
    sim.ctl("hsmc", "fail", 0x210, 0)
    result = board.hsmc()
    assert (result.passed, result.result, result.io_errors) == (False, "NG", 0x210)
    assert result.report == "HSMC Test:NG\n<IO Error:>\nHSMC Pin 53-54\nHSMC Pin 83-84\n"


def test_refusals_keep_the_link(board, sim):
    sim.ctl("sdcard", "remove")
    with pytest.raises(vx5h.RefusedError, match="no SD card"):
        board.sd_card()
    sim.ctl("fault", "refuse")
    with pytest.raises(vx5h.RefusedError, match="leds: the board refused"):
        board.leds = 1
    assert not board.closed
    board.leds = 2
    assert sim.state()["leds"] == 2


def test_channels_receive_with_a_time_budget(board, sim):
    sim.ctl("rs232-loopback", "on")
    board.rs232.write("AT\r")
    assert board.rs232.read(timeout=2) == b"AT\r"
    assert "AT\r" == sim.state()["rs232_sent"], "text goes out exactly as written, no NUL"
    board.rs232.write(bytearray(b"\x00\xff"))
    assert board.rs232.read(timeout=2) == b"\x00\xff"

    start = time.monotonic()
    assert board.ir.read(timeout=0.3) == b""
    assert 0.25 <= time.monotonic() - start < 1.5

    sim.ctl("ir", 0x12, 0x0F)
    codes = iter(board.ir)
    assert [next(codes), next(codes)] == [0x12, 0x0F]
    # Keys are named by what is printed on them, as vx5h ir names them.
    assert vx5h.ir_key(0x12) == vx5h.IrKey(code=0x12, key="POWER", row=0, column=3)
    assert vx5h.ir_key(0x05) == (0x05, "5", 2, 1)
    assert vx5h.ir_key(0x40) is None and vx5h.ir_key(-1) is None

    board.close()
    assert sim.state()["ir_enabled"] is False, "closing switches the receivers off"


def stopped_by_close(board, work):
    """Runs `work` in a thread, checks that it is still at it after a moment, and closes
    the board under it."""
    outcome = {}

    def run():
        try:
            outcome["result"] = work()
        except vx5h.LinkError as error:
            outcome["error"] = error

    worker = threading.Thread(target=run, daemon=True)
    worker.start()
    worker.join(0.5)
    running = worker.is_alive()
    board.close()
    worker.join(5)
    assert not worker.is_alive()
    return running, outcome


def test_the_longest_wait_python_knows_is_waited(board):
    running, outcome = stopped_by_close(board, lambda: board.rs232.read(timeout=threading.TIMEOUT_MAX))
    assert running, f"returned at once with {outcome}"
    assert "closed" in str(outcome["error"])


def test_rs232_sends_all_of_a_write_beyond_32_bits(board, sim):
    data = mmap.mmap(-1, (1 << 32) + 3)  # pages never touched cost no memory
    data[:4] = b"head"
    running, outcome = stopped_by_close(board, lambda: board.rs232.write(data))
    assert running, f"returned at once with {outcome}"
    assert "head\0\0\0\0" in sim.state()["rs232_sent"], "more than the low 32 bits' worth went"


@pytest.mark.parametrize(
    "call, error, message",
    [
        (lambda b: setattr(b, "leds", 0x8000000), ValueError, "leds: 134217728 is outside 0 to 134217727"),
        (lambda b: setattr(b, "leds", -1), ValueError, "leds: -1 is outside"),
        (lambda b: setattr(b, "leds", "1"), TypeError, ""),
        (lambda b: setattr(b, "leds", 1.0), TypeError, ""),
        (lambda b: b.set_led(27, True), ValueError, "index: 27 is outside 0 to 26"),
        (lambda b: setattr(b, "seg7", "12G4"), ValueError, "'12G4' must hold hexadecimal digits only"),
        (lambda b: setattr(b, "seg7", "123456789"), ValueError, "must have one to eight hexadecimal digits"),
        (lambda b: setattr(b, "seg7", 2**32), ValueError, "seg7: 4294967296 is outside"),
        (lambda b: b.lcd("x" * 17), ValueError, "line0: 'xxxxxxxxxxxxxxxxx' is longer than the LCD's 16 characters"),
        (lambda b: b.lcd("ok", "café"), ValueError, 'Line 2, character 4: "é" is not in the LCD\'s character set'),
        (lambda b: b.vga("purple"), ValueError, "'purple' is neither a pattern's name nor its number"),
        (lambda b: b.vga(10), ValueError, "pattern: 10 is outside 0 to 9"),
        (lambda b: b.memory("dram"), ValueError, "'dram' is not a memory of the board; it is one of SSRAM-0"),
        (lambda b: b.memory(5), TypeError, ""),
        (lambda b: b.rs232.write("€"), ValueError, "cannot be sent: the port carries Latin-1 characters only"),
        (lambda b: b.rs232.write(["x"]), TypeError, "data must be a bytes-like object"),
        (lambda b: b.ir.read(timeout=-1), ValueError, "timeout must be a finite number"),
        (lambda b: b.ir.read(timeout=float("inf")), ValueError, "timeout must be a finite number"),
        (lambda b: b.ir.read(timeout=1e18), ValueError, "timeout must be a finite number"),
        (lambda b: b.rs232.read(timeout=1e300), ValueError, "seconds, 0 to 9223372036"),
        (lambda b: b.rs232.read(timeout=2**70), ValueError, "seconds, 0 to 9223372036"),
        (lambda b: b.lcd("\udc80"), ValueError, "line0: '\\udc80' is no text"),
        (lambda b: b.lcd("ok", "a\ud800"), ValueError, "line1: 'a\\ud800' is no text"),
        (lambda b: b.rs232.write("\udcff"), ValueError, "data: '\\udcff' is no text"),
        (lambda b: setattr(b, "seg7", "1\udc80"), ValueError, "seg7: '1\\udc80' is no text"),
        (lambda b: b.vga("\udc80"), ValueError, "pattern: '\\udc80' is no text"),
        (lambda b: b.memory("\udc80"), ValueError, "name: '\\udc80' is no text"),
        (lambda b: b.selftest(only="\udc80"), ValueError, "only: '\\udc80' is no text"),
        (lambda b: vx5h.Board(cable="\udc80"), ValueError, "cable: '\\udc80' is no text"),
        (lambda b: b.selftest(only="sdram.nothing"), ValueError, "sdram.nothing"),
        (lambda b: b.selftest(skip=[1]), TypeError, "skip must be test or group names"),
        # Numbers past 64 bits, a NUL in a name, text that would act on a terminal.
        (lambda b: setattr(b, "leds", 2**64), ValueError, "18446744073709551616 lies beyond 64 bits"),
        (lambda b: b.memory("sdram").read(2**63, 1), ValueError, "lies beyond 64 bits"),
        (lambda b: b.memory("sdram").dump("a\0b", 0, 1), ValueError, "'a\\x00b' holds a NUL character"),
        (lambda b: vx5h.Board(cable="sim\0-other"), ValueError, "cable: 'sim\\x00-other' holds a NUL character"),
        (lambda b: vx5h.configure(cable="sim\0-other"), ValueError, "cable: 'sim\\x00-other' holds a NUL"),
        (lambda b: vx5h.configure(cable="\udcff"), ValueError, "cable: '\\udcff' is no text"),
        (lambda b: vx5h.configure(image="a\0b", cable="sim"), ValueError, "'a\\x00b' holds a NUL character"),
        (lambda b: vx5h.configure(image="", cable="sim"), OSError, "cannot read '': No such file or directory"),
        (lambda b: b.lcd("\x1b[2J"), ValueError, 'Line 1, character 1: "\\x1b" is not in the LCD'),
        (lambda b: b.vga("\x1b]0;x\x07"), ValueError, "pattern: '\\x1b]0;x\\x07' is neither"),
        (lambda b: vx5h.Board(cable="sim\x1b[31m\n"), vx5h.LinkError, 'Cable "sim\\x1b[31m\\x0a" needs the vendor'),
    ],
)
def test_bad_arguments_are_refused_before_the_board_is_asked(board, sim, call, error, message):
    before = sim.state()
    with pytest.raises(error, match=re.escape(message)):
        call(board)
    after = sim.state()
    assert [after[k] for k in ("leds", "seg7", "lcd", "vga")] == [before[k] for k in ("leds", "seg7", "lcd", "vga")]
    assert not board.closed


def test_a_download_failure_is_said_once_in_the_faces_words(sim, own_boards, tmp_path, capfd):
    other = tmp_path / "other.sof"
    other.write_bytes(b"a bitstream of another kind")
    with pytest.raises(ValueError, match=r"real board's FPGA; .*\(choose the real board's cable to program that board\)"):
        vx5h.configure(image=other, cable="sim")
    assert "QELVANO_DOWNLOAD.DLL" not in capfd.readouterr().err, "the exception says it; standard error does not again"


def test_a_closed_board_says_so(sim, own_boards):
    with vx5h.Board(cable="sim") as board:
        board.leds = 3
    assert board.closed and sim.state()["jtag_client"] is False
    with pytest.raises(vx5h.LinkError, match="the board is closed"):
        board.leds = 1
    board.close()  # closing twice is harmless


@pytest.mark.parametrize(
    "prepare, kwargs, message",
    [
        (["unplug"], {}, "no board"),
        (["power-cycle"], {"configure": False}, "configure=False leaves its FPGA unconfigured"),
        ([], {"cable": "5"}, "needs the vendor's JTAG libraries"),
    ],
)
def test_no_board_raises_link_error_in_time(sim, own_boards, monkeypatch, prepare, kwargs, message):
    monkeypatch.delenv("QUARTUS_ROOTDIR", raising=False)
    if prepare:
        sim.ctl(*prepare)
    start = time.monotonic()
    with pytest.raises(vx5h.LinkError, match=message):
        vx5h.Board(**kwargs)
    assert time.monotonic() - start < 5


def test_a_named_cable_in_the_environment_is_kept(sim, own_boards, monkeypatch):
    monkeypatch.delenv("QUARTUS_ROOTDIR", raising=False)
    monkeypatch.setenv("VX5H_CABLE", "5")
    with pytest.raises(vx5h.LinkError, match="needs the vendor's JTAG libraries"):
        vx5h.Board()
    assert os.environ["VX5H_CABLE"] == "5"
    with vx5h.Board(cable="sim") as board:
        assert board.info().simulator
    assert os.environ["VX5H_CABLE"] == "5", "a connect names its cable only while it runs"


def test_connecting_configures_a_bare_fpga_and_keeps_the_folder(sim, own_boards, tmp_path, monkeypatch):
    sim.ctl("power-cycle")
    monkeypatch.chdir(tmp_path)
    with vx5h.Board() as board:
        board.leds = 7
    assert sim.state()["configured"] and sim.state()["leds"] == 7
    assert os.getcwd() == str(tmp_path), "opening the link moves the folder; the module gives it back"


def test_configuring_needs_a_plugged_cable_that_nobody_holds(board, sim):
    board.leds = 5
    with pytest.raises(vx5h.LinkError, match="in use: this program has its cable open"):
        vx5h.configure(cable="sim")
    assert sim.state()["leds"] == 5, "the board in use was not configured under its link"
    board.close()
    sim.ctl("unplug")
    with pytest.raises(vx5h.LinkError, match="cable is unplugged"):
        vx5h.configure(cable="sim")


@pytest.mark.parametrize(
    "connect", [lambda: vx5h.configure(cable="sim"), lambda: vx5h.Board(cable="sim")], ids=["configure", "Board"]
)
def test_ctrl_c_stops_configuring_a_bare_fpga_at_once(sim, own_boards, connect):
    sim.ctl("power-cycle")
    sim.ctl("timing", "real")  # a load takes 4 s
    timer = threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT))
    start = time.monotonic()
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            connect()
    finally:
        sim.ctl("timing", "fast")
    assert time.monotonic() - start < 0.8
    assert not sim.state()["configured"], "a load cut short leaves no design"


def test_ctrl_c_ends_a_listing_that_hangs(monkeypatch, tmp_path):
    # A jtagconfig that never answers: Ctrl-C raises KeyboardInterrupt at once, not a list
    # that looks whole after the tools' budget.
    tools = tmp_path / "bin"
    tools.mkdir()
    (tools / "jtagconfig").write_text("#!/bin/sh\nexec sleep 1000\n")
    (tools / "jtagconfig").chmod(0o755)
    monkeypatch.setenv("QUARTUS_ROOTDIR", str(tmp_path))
    timer = threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT))
    start = time.monotonic()
    timer.start()
    with pytest.raises(KeyboardInterrupt):
        vx5h.boards()
    assert time.monotonic() - start < 2


def test_boards_lists_the_simulator_and_the_vendors_cables(monkeypatch):
    monkeypatch.delenv("QUARTUS_ROOTDIR", raising=False)
    assert vx5h.boards() == ["sim", "sim-2"], "the session's simulator serves two boards"
    fake = os.environ.get("VX5H_FAKE_QUARTUS")
    if not fake or not os.path.isdir(fake):
        pytest.skip("the vendor's stand-in installation is not built")
    monkeypatch.setenv("QUARTUS_ROOTDIR", fake)
    monkeypatch.setenv("FAKE_ATLANTIC", "cable=USB-Blaster on labhost [1-1]")
    assert vx5h.boards() == ["sim", "sim-2", "USB-Blaster on labhost [1-1]"]


def test_boards_reads_any_listing_and_runs_nothing_from_a_relative_root(monkeypatch, tmp_path):
    def jtagconfig(root, body):
        program = tmp_path / root / "bin" / "jtagconfig"
        program.parent.mkdir(parents=True)
        program.write_text("#!/bin/sh\n" + body + "\n")
        program.chmod(0o755)

    # A line longer than any cable's name once overflowed the parser's stack.
    jtagconfig("long", "echo '  2) USB-Blaster [3-1]  '; printf '1) %0100000d\\n' 0")
    monkeypatch.setenv("QUARTUS_ROOTDIR", str(tmp_path / "long"))
    listed = vx5h.boards()
    assert listed[:3] == ["sim", "sim-2", "USB-Blaster [3-1]"] and set(listed[3]) == {"0"}
    jtagconfig("relative", "touch ran; echo '1) USB-Blaster [1-1]'")
    monkeypatch.chdir(tmp_path)
    monkeypatch.setenv("QUARTUS_ROOTDIR", "relative")
    assert vx5h.boards() == ["sim", "sim-2"]
    assert not (tmp_path / "ran").exists(), "a relative QUARTUS_ROOTDIR names whatever folder the program starts in"


def test_vx5h_trace_records_the_link_as_the_other_faces_do(sim, own_boards, tmp_path, monkeypatch):
    transcript = tmp_path / "link.jsonl"
    monkeypatch.setenv("VX5H_TRACE", str(transcript))
    with vx5h.Board(cable="sim") as board:
        board.leds = 1
    lines = [json.loads(line) for line in transcript.read_text().splitlines()]
    assert (lines[0]["program"], lines[0]["cable"]) == ("python", "sim")
    assert any(line.get("ev") == "open" for line in lines[1:])
    monkeypatch.setenv("VX5H_TRACE", "/nonexistent/link.jsonl")
    with pytest.raises(OSError, match="VX5H_TRACE: cannot record the link into /nonexistent/link.jsonl"):
        vx5h.Board(cable="sim")


def runs(transcript):
    """The runs of a transcript, each its header and its events; `vx5h trace show` reads
    it whole."""
    shown = subprocess.run([os.path.join(BIN, "vx5h"), "trace", "show", str(transcript)], capture_output=True,
                           text=True, timeout=30)
    assert shown.returncode == 0, shown.stderr
    found = []
    for line in map(json.loads, transcript.read_text().splitlines()):
        if "vx5h_trace" in line:
            found.append((line, []))
        else:
            found[-1][1].append(line)
    return found


def test_every_board_of_a_process_keeps_its_transcript(sim, own_boards, tmp_path, monkeypatch):
    transcript = tmp_path / "link.jsonl"
    # A relative name is the file of the folder current at the first board, wherever the
    # script goes later.
    monkeypatch.chdir(tmp_path)
    monkeypatch.setenv("VX5H_TRACE", "link.jsonl")
    board = vx5h.Board(cable="sim")
    (tmp_path / "elsewhere").mkdir()
    monkeypatch.chdir(tmp_path / "elsewhere")
    # The same file by another spelling is the same file: the boards below continue it.
    monkeypatch.setenv("VX5H_TRACE", "../elsewhere/../link.jsonl")
    sim.ctl("unplug")
    with pytest.raises(vx5h.LinkError):
        board.leds = 1
    sim.ctl("plug")
    with vx5h.Board(cable="sim") as again, vx5h.Board(cable="sim-2") as other:
        again.leds, other.leds = 2, 3
    with vx5h.Board(cable="sim") as last:
        last.leds = 4

    first, reconnected, fourth = runs(transcript)
    assert [header["cable"] for header, _ in (first, reconnected, fourth)] == ["sim", "sim", "sim"]
    assert any(event["ev"] == "fail" for event in first[1]), "the failure is kept after a reconnect"
    assert all(any(event["ev"] == "open" for event in events) for _, events in (reconnected, fourth))
    (beside, events), = runs(tmp_path / "link-2.jsonl")
    assert beside["cable"] == "sim-2" and any(event["ev"] == "open" for event in events)
    assert sorted(os.listdir(tmp_path)) == ["elsewhere", "link-2.jsonl", "link.jsonl"]
    assert not os.listdir(tmp_path / "elsewhere")


def test_a_transcript_cut_at_its_limit_is_continued_beside_it(sim, own_boards, tmp_path, monkeypatch):
    transcript = tmp_path / "link.jsonl"
    monkeypatch.setenv("VX5H_TRACE", str(transcript))
    monkeypatch.setenv("VX5H_TRACE_LIMIT", "4k")
    with vx5h.Board(cable="sim") as board:
        for _ in range(100):
            board.leds = 1
    with vx5h.Board(cable="sim") as board:
        board.leds = 2
    (_, events), = runs(transcript)
    assert events[-1]["ev"] == "cut", "nothing follows the note that the file was cut"
    (header, events), = runs(tmp_path / "link-2.jsonl")
    assert header["limit"] == 4096 and any(event.get("ev") == "open" for event in events)
