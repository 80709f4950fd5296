"""Memories as sequences of bytes: slices in Python's own terms, buffers, files, flash, and
transfers that end early (a lost link, Ctrl-C, a progress callable that raises)."""
import os
import re
import signal
import threading
import time

import pytest
import vx5h

PATTERN = bytes((i * 7 + 3) & 0xFF for i in range(4096))  # the EEPROM's size


@pytest.fixture
def eeprom(board, sim):
    sim.ctl("mem", "write", "eeprom", 0, PATTERN.hex())
    return board.memory("EEPROM")


def chip(sim, name, address=0, length=4096):
    return sim.memory(name, address, length)


SLICES = [slice(0, 4), slice(None), slice(-2, None), slice(4095, 5000), slice(-5000, 3), slice(5, 2),
          slice(4096, None), slice(100, 100), slice(1, -1)]


@pytest.mark.parametrize("key", SLICES, ids=str)
def test_slices_read_and_write_as_on_bytes(eeprom, sim, key):
    assert eeprom[key] == PATTERN[key]
    expected = bytearray(PATTERN)
    data = bytes(255 - b for b in PATTERN[key])
    expected[key] = data
    eeprom[key] = data
    assert chip(sim, "eeprom") == bytes(expected)


def test_single_bytes_and_bad_keys(eeprom, sim):
    assert (eeprom[0], eeprom[-1], eeprom[4095]) == (PATTERN[0], PATTERN[-1], PATTERN[4095])
    eeprom[-1] = 0xAB
    assert chip(sim, "eeprom", 4095, 1) == b"\xab"
    for key, error, message in [
        (4096, IndexError, "out of range"),
        (-4097, IndexError, "out of range"),
        ("a", TypeError, "memory indices must be integers or slices, not str"),
        (slice(0, 10, 2), ValueError, "step 1 only"),
    ]:
        with pytest.raises(error, match=message):
            eeprom[key]
    for key, value, error, message in [
        (slice(0, 2), b"abc", ValueError, "3 bytes cannot replace a slice of 2"),
        (0, 256, ValueError, "byte: 256 is outside 0 to 255"),
        (0, "a", TypeError, ""),
        (slice(0, 1), "a", TypeError, "bytes-like"),
    ]:
        with pytest.raises(error, match=message):
            eeprom[key] = value
    for call, message in [
        (lambda: eeprom.read(4095, 2), "2 bytes from offset 0xFFF run past the end of EEPROM (0x1000 bytes)"),
        (lambda: eeprom.read(-1, 1), "offset -0x1 lies outside EEPROM"),
        (lambda: eeprom.write(4097, b""), "offset 0x1001 lies outside EEPROM"),
        (lambda: eeprom.read(0, -1), "length -1 is negative"),
    ]:
        with pytest.raises(ValueError, match=re.escape(message)):
            call()
    assert chip(sim, "eeprom", 0, 4095) == PATTERN[:4095], "nothing else was written"
    assert (len(eeprom), eeprom.size, eeprom.name) == (4096, 4096, "EEPROM")


def test_any_buffer_goes_in_memory_order(board, sim):
    numpy = pytest.importorskip("numpy")
    ssram = board.memory("ssram-1")
    words = numpy.arange(8, dtype="<u2")
    ssram.write(0x100, words)
    assert chip(sim, "ssram1", 0x100, 16) == words.tobytes()
    ssram[0:8] = words[::2]  # strided: its elements in order
    assert chip(sim, "ssram1", 0, 8) == words[::2].tobytes()
    grid = numpy.asfortranarray(numpy.arange(6, dtype="u1").reshape(2, 3))
    ssram.write(0x200, grid)
    assert chip(sim, "ssram1", 0x200, 6) == grid.tobytes()
    ssram.write(0x300, memoryview(b"xyz"))
    assert numpy.frombuffer(ssram[0x100:0x110], dtype="<u2").tolist() == list(range(8))


@pytest.mark.parametrize("name", ["dump.bin", "DUMP.Hex"])
def test_files_round_trip(eeprom, sim, tmp_path, name):
    path = tmp_path / name
    eeprom.dump(path, 0x10, 0x20)
    text = path.read_bytes()
    assert text == (PATTERN[0x10:0x30].hex().upper().encode() if name.endswith("Hex") else PATTERN[0x10:0x30])
    assert eeprom.verify(path, 0x10)
    assert eeprom.load(str(path), 0x800) == 0x20
    assert chip(sim, "eeprom", 0x800, 0x20) == PATTERN[0x10:0x30]

    eeprom[0x12] = PATTERN[0x12] ^ 1
    eeprom[0x14:0x16] = b"\0\0"
    found = eeprom.verify(path, 0x10)
    assert not found
    assert (found.differing_bytes, found.differing_words, found.first_difference, found.checked) == (3, 2, 0x12, 0x20)
    assert eeprom.verify(PATTERN[0x16:0x30], 0x16) and not eeprom.verify(bytearray(2), 0x16)
    assert repr(eeprom.verify(PATTERN[0x12:0x14], 0x12)) == "<vx5h.Memory.Verify 1 word differs, the first at byte 18>"
    assert repr(eeprom.verify(PATTERN[0x16:0x17], 0x16)) == "<vx5h.Memory.Verify same, 1 byte>"


def test_a_hex_file_of_intel_hex_records_is_read_as_records(eeprom, sim, tmp_path):
    path = tmp_path / "records.hex"
    # Two data bytes at offset 4, then the end record: the gap before them reads FF, as erased flash.
    path.write_text(":02000400ABCD82\n:00000001FF\n")
    assert eeprom.load(path, 0x100) == 6
    assert chip(sim, "eeprom", 0x100, 6) == b"\xff\xff\xff\xff\xab\xcd"
    assert eeprom.verify(path, 0x100)


@pytest.mark.parametrize(
    "content, kwargs, error, message",
    [
        (b"x" * 0x101, {"offset": 0xF00}, ValueError, "holds 257 bytes, but from offset 3840 EEPROM has room for 256"),
        (b"ABCG", {"name": "bad.hex"}, ValueError, "valid HEX file: a character that is not a hex digit, 'G', at offset 3"),
        (b"ABC", {"name": "odd.hex"}, ValueError, "odd number of hex digits, .* missing at offset 3"),
        (b"0011\n2233", {"name": "lines.hex"}, ValueError, r"a character that is not a hex digit, '\\n', at offset 4"),
        (b":02000000414200\n", {"name": "bad.hex"}, ValueError, "is not a valid Intel HEX file: .*wrong checksum"),
        (b"abc", {"length": 4}, ValueError, "holds fewer bytes than the length asks for"),
        (None, {}, OSError, "cannot open"),
    ],
    ids=["too long", "bad hex", "odd hex", "line break", "bad intel hex", "too short", "missing"],
)
def test_a_file_that_does_not_fit_writes_nothing(eeprom, sim, tmp_path, content, kwargs, error, message):
    path = tmp_path / kwargs.pop("name", "file.bin")
    if content is not None:
        path.write_bytes(content)
    with pytest.raises(error, match=message):
        eeprom.load(path, **kwargs)
    assert chip(sim, "eeprom") == PATTERN


@pytest.mark.parametrize("name", ["empty.bin", "empty.hex", "/proc/self/status"])
@pytest.mark.parametrize("use", ["load", "verify"])
def test_a_file_with_nothing_in_it_is_refused(eeprom, sim, tmp_path, name, use):
    path = tmp_path / name
    if not name.startswith("/"):
        path.write_bytes(b"")
    with pytest.raises(ValueError, match=f"'{path}' is empty"):
        getattr(eeprom, use)(path)
    assert chip(sim, "eeprom") == PATTERN


@pytest.mark.parametrize("call, message", [
    (lambda m: m.dump("/nonexistent/x.bin"), "cannot create '/nonexistent/x.bin': No such file or directory"),
    (lambda m: m.dump(""), "writing '' failed: No such file or directory"),
    (lambda m: m.load(""), "cannot open '': No such file or directory"),
    (lambda m: m.verify(""), "cannot open '': No such file or directory"),
])
def test_a_file_that_cannot_be_had_is_an_os_error(eeprom, call, message):
    with pytest.raises(OSError, match=re.escape(message)):
        call(eeprom)


def test_flash_is_read_back_after_programming(board, sim):
    flash = board.memory("flash")
    blocks = []
    flash.erase(progress=lambda done, total: blocks.append((done, total)))
    assert blocks[-1] == (128, 128)
    flash[0:2] = b"\x0f\x0f"
    with pytest.raises(vx5h.RefusedError, match=r"FLASH does not hold what was written from byte offset 0x0 on .*erase"):
        flash[0:2] = b"\xf0\xf0"
    assert chip(sim, "flash", 0, 2) == b"\x00\x00"
    with pytest.raises(ValueError, match="SDRAM has no erase; only FLASH and EPCS are erased"):
        board.memory("sdram").erase()


def test_a_lost_link_mid_transfer_raises_in_time_and_keeps_the_file(board, sim, tmp_path):
    target = tmp_path / "keep.bin"
    target.write_bytes(b"old")
    pulled = []

    def pull(done, total):
        if not pulled:
            pulled.append(sim.ctl("unplug"))

    start = time.monotonic()
    with pytest.raises(vx5h.LinkError, match=r"dump of SDRAM stopped at byte offset 0x.*: the link is lost \(.+\)"):
        board.memory("sdram").dump(target, 0, 8 << 20, progress=pull)
    assert time.monotonic() - start < 4
    assert board.closed and target.read_bytes() == b"old" and os.listdir(tmp_path) == ["keep.bin"]


@pytest.mark.parametrize("work", ["read", "write", "dump"])
def test_ctrl_c_stops_a_transfer_at_the_next_packet(board, sim, tmp_path, work):
    sdram = board.memory("sdram")
    sim.ctl("link", 1000000, 0)  # 4 MB take 4 s
    target = tmp_path / "dump.bin"
    run = {"read": lambda: sdram[0 : 4 << 20], "write": lambda: sdram.write(0, bytes(4 << 20)),
           "dump": lambda: sdram.dump(target, 0, 4 << 20)}[work]
    timer = threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT))
    timer.start()
    start = time.monotonic()
    with pytest.raises(KeyboardInterrupt):
        run()
    assert time.monotonic() - start < 0.8, "a packet takes 33 ms here"
    assert os.listdir(tmp_path) == [], "no partial file"
    sim.ctl("link", 0, 0)
    board.leds = 5
    assert sim.state()["leds"] == 5 and not board.closed


def test_progress_is_told_and_its_exception_stops_the_work(board):
    sdram = board.memory("sdram")
    seen = []
    sdram.read(0, 1 << 20, progress=lambda done, total: seen.append((done, total)))
    assert seen[-1] == (1 << 20, 1 << 20) and all(total == 1 << 20 for _, total in seen)

    class Stop(Exception):
        pass

    def stop(done, total):
        raise Stop

    with pytest.raises(Stop):
        sdram.write(0, bytes(1 << 20), progress=stop)
    with pytest.raises(TypeError, match="progress must be a callable"):
        sdram.read(0, 1, progress=5)
    assert not board.closed


def test_a_progress_callable_may_use_the_board_and_close_it(board, sim):
    sdram = board.memory("sdram")
    lit = []

    def light(done, total):
        board.set_led(len(lit) % 27, True)
        lit.append(done)

    sdram.read(0, 1 << 20, progress=light)
    assert lit and sim.state()["leds"] == board.leds != 0

    with pytest.raises(vx5h.LinkError, match="closed while the operation ran"):
        sdram.read(0, 1 << 20, progress=lambda done, total: board.close())
    assert board.closed and sim.state()["jtag_client"] is False
