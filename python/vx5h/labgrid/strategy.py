"""The board's states for labgrid: unknown, configured (the control panel's image loaded)
and ready (its firmware answers "VX5h-260"), reached as the panel's Connect reaches them:
the firmware is asked first, and the FPGA is configured only when that may help."""
import enum

import attr
from labgrid.binding import BindingState
from labgrid.factory import target_factory
from labgrid.step import step
from labgrid.strategy import Strategy, StrategyError

import vx5h

# The module says so of a link that a configured FPGA might have opened: a bare FPGA, or
# one holding another design. A cable that is missing, taken or unreachable is not
# configured, where it could only fail again or overwrite the design of a board in use.
_CONFIGURING_MAY_HELP = "configure=False leaves its FPGA unconfigured"


class Status(enum.Enum):
    unknown = 0
    configured = 1
    ready = 2


def _status(status):
    if isinstance(status, Status):
        return status
    try:
        return Status[status]
    except KeyError:
        raise StrategyError(f"{status!r} is not a state of the board; it is one of unknown, configured, ready") from None


@target_factory.reg_driver
@attr.s(eq=False)
class VX5hStrategy(Strategy):
    """strategy.transition("ready") gives a test a board whose firmware answers, whatever the
    test before it left behind (a lost link, a bare FPGA)."""

    bindings = {"bootstrap": "VX5hBootstrapDriver", "driver": "VX5hDriver"}

    status = attr.ib(default=Status.unknown)

    def _answers(self):
        board = self.driver.board if self.driver.state is BindingState.active else None
        if board is None or board.closed:
            return False
        try:
            return board.info().board == "VX5h-260"
        except vx5h.Error:
            return False

    def _configure(self):
        self.target.deactivate(self.driver)
        self.target.activate(self.bootstrap)
        self.status = Status.unknown  # until the image is in, the FPGA may hold anything
        self.bootstrap.load()
        self.status = Status.configured

    def _connect(self):
        # A link that broke is closed; the board gets a fresh one.
        self.target.deactivate(self.driver)
        if self.status is not Status.configured:
            try:
                self.target.activate(self.driver)
                return
            except vx5h.LinkError as error:
                if _CONFIGURING_MAY_HELP not in str(error):
                    self.status = Status.unknown
                    raise
            self._configure()
        self.target.activate(self.driver)

    @step(args=["status"])
    def transition(self, status, *, step):
        status = _status(status)
        if status is Status.unknown:
            raise StrategyError("can not transition to unknown")
        if status is self.status and (status is Status.configured or self._answers()):
            step.skip("nothing to do")
            return
        if status is Status.configured:
            self._configure()
        else:
            self._connect()
        self.status = status

    @step(args=["status"])
    def force(self, status, *, step):
        """Takes the board to be in `status` without doing anything for it but activating
        the driver of `ready`."""
        status = _status(status)
        if status is Status.ready:
            self.target.activate(self.driver)
        else:
            self.target.deactivate(self.driver)
        self.status = status
