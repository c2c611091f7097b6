"""The manual page and the README's command-line reference against the program's own usage text.

QUILLFEN names the program, QUILLFEN_MAN_PAGE the manual page, QUILLFEN_README the README."""

import os
import re
import subprocess
import unittest

QUILLFEN = os.environ["QUILLFEN"]
MAN_PAGE = os.environ["QUILLFEN_MAN_PAGE"]
README = os.environ["QUILLFEN_README"]

OPTION_LINE = re.compile(r"^(-\w), (--[\w-]+) +\S")


def usage_lines():
    run = subprocess.run([QUILLFEN, "-h", "-a"], capture_output=True, text=True, timeout=60,
                         stdin=subprocess.DEVNULL)
    assert run.returncode == 0, run.stdout + run.stderr
    lines = run.stdout.splitlines()
    start = lines.index("USAGE:")
    end = max(i for i, line in enumerate(lines) if OPTION_LINE.match(line))
    return lines[start:end + 1]


def usage_options():
    return [OPTION_LINE.match(line).groups() for line in usage_lines() if OPTION_LINE.match(line)]


class UsageDocsTest(unittest.TestCase):
    def test_the_manual_page_lists_the_options_of_the_usage_text(self):
        with open(MAN_PAGE) as page:
            text = page.read()
        # Each option is a tagged paragraph: .TP, then .BR \-h ", " \-\-help ...
        documented = re.findall(r'^\.TP\n\.BR (\\-\w) ", " (\\-\\-[\w\\-]+)', text, re.M)
        documented = [tuple(name.replace("\\-", "-") for name in pair) for pair in documented]
        self.assertEqual(documented, usage_options())

    def test_the_readme_reference_is_the_usage_text(self):
        with open(README) as readme:
            text = readme.read()
        block = re.search(r"^## Command line\n.*?^```\n(.*?)^```\n", text, re.M | re.S)
        self.assertIsNotNone(block, "no ``` block in the README's Command line section")
        self.assertEqual([line.rstrip() for line in block[1].splitlines()],
                         [line.rstrip() for line in usage_lines()])


if __name__ == "__main__":
    unittest.main()
