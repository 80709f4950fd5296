"""The VX5h-260 board from Python, on the core of the control panel and of vx5h.

    import vx5h
    with vx5h.Board() as board:
        board.leds = 0x2A5
        sdram = board.memory("sdram")
        sdram[0:4] = b"\\x01\\x02\\x03\\x04"

docs/python.md has a worked session and a production test a lab can copy.
"""
import os as _os

from . import _folder
from ._vx5h import (  # noqa: F401 (the package's names)
    MEMORIES,
    VGA_PATTERNS,
    Board,
    Channel,
    Error,
    GSensor,
    Hsmc,
    Info,
    IrKey,
    IrReceiver,
    LinkError,
    Memory,
    RefusedError,
    Rs232Port,
    SdCard,
    SelfTestReport,
    TestResult,
    __version__,
    boards,
    configure,
    ir_key,
)
from ._vx5h import _set_program_folder

# The driver libraries, the FPGA image and the simulator lie in the program folder, as
# they do for the panel and vx5h; where that is, seen from here, the build or the install
# wrote down.
_set_program_folder(_os.path.normpath(_os.path.join(_os.path.dirname(__file__), _folder.PROGRAM_FOLDER)))

__all__ = [
    "MEMORIES",
    "VGA_PATTERNS",
    "Board",
    "Channel",
    "Error",
    "GSensor",
    "Hsmc",
    "Info",
    "IrKey",
    "IrReceiver",
    "LinkError",
    "Memory",
    "RefusedError",
    "Rs232Port",
    "SdCard",
    "SelfTestReport",
    "TestResult",
    "boards",
    "configure",
    "ir_key",
]
