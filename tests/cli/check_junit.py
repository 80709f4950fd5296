#!/usr/bin/env python3
"""Checks a JUnit XML file as a CI tool reads it: well-formed XML (the parser refuses a
repeated attribute, a character XML has no place for, bytes that are not UTF-8), and the
elements, attributes and time values of the JUnit schema that CI servers validate against
(testsuites of testsuite elements; testsuite with name, tests, failures and errors;
properties of property name/value pairs; testcase with a name and at most skipped, error,
failure and output elements inside).

Usage: check_junit.py FILE. Exit 0 and, on standard output, the suites as a JSON list
(name, hostname, tests, failures, errors); exit 1 and what is wrong otherwise."""
import json
import re
import sys
import xml.etree.ElementTree as ET

# Per element: (required attributes, optional attributes, child elements, text allowed).
RULES = {
    "testsuites": ((), ("name", "time", "tests", "failures", "errors"), ("testsuite",), False),
    "testsuite": (
        ("name", "tests", "failures", "errors"),
        ("group", "time", "skipped", "timestamp", "hostname", "id", "package", "file", "log", "url"),
        ("testsuite", "properties", "testcase", "system-out", "system-err"),
        False,
    ),
    "properties": ((), (), ("property",), False),
    "property": (("name", "value"), (), (), False),
    "testcase": (
        ("name",),
        ("time", "classname", "group"),
        ("skipped", "error", "failure", "system-out", "system-err"),
        False,
    ),
    "failure": ((), ("type", "message"), (), True),
    "error": ((), ("type", "message"), (), True),
    "skipped": ((), ("type", "message"), (), True),
    "system-out": ((), (), (), True),
    "system-err": ((), (), (), True),
}
# The schema's time: digits with optional thousands commas and a fraction.
TIME = re.compile(r"(([0-9]{0,3},)*[0-9]{3}|[0-9]{0,3})*(\.[0-9]*)?")
COUNTS = ("tests", "failures", "errors", "skipped")


def problems(element, path):
    rules = RULES.get(element.tag)
    where = path + "/" + element.tag
    if rules is None:
        yield where + ": no element of JUnit"
        return
    required, optional, children, text = rules
    for name in required:
        if name not in element.attrib:
            yield where + ": no " + name
    for name, value in element.attrib.items():
        if name not in required and name not in optional:
            yield where + ": attribute " + name + " is not JUnit's"
        if name == "time" and not TIME.fullmatch(value):
            yield where + ": time " + repr(value) + " is no time"
        if name in COUNTS and not value.isdigit():
            yield where + ": " + name + " " + repr(value) + " is no count"
    if not text and (element.text or "").strip():
        yield where + ": text where only elements belong"
    for child in element:
        if child.tag not in children:
            yield where + ": " + child.tag + " does not belong here"
        yield from problems(child, where)
        if not text and (child.tail or "").strip():
            yield where + ": text where only elements belong"


def main():
    try:
        root = ET.parse(sys.argv[1]).getroot()
    except ET.ParseError as error:
        print("not XML: " + str(error))
        return 1
    if root.tag not in ("testsuites", "testsuite"):
        print("the root is " + root.tag + ", not testsuites or testsuite")
        return 1
    found = list(problems(root, ""))
    if found:
        print("\n".join(found))
        return 1
    suites = [root] if root.tag == "testsuite" else list(root)
    keys = ("name", "hostname", "tests", "failures", "errors")
    print(json.dumps([{key: suite.get(key) for key in keys} for suite in suites]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
