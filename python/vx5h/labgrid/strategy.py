"""The board's states for labgrid: unknown, configured (the control panel's image loaded)
and ready (its firmware answers "VX5h-260"), reached as the panel's Connect reaches them:
the firmware is asked first, and the FPGA is configured only when that may help."""
import enum
import threading

import attr
from labgrid.factory import target_factory
from labgrid.step import step
from labgrid.strategy import Strategy, StrategyError

import vx5h


class Status(enum.Enum):
    unknown = 0
    configured = 1
    ready = 2


def _status(status, error=StrategyError):
    if isinstance(status, Status):
        return status
    try:
        return Status[status]
    except (KeyError, TypeError):
        raise error(f"{status!r} is not a state of the board; it is one of unknown, configured, ready") from None


def _status_of_environment(status):
    return _status(status, ValueError)


@target_factory.reg_driver
@attr.s(eq=False)
class VX5hStrategy(Strategy):
    """strategy.transition("ready") gives a test a board whose firmware answers, whatever the
    test before it left behind (a lost link, a bare FPGA, a failed connect). A target and its
    strategy are one thread's: a transition while another thread's runs is refused."""

    bindings = {"bootstrap": "VX5hBootstrapDriver", "driver": "VX5hDriver"}

    status = attr.ib(default=Status.unknown, converter=_status_of_environment)

    def __attrs_post_init__(self):
        super().__attrs_post_init__()
        self._turn = threading.Lock()

    def _answers(self):
        board = self.driver.board
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
        # A link that broke is closed; the board gets a fresh one. Whatever the status
        # says, the firmware is asked first: the FPGA may have lost its image since.
        self.target.deactivate(self.driver)
        try:
            self.target.activate(self.driver)
            return
        except vx5h.LinkError as error:
            # A cable that is missing, taken or unreachable is not configured, where it could
            # only fail again or overwrite the design of a board in use.
            if not getattr(error, "configure_may_help", False):
                self.status = Status.unknown
                raise
        self._configure()
        self.target.activate(self.driver)

    def _one_thread(self):
        if not self._turn.acquire(blocking=False):
            raise StrategyError(
                "another thread is in a transition of this strategy: a target and its strategy are one thread's"
            )

    def transition(self, status):
        self._one_thread()
        try:
            self._transition(status)
        finally:
            self._turn.release()

    @step(title="transition", args=["status"])
    def _transition(self, status, *, step):
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

    def force(self, status):
        """Takes the board to be in `status` without doing anything for it but activating
        the driver of `ready`."""
        self._one_thread()
        try:
            self._force(status)
        finally:
            self._turn.release()

    @step(title="force", args=["status"])
    def _force(self, status):
        status = _status(status)
        if status is Status.ready:
            self.target.activate(self.driver)
        else:
            self.target.deactivate(self.driver)
        self.status = status
