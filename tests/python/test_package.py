"""What ships with the module besides the board: its type stubs and help, and the pytest
plugin a lab uses for its own tests."""
import ast
import json
import os
import pathlib
import pydoc
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

import vx5h

STUBS = pathlib.Path(vx5h.__file__).with_name("__init__.pyi")


def stubbed_names(body):
    names = set()
    for node in body:
        if isinstance(node, (ast.ClassDef, ast.FunctionDef)):
            names.add(node.name)
        elif isinstance(node, ast.AnnAssign):
            names.add(node.target.id)
        elif isinstance(node, ast.Assign):
            names.update(target.id for target in node.targets)
    return names


def public(names):
    return {name for name in names if not name.startswith("_")}


def test_the_stubs_name_what_the_module_has():
    tree = ast.parse(STUBS.read_text())
    assert public(stubbed_names(tree.body)) - {"Progress", "Path"} == set(vx5h.__all__)
    classes = {node.name: node for node in tree.body if isinstance(node, ast.ClassDef)}
    for name in vx5h.__all__:
        runtime = getattr(vx5h, name)
        if isinstance(runtime, type) and not issubclass(runtime, (Exception, tuple)):
            own = public(vars(runtime)) | public(stubbed_names(classes[name].body))
            assert public(stubbed_names(classes[name].body)) == own, name


def test_help_reads_as_documentation():
    text = pydoc.render_doc(vx5h.Board, renderer=pydoc.plaintext)
    for words in ("Connects to a board as the control panel does", "vx5h.boards() lists the cables",
                  "memory(self: vx5h.Board, name: str) -> vx5h.Memory", "releases the GIL"):
        assert words in text
    assert "word address a" in pydoc.render_doc(vx5h.Memory, renderer=pydoc.plaintext)


LAB_TEST = """
def test_lights(board):
    assert board.leds == 0, "the fixture switched them off"
    board.leds = 0x155
"""


def run_pytest(test, *options):
    return subprocess.run([sys.executable, "-m", "pytest", "-p", "no:cacheprovider", "-rs", *options, str(test)],
                          capture_output=True, text=True, timeout=60, env=dict(os.environ, PYTHONDONTWRITEBYTECODE="1"))


def test_the_pytest_plugin_gives_a_lab_its_board(sim, own_boards, tmp_path):
    test = tmp_path / "test_lab.py"
    test.write_text(LAB_TEST)
    with vx5h.Board() as board:
        board.leds = 0x3FF
    done = run_pytest(test, "--vx5h-cable", "sim")
    assert done.returncode == 0, done.stdout + done.stderr
    assert sim.state()["leds"] == 0x155

    done = run_pytest(test, "--vx5h-cable", "7")
    assert done.returncode == 0, done.stdout + done.stderr
    assert "SKIPPED" in done.stdout and "no VX5h-260 board on cable '7'" in done.stdout


def test_the_documented_production_test_tells_a_good_board_from_a_bad_one(sim, own_boards, tmp_path):
    guide = pathlib.Path(__file__).parents[2] / "docs" / "python.md"
    block = guide.read_text().split("```python\n# test_board_production.py")[1].split("```")[0].partition("\n")[2]
    test = tmp_path / "test_board_production.py"
    test.write_text(block)
    done = run_pytest(test, "--vx5h-cable", "sim", f"--junitxml={tmp_path / 'board.xml'}")
    assert done.returncode == 0 and "6 passed" in done.stdout, done.stdout + done.stderr
    assert "warning" not in done.stdout, done.stdout
    properties = {p.get("name"): p.get("value") for p in ElementTree.parse(tmp_path / "board.xml").iter("property")}
    assert json.loads(properties["selftest"])["passed"] is True

    sim.ctl("mem", "fault", "sdram", "data", 13, 0)
    try:
        done = run_pytest(test, "--vx5h-cable", "sim")
    finally:
        sim.ctl("mem", "fault", "sdram", "none")
    assert done.returncode == 1 and "SDRAM data line 13 stuck at 0" in done.stdout, done.stdout
