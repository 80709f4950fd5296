"""labgrid's drivers of the board: its FPGA image (BootstrapProtocol) and its firmware's
commands (MMIOProtocol on one memory, and the board's own commands). The work is the vx5h
module's, the same the panel, vx5h and Python scripts do; each action is a labgrid step,
so a test's log reads as what happened to the board."""
import logging

import attr
from labgrid.binding import BindingState
from labgrid.driver.common import Driver
from labgrid.factory import target_factory
from labgrid.protocol import BootstrapProtocol, MMIOProtocol
from labgrid.step import step

import vx5h

from ..pytest_plugin import reset_outputs
from .cable import CABLE_RESOURCES, cable_name

# Sizes of one memory-mapped access: a byte, the memories' 16-bit word, two words.
MMIO_SIZES = (1, 2, 4)

# The vx5h module's words for a board that configuring might make answer.
_CONFIGURE_FALSE = "; configure=False leaves its FPGA unconfigured"

_optional_text = attr.validators.optional(attr.validators.instance_of(str))


def _a_memory(_instance, _attribute, value):
    if not isinstance(value, str) or value.upper() not in (name.upper() for name in vx5h.MEMORIES):
        raise ValueError(f"memory: {value!r} is not a memory of the board; it is one of {', '.join(vx5h.MEMORIES)}")


def _span(address, size, count):
    """The bytes `count` accesses of `size` bytes from `address` cover; refuses what a bus
    access could not be, before the board is asked."""
    for name, value in (("address", address), ("size", size), ("count", count)):
        if not isinstance(value, int) or isinstance(value, bool) or value < 0:
            raise ValueError(f"{name} must be a whole number from 0, not {value!r}")
    if size not in MMIO_SIZES:
        raise ValueError(f"size must be one of {', '.join(map(str, MMIO_SIZES))} bytes, not {size}")
    if address % size:
        raise ValueError(
            f"address 0x{address:X} is not a multiple of the access size {size}: addresses are byte offsets "
            "(word address a of the memory page is byte offset 2*a)"
        )
    return size * count


@attr.s(eq=False)
class _CableDriver(Driver):
    """A driver that reaches the board through its cable. `jtag_server`: the board host's JTAG
    server as this machine added it, where its name differs from the one the place gives."""

    bindings = {"cable": CABLE_RESOURCES}

    jtag_server = attr.ib(default=None, validator=_optional_text)

    def __attrs_post_init__(self):
        super().__attrs_post_init__()
        self.logger = logging.getLogger(f"vx5h.labgrid.{type(self).__name__}({self.target.name})")

    def cable_name(self):
        """The cable's name as the vx5h module opens it."""
        return cable_name(self.cable, self.jtag_server)


@target_factory.reg_driver
@attr.s(eq=False)
class VX5hBootstrapDriver(_CableDriver, BootstrapProtocol):
    """Configures the board's FPGA. `image`: the name of an image of the environment's
    `images:` or a path; the control panel's own image when not given."""

    image = attr.ib(default=None, validator=_optional_text)

    def _image_path(self):
        if self.image is None:
            return None
        if self.target.env is not None and self.image in (self.target.env.config.data.get("images") or {}):
            return self.target.env.config.get_image_path(self.image)
        return self.image

    def _close_links(self):
        # A cable carries one link at a time: the board driver's goes first.
        for client in list(self.cable.clients):
            if isinstance(client, VX5hDriver) and client.state is BindingState.active:
                self.logger.info("closing the link of %s to configure the FPGA", client)
                self.target.deactivate(client)

    @Driver.check_active
    @step(args=["image"], result=True)
    def load(self, image=None):
        """Configures the FPGA with the .sof `image` (the driver's image when None) through the
        project's download library, within its budget; returns the seconds it took. Raises
        OSError, ValueError or vx5h.LinkError as vx5h.configure() does."""
        self._close_links()
        return vx5h.configure(image=image or self._image_path(), cable=self.cable_name())


@target_factory.reg_driver
@attr.s(eq=False)
class VX5hDriver(_CableDriver, MMIOProtocol):
    """The board whose firmware answers: connected while the driver is active (its FPGA left
    as it is: configuring is the bootstrap driver's, so activate it through the strategy's
    transition("ready")), `board` the vx5h.Board. read() and
    write() reach `memory` (SDRAM by default) at byte offsets, as the module's slices do."""

    memory = attr.ib(default="SDRAM", validator=_a_memory)

    def __attrs_post_init__(self):
        super().__attrs_post_init__()
        self.board = None
        self._memory = None

    def on_activate(self):
        cable = self.cable_name()
        try:
            self.board = vx5h.Board(cable=cable, configure=False)
        except vx5h.LinkError as error:
            # The module says so of a link that a configured FPGA might have opened: a bare
            # FPGA, or one holding another design. Here configuring is the bootstrap
            # driver's, which the strategy calls for just that.
            reason, configuring, _ = str(error).partition(_CONFIGURE_FALSE)
            hint = "; strategy.transition('ready') configures its FPGA" if configuring else ""
            failure = vx5h.LinkError(f"cable {cable!r}: {reason}{hint}")
            failure.configure_may_help = bool(configuring)
            raise failure from error
        self._memory = self.board.memory(self.memory)

    def on_deactivate(self):
        board, self.board, self._memory = self.board, None, None
        if board is not None:
            board.close()

    @Driver.check_active
    @step(args=["address", "size", "count"])
    def read(self, address, size, count):
        return self._memory.read(address, _span(address, size, count))

    @Driver.check_active
    @step(args=["address", "size"])
    def write(self, address, size, data):
        length = memoryview(data).nbytes
        _span(address, size, 0)
        if length % size:
            raise ValueError(f"{length} bytes are not whole accesses of {size} bytes")
        self._memory.write(address, data)

    @Driver.check_active
    @step(result=True)
    def info(self):
        return self.board.info()

    @Driver.check_active
    @step()
    def reset_outputs(self):
        """LEDs off, the digits 0, the LCD blank, the VGA's first pattern."""
        reset_outputs(self.board)

    @Driver.check_active
    @step(args=["mask"])
    def set_leds(self, mask):
        self.board.leds = mask

    @Driver.check_active
    @step(args=["index", "on"])
    def set_led(self, index, on):
        self.board.set_led(index, on)

    @Driver.check_active
    @step(args=["digits"])
    def set_seg7(self, digits):
        self.board.seg7 = digits

    @Driver.check_active
    @step(args=["line0", "line1"])
    def lcd(self, line0, line1=""):
        self.board.lcd(line0, line1)

    @Driver.check_active
    @step(args=["pattern"])
    def vga(self, pattern):
        self.board.vga(pattern)

    @Driver.check_active
    @step(result=True)
    def switches(self):
        return self.board.switches

    @Driver.check_active
    @step(result=True)
    def keys(self):
        return self.board.keys

    @Driver.check_active
    @step(result=True)
    def gsensor(self):
        return self.board.gsensor()

    @Driver.check_active
    @step()
    def sd_card(self):
        return self.board.sd_card()

    @Driver.check_active
    @step()
    def hsmc(self):
        result = self.board.hsmc()
        self.logger.info("HSMC loopback: %s", result.result)
        return result

    @Driver.check_active
    @step(args=["timeout"], result=True)
    def ir_read(self, timeout=0.0):
        return self.board.ir.read(timeout)

    @Driver.check_active
    @step(args=["data"])
    def rs232_write(self, data):
        self.board.rs232.write(data)

    @Driver.check_active
    @step(args=["timeout"], result=True)
    def rs232_read(self, timeout=0.0):
        return self.board.rs232.read(timeout)

    @Driver.check_active
    @step(args=["only", "skip", "destructive", "full"])
    def selftest(self, only=None, skip=None, destructive=False, full=False):
        """The acceptance test of `vx5h selftest`; returns its report."""
        report = self.board.selftest(only=only, skip=skip, destructive=destructive, full=full)
        self.logger.info("%s", str(report).rstrip().rpartition("\n")[2])
        return report
