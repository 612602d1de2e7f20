#!/usr/bin/env python3
"""scripts/check-layering on a scratch copy of the sources: it passes on the tree as it is and
names every include that goes against the layering once one is added.

Usage: tst_checklayering.py CHECK_SCRIPT SOURCE_ROOT QT_HEADERS
"""

import contextlib
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

CHECK, SOURCE_ROOT, QT_HEADERS = sys.argv[1:4]
SUBSYSTEMS = ("app", "engine", "queue", "options", "dialogs", "platform")


def not_source(directory, names):
    return [n for n in names if not os.path.isdir(os.path.join(directory, n))
            and not n.endswith((".h", ".cpp", ".txt"))]


@contextlib.contextmanager
def scratch_tree(relative=None, line=None):
    """A copy of the subsystems' sources, with `line` appended to the file `relative`."""
    with tempfile.TemporaryDirectory() as root:
        for folder in SUBSYSTEMS:
            shutil.copytree(os.path.join(SOURCE_ROOT, folder), os.path.join(root, folder),
                            ignore=not_source)
        if relative:
            with open(os.path.join(root, relative), "a", encoding="utf-8") as text:
                text.write(line + "\n")
        yield root


def line_count(relative):
    with open(os.path.join(SOURCE_ROOT, relative), encoding="utf-8") as text:
        return sum(1 for _ in text)


def check(root):
    return subprocess.run([sys.executable, CHECK, "--qt-headers", QT_HEADERS, root],
                          capture_output=True, text=True)


class CheckLayering(unittest.TestCase):
    def test_the_tree_as_it_is_passes(self):
        with scratch_tree() as root:
            result = check(root)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertEqual(result.stdout, "")

    def test_an_include_against_the_layering_is_named(self):
        cases = [
            ("platform/Platform.cpp", '#include "app/Artwork.h"'),
            ("platform/Desktop.h", '#include "engine/FileHelpers.h"'),
            ("queue/QueueCommands.cpp", '#include "dialogs/CCommonDialogs.h"'),
            ("queue/ImageQueue.h", '#include "options/SettingsFile.h"'),
            ("options/SettingsFile.cpp", '#include "queue/QueueModel.h"'),
            ("dialogs/CCommonDialogs.cpp", '#include "engine/RunReport.h"'),
            ("engine/CompressionRun.cpp", '#include "app/RunPresenter.h"'),
            ("engine/WorkFiles.cpp", '#include "tests/support/TestFiles.h"'),
            # Relative to the including file, as the compiler finds it first.
            ("platform/NativePath.cpp", '#include "../app/Artwork.h"'),
            # What runs on Qt Core alone takes no GUI header, by module or by class name.
            ("engine/DOSOutputs.cpp", "#include <QWidget>"),
            ("engine/RunReport.h", "#include <QtGui/QImage>"),
            ("queue/QueueModel.cpp", "#include <QPixmap>"),
            ("platform/AtomicFile.cpp", "#include <QApplication>"),
        ]
        for relative, include in cases:
            with self.subTest(file=relative, include=include):
                with scratch_tree(relative, include) as root:
                    result = check(root)
                self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
                self.assertEqual(len(result.stdout.splitlines()), 1, result.stdout)
                where = f"{relative}:{line_count(relative) + 1}:"
                self.assertTrue(result.stdout.startswith(where), result.stdout)

    def test_allowed_includes_pass(self):
        cases = [
            ("app/WindowActions.cpp", '#include "engine/FileHelpers.h"'),
            ("engine/FileHelpers.cpp", '#include "options/NumberConversion.h"'),
            ("queue/ImageQueue.cpp", '#include "platform/Desktop.h"'),
            # The desktop part of platform and the queue's widgets may use widgets.
            ("platform/Desktop.cpp", "#include <QWidget>"),
            ("queue/ImageQueue.cpp", "#include <QPixmap>"),
            # Qt Core classes are fine where only Qt Core is linked.
            ("engine/DOSOutputs.cpp", "#include <QFileInfo>"),
        ]
        for relative, include in cases:
            with self.subTest(file=relative, include=include):
                with scratch_tree(relative, include) as root:
                    result = check(root)
                self.assertEqual(result.returncode, 0, result.stdout + result.stderr)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
