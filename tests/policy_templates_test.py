#!/usr/bin/env python3
"""
The Group Policy templates IT deploys (packaging/orvanta.admx and its
en-US/orvanta.adml) are well-formed, and each policy writes the key, value
and values the program reads: the names and ranges are read from the
program's own source (src/settings/registry_settings.h), so that renaming
a value there without the templates fails here.

    python3 -B tests/policy_templates_test.py
"""
import re
import sys
import unittest
import xml.etree.ElementTree as ElementTree
from pathlib import Path

SOURCE = Path(__file__).resolve().parents[1]
ADMX = SOURCE / "packaging" / "orvanta.admx"
ADML = SOURCE / "packaging" / "en-US" / "orvanta.adml"
READ_BY_PROGRAM = SOURCE / "src" / "settings" / "registry_settings.h"
NS = {"p": "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"}


def program_registry():
    """(key, {value name: (lowest, highest)}) as the program's source has them."""
    text = READ_BY_PROGRAM.read_text()
    key = re.search(r'kRegistryKey\[\]\s*=\s*"((?:[^"\\]|\\.)*)"', text).group(1).replace("\\\\", "\\")
    values = {name: (int(low), int(high))
              for name, low, high in re.findall(r'RegistryDword\s+\w+\{"(\w+)",\s*(\d+),\s*(\d+)\}', text)}
    return key, values


def references(text, kind):
    return re.findall(r"\$\(%s\.(\w+)\)" % kind, text)


class PolicyTemplates(unittest.TestCase):
    def setUp(self):
        self.admx = ElementTree.parse(ADMX).getroot()
        self.adml = ElementTree.parse(ADML).getroot()
        self.key, self.values = program_registry()
        self.policies = self.admx.findall("p:policies/p:policy", NS)

    def test_each_value_the_program_reads_has_one_policy_of_the_machine_on_its_key(self):
        written = []
        for policy in self.policies:
            name = policy.get("name")
            self.assertEqual(policy.get("class"), "Machine", name)
            self.assertEqual(policy.get("key"), self.key, name)
            value = policy.get("valueName") or policy.find("p:elements/p:decimal", NS).get("valueName")
            written.append(value)
        self.assertEqual(sorted(written), sorted(self.values))

    def test_each_policy_writes_only_values_the_program_accepts(self):
        for policy in self.policies:
            number = policy.find("p:elements/p:decimal", NS)
            if number is not None:
                accepted = self.values[number.get("valueName")]
                self.assertEqual((int(number.get("minValue")), int(number.get("maxValue"))), accepted)
                continue
            low, high = self.values[policy.get("valueName")]
            for state in ("enabledValue", "disabledValue"):
                value = int(policy.find("p:%s/p:decimal" % state, NS).get("value"))
                self.assertTrue(low <= value <= high, "%s %s %d" % (policy.get("name"), state, value))

    def test_every_text_and_presentation_the_admx_names_is_in_the_adml(self):
        strings = {s.get("id") for s in self.adml.findall("p:resources/p:stringTable/p:string", NS)}
        presentations = {p.get("id"): p
                         for p in self.adml.findall("p:resources/p:presentationTable/p:presentation", NS)}
        text = ADMX.read_text()
        self.assertLessEqual(set(references(text, "string")), strings)
        self.assertLessEqual(set(references(text, "presentation")), set(presentations))
        for policy in self.policies:
            for element in policy.findall("p:elements/*", NS):
                shown = presentations[references(policy.get("presentation"), "presentation")[0]]
                self.assertIn(element.get("id"), [box.get("refId") for box in shown])


if __name__ == "__main__":
    sys.exit(unittest.main(verbosity=1))
