#!/usr/bin/env python3
"""The layering check refuses includes that climb the layer order."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_layers  # noqa: E402


class CheckLayersTest(unittest.TestCase):
    def tree(self, files):
        """A temporary source folder with `files` ({path: text}); returns the problems found."""
        with tempfile.TemporaryDirectory() as root:
            for path, text in files.items():
                full = os.path.join(root, path)
                os.makedirs(os.path.dirname(full), exist_ok=True)
                with open(full, "w", encoding="utf-8") as out:
                    out.write(text)
            return check_layers.check(root)

    def test_downward_and_own_folder_includes_pass(self):
        self.assertEqual(self.tree({
            "base/Errors.h": "#pragma once\n",
            "imaging/Bitmap.h": '#include "base/Errors.h"\n#include <vector>\n',
            "workflow/Run.cpp": '#include "imaging/Bitmap.h"\n#include "workflow/Run.h"\n',
            "workflow/Run.h": "",
            "workflow/ui/Window.h": '#include "workflow/Run.h"\n#include "app/ui/Base.h"\n',
            "app/ui/Base.h": '#include "base/Errors.h"\n',
            "desktop/main.cpp": '#include "workflow/ui/Window.h"\n',
            "cli/main.cpp": '#include "workflow/Run.h"\n',
        }), [])

    def test_upward_include_fails(self):
        problems = self.tree({
            "base/Errors.h": '#include "imaging/Bitmap.h"\n',
            "imaging/Bitmap.h": "",
            "formats/Reader.cpp": '\n  #  include "app/Settings.h"\n',
            "app/Settings.h": "",
        })
        self.assertEqual(len(problems), 2, problems)
        self.assertIn("base/Errors.h:1", problems[0] + problems[1])
        self.assertIn("formats/Reader.cpp:2", problems[0] + problems[1])

    def test_core_cannot_reach_windows_and_cli_cannot_reach_windows_or_desktop(self):
        problems = self.tree({
            "editor/Model.cpp": '#include "editor/ui/Window.h"\n',
            "editor/ui/Window.h": "",
            "cli/Shrink.cpp": '#include "editor/ui/Window.h"\n#include "desktop/Start.h"\n',
            "desktop/Start.h": "",
            "desktop/main.cpp": '#include "cli/Shrink.h"\n',
            "cli/Shrink.h": "",
        })
        self.assertEqual(len(problems), 4, problems)

    def test_unknown_and_missing_targets_fail(self):
        problems = self.tree({
            "imaging/Bitmap.cpp": '#include "Bitmap.h"\n#include "imaging/Gone.h"\n',
            "stray/Loose.h": "",
        })
        self.assertEqual(len(problems), 3, problems)


if __name__ == "__main__":
    unittest.main()
