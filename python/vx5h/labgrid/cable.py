"""The board's cable as labgrid resources, and the cable name the vx5h module opens for
each resource a place may hold."""
import attr
from labgrid.factory import target_factory
from labgrid.resource.common import NetworkResource, Resource

import vx5h

# What a driver of the board binds to: our own two, and the vendor's cable as labgrid
# already knows it (a place that holds one for the vendor's HPS flasher needs nothing new).
CABLE_RESOURCES = {"VX5hCable", "NetworkVX5hCable", "AlteraUSBBlaster", "NetworkAlteraUSBBlaster"}

# jtagconfig's word between a remote cable's type and its JTAG server.
_REMOTE = " on "


def _non_empty(_instance, attribute, value):
    if not isinstance(value, str) or not value.strip():
        raise ValueError(f"{attribute.name} must name a cable, not {value!r}")


@target_factory.reg_resource
@attr.s(eq=False)
class VX5hCable(Resource):
    """A VX5h-260's cable on this machine, by the name `vx5h boards` and jtagconfig give it:
    "USB-Blaster [1-1]" (local), "USB-Blaster on labhost [1-1]" (a board host's, through the
    vendor's JTAG server), or a board of the simulator, "sim" or "sim-N"."""

    cable = attr.ib(validator=_non_empty)


@target_factory.reg_resource
@attr.s(eq=False)
class NetworkVX5hCable(NetworkResource):
    """The cable as a board host's exporter publishes it: its name on the board host
    ("USB-Blaster [1-1]"), reached through the JTAG server of that host. `jtag_server` is the
    server as the clients added it (jtagconfig --addserver), "labhost:1310" for a server of its
    own per cable; the host itself when not given."""

    cable = attr.ib(validator=_non_empty)
    jtag_server = attr.ib(default=None, validator=attr.validators.optional(_non_empty))


def _server_of(cable):
    """The JTAG server a remote cable's name holds ("labhost", "labhost:1310"); None for a local one."""
    kind, on, rest = cable.partition(_REMOTE)
    if not on:
        return None
    server = rest.rpartition(" [")[0]
    return server if server and " " not in server else None


def remote_name(cable, server):
    """The name a client of `server` gives the board host's cable `cable`:
    "USB-Blaster [1-1]" on labhost is "USB-Blaster on labhost [1-1]"."""
    kind, bracket, port = cable.rpartition(" [")
    if not bracket or not kind or not port.endswith("]") or _REMOTE in kind:
        raise ValueError(
            f"cable {cable!r}: name the cable as jtagconfig lists it on the board host, such as "
            "'USB-Blaster [1-1]' (a simulated board is reached on its own machine only)"
        )
    return f"{kind}{_REMOTE}{server} [{port}"


def cable_on_usb_path(path, host=None, jtag_server=None):
    """The cable jtagconfig lists for the USB-Blaster on USB path `path` ("1-1", the port
    labgrid's udev match found): a local one, or with `host` the board host's, seen through
    its JTAG server (`jtag_server` when the clients reach it under another name, such as
    "localhost:1310" through a tunnel). Raises vx5h.LinkError when there is not exactly one."""
    listed = vx5h.boards()
    on_path = [name for name in listed if name.endswith(f" [{path}]")]
    if host is None:
        found = [name for name in on_path if _server_of(name) is None]
        where = f"USB path {path}"
    elif jtag_server is not None:
        found = [name for name in on_path if _server_of(name) == jtag_server]
        where = f"USB path {path} through the JTAG server {jtag_server}"
    else:
        found = [name for name in on_path if (_server_of(name) or "").partition(":")[0] == host]
        where = f"USB path {path} of {host}"
    if len(found) == 1:
        return found[0]
    cables = ", ".join(repr(name) for name in listed) or "none"
    if not found:
        hint = "" if host is None else " (add its JTAG server with jtagconfig --addserver, or name it as jtag_server)"
        raise vx5h.LinkError(f"no cable on {where}{hint}; jtagconfig lists {cables}")
    raise vx5h.LinkError(f"{len(found)} cables on {where}: {', '.join(found)}; name the JTAG server as jtag_server")


def cable_name(resource, jtag_server=None):
    """The cable the vx5h module opens for a resource of CABLE_RESOURCES."""
    kinds = {cls.__name__ for cls in type(resource).__mro__}
    if "VX5hCable" in kinds:
        return resource.cable
    if "NetworkVX5hCable" in kinds:
        return remote_name(resource.cable, jtag_server or resource.jtag_server or resource.host)
    if "NetworkAlteraUSBBlaster" in kinds:
        return cable_on_usb_path(resource.path, resource.host, jtag_server)
    if "AlteraUSBBlaster" in kinds:
        return cable_on_usb_path(resource.path)
    raise TypeError(f"{type(resource).__name__} is not a cable of a VX5h-260")
