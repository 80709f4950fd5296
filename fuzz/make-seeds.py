#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (fuzz/corpus/<target>/), in the input
formats described at the top of each target's source. Run it again after changing a
format; the fuzzers add what they find to their own working corpora, never here."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def u16(v):
    return struct.pack("<H", v)


def u32(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


def frame(code, payload):
    body = bytes([code]) + u32(len(payload)) + payload
    return b"\xAA" + body + bytes([sum(body) & 0xFF]) + b"\x55"


# --- transact ---------------------------------------------------------------------
OPS = ["board-name", "ping", "set-led", "switch-key", "set-seg7", "sdcard", "erase-block-count", "erase-block",
       "memory-write", "memory-read", "gsensor-init", "gsensor-read", "vga", "channel-write", "channel-read",
       "channel-enable", "hsmc", "keep-alive", "reconnect"]
OP = {name: i for i, name in enumerate(OPS)}

CSD_V2 = bytes.fromhex("400E00325B5900003B377F800A404000")
CSD_V1 = bytes.fromhex("002600325F5A83AE7FDBFF800A800000")
CID = bytes.fromhex("035344534430324780A1B2C3D400E201")


def record(payload, shape=1, flags=0, declared=None, pad_to=None):
    """A reply record: shape 0 raw bytes, 1 a frame around them, 2 a frame declaring
    `declared`, 3 a frame with a bad checksum; flags bit 2 another code, bit 3 no end
    marker, bits 4-6 delay; `pad_to` pads the payload with zeros."""
    flags |= shape | (0x80 if pad_to is not None else 0)
    out = bytes([flags]) + u16(len(payload))
    if shape == 2:
        out += u32(declared)
    if pad_to is not None:
        out += u16(pad_to)
    return out + payload


def step(op, args=b"", records=(), link=0):
    return bytes([OP[op] | len(records) << 5, link]) + args + b"".join(records)


OK = b"\x00"
GOOD = {
    "board-name": step("board-name", records=[record(OK + b"VX5h-260", pad_to=33)]),
    "ping": step("ping", records=[record(OK)]),
    "set-led": step("set-led", u32(0x2AA55), [record(OK)]),
    "switch-key": step("switch-key", records=[record(OK + u32(0x5) + u32(0) + u32(0x2A5))]),
    "set-seg7": step("set-seg7", u32(0x12345678) + b"\x03", [record(OK)]),
    "sdcard": step("sdcard", records=[record(OK + CSD_V2 + b"\0" + CID + b"\0\x02\0")]),
    "sdcard-v1": step("sdcard", records=[record(OK + CSD_V1 + b"\0" + CID + b"\0\x01\0")]),
    "erase-block-count": step("erase-block-count", b"\x02", [record(OK + u32(128))]),
    "erase-block": step("erase-block", b"\x02" + u16(7), [record(OK)]),
    "memory-write": step("memory-write", b"\x00" + u32(0x100) + u16(64), [record(OK)]),
    # 40000 bytes: a full chunk of 32747 and the rest.
    "memory-write-2-chunks": step("memory-write", b"\x05" + u32(0) + u16(40000), [record(OK), record(OK)]),
    "memory-read": step("memory-read", b"\x04" + u32(0x10) + u16(16), [record(OK + bytes(range(16)))]),
    "memory-read-2-chunks": step("memory-read", b"\x05" + u32(0) + u16(40000),
                                 [record(OK, pad_to=32748), record(OK + b"tail", pad_to=40000 - 32747 + 1)]),
    "gsensor-init": step("gsensor-init", records=[record(OK)]),
    "gsensor-read": step("gsensor-read", records=[record(OK + u16(0xFF00) + u16(0x0100) + u16(0x4000))]),
    "vga": step("vga", b"\x02\x01", [record(OK)]),
    "channel-write": step("channel-write", b"\x01" + u16(200), [record(OK), record(OK)]),
    "channel-read": step("channel-read", b"\x02", [record(OK + b"\x05hello", pad_to=130)]),
    "channel-read-nothing": step("channel-read", b"\x02", [record(b"\x01", pad_to=130)]),
    "channel-enable": step("channel-enable", b"\x00\x01", [record(OK)]),
    "hsmc": step("hsmc", records=[record(OK + u32(0x3FFFF) + u32(0x1) + u32(0x1F) + u32(0xFF))]),
    "hsmc-refused": step("hsmc", records=[record(b"\x01", pad_to=17)]),
    "keep-alive-idle": step("keep-alive", b"\xC8", [record(OK)] * 5),
    "reconnect": step("reconnect", b"\x00\x34" + b"USB-Blaster [1-1.2] on a long description line".ljust(52, b"x")),
}
for name, data in GOOD.items():
    write("transact", name, data)
write("transact", "session", b"".join(GOOD.values()))

FAULTS = {
    "torn-pieces": step("switch-key", records=[record(OK + bytes(12))], link=1),
    "slow-reply": step("ping", records=[record(OK, flags=0x10)], link=2),
    "late-reply": step("ping", records=[record(OK, flags=0x70)], link=2),
    "slow-sdcard": step("sdcard", records=[record(OK + CSD_V2, flags=0x40, pad_to=37)]),
    "other-length": step("gsensor-read", records=[record(OK + bytes(6), shape=2, declared=8)]),
    "bad-checksum": step("board-name", records=[record(OK, shape=3, pad_to=33)]),
    "other-command": step("ping", records=[record(OK, flags=4)]),
    "no-end-marker": step("ping", records=[record(OK, flags=8)]),
    "garbage": step("ping", records=[record(b"\x13\x37" * 40 + frame(1, OK), shape=0)]),
    "write-fails": step("ping", records=[record(OK)], link=4),
    "open-fails": step("reconnect", b"\x01\x00") + GOOD["ping"],
    "no-reply": step("sdcard"),
}
for name, data in FAULTS.items():
    write("transact", name, data)

# --- frame parser -----------------------------------------------------------------


def piece(data, repeat=0, tenths=0):
    return bytes([repeat | tenths << 4, len(data)]) + data


LED = frame(5, u32(0x155))
write("frame_parser", "frames", piece(LED) + piece(frame(1, b"")) + piece(frame(13, b"\x05" + u32(0) + u32(4))))
write("frame_parser", "split", piece(LED[:3]) + piece(LED[3:7]) + piece(LED[7:]))
write("frame_parser", "garbage-between", piece(b"\x00\xAA\x55" + LED + b"\xAA\x01\xFF\xFF\xFF\xFF" + LED))
write("frame_parser", "torn-then-stale", piece(LED[:5]) + piece(LED, tenths=6))
write("frame_parser", "bad-checksum", piece(LED[:-2] + b"\x00\x55" + LED))
write("frame_parser", "long-stream", piece(b"\x01\x02\x03\x04", repeat=15) + piece(b"\xAA" * 64, repeat=15) + piece(LED))
REQUESTS = [frame(0, b""), frame(1, b""), frame(5, u32(0x3FFFF)), frame(6, b""), frame(7, u32(0x1234) + b"\x01"),
            frame(8, b""), frame(9, b"\x02"), frame(10, b"\x03" + u32(1)), frame(12, b"\x04" + u32(0x10) + b"\xde\xad"),
            frame(13, b"\x04" + u32(0x10) + u32(2)), frame(16, b""), frame(17, b""), frame(19, b"\x01\x02"),
            frame(22, b"\x01\x01"), frame(20, b"\x01\x02" + b"hi".ljust(128, b"\0")), frame(21, b"\x02"),
            frame(53, b"\x00"), frame(99, b"")]
write("frame_parser", "firmware", b"".join(piece(r) for r in REQUESTS))
write("frame_parser", "big-frame", piece(b"\xAA\x0C" + u32(200)) + piece(b"\x00" * 200) + piece(b"\x00\x55"))

# --- control ----------------------------------------------------------------------


def message(*args):
    out = u32(len(args))
    for a in args:
        a = a if isinstance(a, bytes) else a.encode()
        out += u32(len(a)) + a
    return out


def image(bitstream):
    body = b"VX5h-260".ljust(16, b"\0") + u32(len(bitstream)) + bitstream
    head = b"VX5HIMG1" + u32(16 + len(body))
    return head + u32(zlib.crc32(body)) + body


COMMANDS = {
    "help": [("help",)],
    "state": [("state",)],
    "set": [("set", "keys", "5"), ("set", "switches", "0x2A5"), ("set", "gsensor", "-100", "0x10", "+16384")],
    "sdcard": [("sdcard", "remove"), ("sdcard", "insert")],
    "ir": [("ir", "0x12", "255")],
    "rs232": [("rs232", "hello", "world\n\x01\xff")],
    "clear-sent": [("clear-sent",)],
    "hsmc": [("hsmc", "fail", "0x1FFFFFFFFFF", "0xFF"), ("hsmc", "none"), ("hsmc", "adapter")],
    "mem": [("mem", "write", "eeprom", "0x10", "de:ad-be ef"), ("mem", "read", "eeprom", "0x10", "4"),
            ("mem", "read", "sdram", "0x7FFFFF0", "16")],
    "power-cycle": [("power-cycle",)],
    "quit": [("quit",)],
    "link": [("link", "1000000", "0.25")],
    "timing": [("timing", "real"), ("timing", "fast")],
    "fault": [("fault", "stall", "200", "3"), ("fault", "garbage", "5"), ("fault", "drop"), ("fault", "none")],
    "cable": [("unplug",), ("plug",)],
    "configure-image": [("configure-image", image(bytes(range(32)))), ("state",)],
    "unknown": [("no-such-command", "1")],
    "empty": [()],
}
for name, messages in COMMANDS.items():
    write("control", name, b"".join(message(*m) for m in messages))

# --- SD card register text --------------------------------------------------------
write("sdcard_text", "v2", CSD_V2 + CID + b"\x02")
write("sdcard_text", "v1", CSD_V1 + CID + b"\x01")
write("sdcard_text", "reserved", bytes.fromhex("C0FFFFFFFF0FFFFFFFFFFFFFFFFFFFFF") + bytes(range(0x7C, 0x8C)) + b"\x07")
write("sdcard_text", "zero", bytes(33))

# --- what vx5h doctor reads ------------------------------------------------------------
write("doctor_text", "cable", b"1) USB-Blaster [1-1]\n  020F30DD   EP3C25/EP4CE22\n    Node 0C006E00  JTAG UART #0\n")
write("doctor_text", "errors", b"1) USB-Blaster variant [1-1]\n  Unable to lock chain - Insufficient port permissions\n"
      b"Unable to read device chain - JTAG chain broken (87)\nServer error (89) (88)\n"
      b"jtagd: cannot bind to port 1309: Address already in use\nlibudev.so.0 not found\n")
write("doctor_text", "jtag_conf", b"Remote1 {\n  Host = \"lab-pc\";\n  Password = \"x\";\n}\nremote2{host=other}\n")
write("doctor_text", "empty", b"")

# --- memory files (above all HEX) ----------------------------------------------


def memory_file(content, binary=False, exact=False, piece=0, count=0xFFFF):
    return bytes([int(binary) | int(exact) << 1, piece]) + u16(count) + content


write("hex_file", "bytes", memory_file(b"00FF7a80Cd"))
write("hex_file", "odd", memory_file(b"ABC", piece=1))
write("hex_file", "bad-digit", memory_file(b"0011G0", piece=2))
write("hex_file", "line-break", memory_file(b"0011\n"))
write("hex_file", "empty", memory_file(b""))
write("hex_file", "cut-to-room", memory_file(b"0123456789abcdef", piece=3, count=5))
write("hex_file", "exact-count", memory_file(b"DEADBEEF trailing text", exact=True, piece=1, count=4))
write("hex_file", "size-less", memory_file(b"DEADBEEF", exact=True, count=5))
write("hex_file", "binary", memory_file(bytes(range(40)), binary=True, piece=7))

# --- hex field --------------------------------------------------------------------


def field(maximum, minimum, name, text):
    return u32(maximum) + u32(minimum) + bytes([len(name)]) + name.encode() + text.encode()


write("hex_field", "address", field(0xFFFFF, 0, "Address", "1234"))
write("hex_field", "length", field(0x100000, 1, "Length", "100000"))
write("hex_field", "negative", field(0x7FFFFFFF, 0, "Address", "FFFFFFFF"))
write("hex_field", "nine-digits", field(0xFFFF, 0, "Address", "123456789"))
write("hex_field", "empty", field(0xFFFF, 1, "Length", ""))
write("hex_field", "blank", field(0xFFFF, 0, "Address", "12 3"))
write("hex_field", "too-small", field(0xFFFF, 0x10, "Length", "f"))


# --- vx5h's command line -------------------------------------------------------------
def words(*args):
    return b"\0".join(a.encode("latin-1") for a in args)


write("cli_args", "led", words("led", "7FFFFFF"))
write("cli_args", "mem-dump", words("--cable", "sim", "mem", "dump", "SDRAM", "out.hex", "--start", "10", "--length", "0x100"))
write("cli_args", "mem-write", words("mem", "write", "ssram-1", "7FFFE", "BEEF", "0xcafe"))
write("cli_args", "mem-alone", words("mem"))
write("cli_args", "watch", words("gsensor", "--watch", "--csv", "--rate", "2.5"))
write("cli_args", "rs232", words("-q", "rs232", "send", "hello"))
write("cli_args", "lcd", words("lcd", "line one", "line two", "three"))
write("cli_args", "selftest", words("selftest", "--only", "memory,leds", "--json", "--junit", "r.xml"))
write("cli_args", "help", words("mem", "load", "--help"))
write("cli_args", "two-commands", words("led", "1", "info", "--json"))
write("cli_args", "unknown", words("--no-configure", "nosuch", "--rate"))


def mem_range(file_range, memory, address, length):
    return bytes([1 if file_range else 0]) + words(memory, address, length)


write("cli_range", "word", mem_range(False, "SDRAM", "3FFFFFF", "1"))
write("cli_range", "past-end", mem_range(False, "eeprom", "7FF", "2"))
write("cli_range", "prefixed", mem_range(False, "Ssram-0", "0x10", "0X20"))
write("cli_range", "nine-digits", mem_range(False, "flash", "123456789", "1"))
write("cli_range", "whole", mem_range(True, "EPCS", "", ""))
write("cli_range", "to-end", mem_range(True, "sdram", "100", ""))
write("cli_range", "zero-length", mem_range(True, "SSRAM-1", "0", "0"))
write("cli_range", "no-memory", mem_range(True, "dram", "0", "1"))
write("cli_range", "bare-prefix", mem_range(False, "EEPROM", "0x", "1"))


# Transcripts of the link: some kept as tests, and a few made by hand around what the
# reader checks (a left-out stretch, joined runs, a cut, a damaged line).
TRANSCRIPTS = os.path.join(HERE, "..", "tests", "transcripts")
for kept in ("led", "switches", "sdcard", "memory"):
    with open(os.path.join(TRANSCRIPTS, kept + ".jsonl"), "rb") as f:
        write("transcript", kept, f.read())
HEADER = b'{"vx5h_trace":1,"program":"vx5h","version":"1.0.0","platform":"p","cable":"","data":"elided","limit":9999}\n'
write("transcript", "left-out", HEADER
      + b'{"t":1,"ev":"open","ok":true,"cable":"c"}\n'
      + b'{"t":2,"ev":"w","ok":true,"hex":"aa0d09000000050000000046000000c955"}\n'
      + b'{"t":3,"ev":"r","us":4,"want":6,"hex":"aa0d47000000"}\n'
      + b'{"t":8,"ev":"r","want":73,"hex":["00",{"n":70,"crc32":"1a2b3c4d","sum":9},"6555"]}\n'
      + b'{"t":9,"ev":"fail","cmd":13,"cause":"bad_checksum","ms":0}\n'
      + b'{"t":10,"ev":"close"}\n')
write("transcript", "joined-and-cut", HEADER
      + b'{"t":0,"ev":"open","ok":false,"error":3,"reason":"no \\u00fcART"}\n'
      + b'{"t":5,"ev":"configure","us":7,"image":"x.sof","ok":false,"reason":"r"}\n'
      + HEADER + b'{"t":1,"ev":"flush","us":1000,"n":2}\n{"t":2,"ev":"cut","limit":9999}\n')
write("transcript", "damaged", HEADER + b'{"t":1,"ev":"w","ok":true,"hex":["aa",{"n":1,"crc32":"00000000","sum":0}')
# A few bytes of text that stand for many: each left-out stretch of a read is 128 KiB
# the reader must not make up until a replay sends it.
STRETCH = b'{"t":3,"ev":"r","want":6,"hex":[{"n":131072,"crc32":"00000000","sum":170}]}\n'
write("transcript", "amplifies", HEADER
      + b'{"t":1,"ev":"open","ok":true,"cable":"c"}\n'
      + b'{"t":2,"ev":"w","ok":true,"hex":"aa0100000000000155"}\n'
      + STRETCH * 64
      + b'{"t":4,"ev":"w","ok":true,"hex":["aa0c",{"n":131070,"crc32":"00000000","sum":1}]}\n')
# Texts that would act on a terminal: escape sequences, a carriage return, a NUL, a
# direction mark and a byte that is no UTF-8.
write("transcript", "escapes", HEADER.replace(b'"p"', b'"p\\u001b]0;t\\u0007\\r\\u0000"')
      + b'{"t":1,"ev":"open","ok":false,"error":3,"reason":"\\u009b2J\\u202e\xff"}\n'
      + b'{"t":2,"ev":"fail","cmd":1,"cause":"x\\u001b[2J","ms":0}\n')
