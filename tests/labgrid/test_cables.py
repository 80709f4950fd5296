"""Which cable a resource of a place means: the vendor's cable found by its USB path through
jtagconfig (the vendor's stand-in lists the lab's boards), and the cable a board host's
exporter publishes."""
import re
import types

import pytest
import vx5h
from conftest import EXAMPLES
from labgrid import Target
from labgrid.remote.config import ResourceConfig
from vx5h.labgrid import NetworkVX5hCable, cable_name, cable_on_usb_path

LISTED = (
    "USB-Blaster [1-1]",
    "USB-Blaster on labhost [3-1.4.1]",
    "USB-Blaster on localhost:1310 [2-2]",
    "USB-Blaster on labhost:1311 [2-2]",
)


@pytest.mark.parametrize(
    "path, host, server, expected",
    [
        ("1-1", None, None, "USB-Blaster [1-1]"),
        ("3-1.4.1", "labhost", None, "USB-Blaster on labhost [3-1.4.1]"),
        ("2-2", "labhost", None, "USB-Blaster on labhost:1311 [2-2]"),
        ("2-2", "labhost", "localhost:1310", "USB-Blaster on localhost:1310 [2-2]"),
        ("3-1.4.1", None, None, "no cable on USB path 3-1.4.1; jtagconfig lists 'sim', "),
        ("9-9", "labhost", None, "no cable on USB path 9-9 of labhost (add its JTAG server with jtagconfig"),
        ("2-2", "localhost", None, "2 cables on USB path 2-2 of localhost"),
    ],
)
def test_a_usb_path_is_the_cable_jtagconfig_lists_on_it(vendor, path, host, server, expected):
    vendor(*LISTED, "USB-Blaster on localhost:1312 [2-2]")
    if expected.startswith("USB-Blaster"):
        assert cable_on_usb_path(path, host, server) == expected
    else:
        with pytest.raises(vx5h.LinkError, match=re.escape(expected)):
            cable_on_usb_path(path, host, server)


USB_BLASTER = """
imports: [vx5h.labgrid]
targets:
  main:
    resources:
      AlteraUSBBlaster: {match: {ID_PATH: "pci-0000:00:14.0-usb-0:3.4.1"}}
    drivers: [VX5hBootstrapDriver: {}, VX5hDriver: {}, VX5hStrategy: {}]
"""


def test_a_place_with_labgrids_usb_blaster_drives_the_board_on_its_path(environment, vendor, lab, tmp_path):
    vendor("USB-Blaster [1-1]", "USB-Blaster on labhost [2-1]", "USB-Blaster [3-1.4.1]")
    path = tmp_path / "usb-blaster.yaml"
    path.write_text(USB_BLASTER)
    target = environment(path).get_target()
    # What udev would report for the cable plugged in at that port.
    blaster = target.get_resource("AlteraUSBBlaster", wait_avail=False)
    blaster.device = types.SimpleNamespace(sys_name="3-1.4.1", subsystem="usb", device_type="usb_device")
    blaster.avail = True
    target.get_driver("Strategy").transition("ready")
    target.get_driver("VX5hDriver").set_leds(0x155)
    # The other boards keep what their firmware started with: every LED lit.
    assert lab["sim-3"].state()["leds"] == 0x155 and lab["sim"].state()["leds"] == 0x07FFFFFF


def test_the_exporters_cable_is_named_as_its_clients_see_it(monkeypatch):
    monkeypatch.chdir(EXAMPLES)  # the rendering prints the file; it reads it from here
    published = ResourceConfig(str(EXAMPLES / "exporter.yaml")).data["vx5h-1"]["NetworkVX5hCable"]
    cable = NetworkVX5hCable(Target("client"), None, **published)
    assert cable_name(cable) == "USB-Blaster on labhost:1310 [1-1]"
    assert cable_name(cable, jtag_server="localhost:1410") == "USB-Blaster on localhost:1410 [1-1]"
    cable = NetworkVX5hCable(Target("client"), None, host="labhost", cable="USB-BlasterII [3-1.4.1]")
    assert cable_name(cable) == "USB-BlasterII on labhost [3-1.4.1]"
    for local in ("sim-2", "USB-Blaster on elsewhere [1-1]"):
        cable = NetworkVX5hCable(Target("client"), None, host="labhost", cable=local)
        with pytest.raises(ValueError, match="name the cable as jtagconfig lists it on the board host"):
            cable_name(cable)
