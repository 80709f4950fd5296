"""The VX5h-260 as a labgrid board. An environment names this module under `imports:`,
which registers with labgrid's factory:

    VX5hCable, NetworkVX5hCable   the board's cable, on this machine or a board host's
    VX5hBootstrapDriver           BootstrapProtocol: load(image=None) configures the FPGA
    VX5hDriver                    MMIOProtocol on one memory, and the board's commands
    VX5hStrategy                  the states unknown, configured, ready

The drivers bind to labgrid's AlteraUSBBlaster and NetworkAlteraUSBBlaster too. docs/labgrid.md
has a shared lab step by step; examples/labgrid has environments and a production test.
"""
from .cable import NetworkVX5hCable, VX5hCable, cable_name, cable_on_usb_path, remote_name
from .drivers import VX5hBootstrapDriver, VX5hDriver
from .strategy import Status, VX5hStrategy

__all__ = [
    "NetworkVX5hCable",
    "Status",
    "VX5hBootstrapDriver",
    "VX5hCable",
    "VX5hDriver",
    "VX5hStrategy",
    "cable_name",
    "cable_on_usb_path",
    "remote_name",
]
