"""trellane-package's folders are its pipeline: request, inputs, runtime, image, then one
installer. Each stage includes only itself and the stages before it (and support/, which
includes no stage); the installers are siblings that include none of each other's headers, and
only installers/installer_choice knows them all. Read from the sources' #include lines."""
import os
import re
import tempfile
import unittest
from typing import Dict, List

PACKAGE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "..",
                       "tools", "package")
STAGES = ["request", "inputs", "runtime", "image", "installers"]
CHOICE = "installers/installer_choice"
INCLUDE = re.compile(r'^[ \t]*#[ \t]*include[ \t]*"package/([^"]+)"', re.M)


def place(relative: str):
    """(stage, installer) of a path under tools/package/: ("image", ""), ("installers", "msi"),
    ("support", ""), or ("", "") for the command and the pipeline at the top."""
    parts = relative.split("/")
    if len(parts) == 1:
        return "", ""
    installer = parts[1] if parts[0] == "installers" and len(parts) > 2 else ""
    return parts[0], installer


def fault(relative: str, header: str) -> str:
    """Why relative may not include package/header; empty when it may."""
    stage, installer = place(relative)
    included, included_installer = place(header)
    if stage == "":  # the command and the pipeline see every stage
        return ""
    if stage == "support":
        return "" if included == "support" else "support/ serves every stage and includes none"
    if included == "support":
        return ""
    if stage not in STAGES or included not in STAGES:
        return "every folder of tools/package/ is a stage of the pipeline or support/"
    if STAGES.index(included) > STAGES.index(stage):
        return f"{stage}/ comes before {included}/ in the pipeline and cannot know it"
    if included_installer and included_installer != installer and \
            not relative.startswith(CHOICE + "."):
        if installer:
            return f"installers/{installer}/ includes no other installer's headers; " \
                   "move what both need to installers/"
        return "installers/ holds what every installer shares and knows none of them " \
               f"(only {CHOICE} does)"
    return ""


def faults(root: str) -> List[str]:
    found = []
    for folder, _, files in os.walk(root):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(folder, name)
            relative = os.path.relpath(path, root).replace(os.sep, "/")
            with open(path, encoding="utf-8") as source:
                for header in INCLUDE.findall(source.read()):
                    why = fault(relative, header)
                    if why:
                        found.append(f"{relative} includes package/{header}: {why}")
    return found


class PipelineIncludes(unittest.TestCase):
    def test_the_sources_keep_the_pipeline(self):
        self.assertTrue(os.path.isdir(os.path.join(PACKAGE, "installers")), PACKAGE)
        self.assertEqual(faults(PACKAGE), [])

    def test_a_tree_that_breaks_it_is_caught(self):
        tree: Dict[str, str] = {
            "pipeline.cpp": "installers/installer_choice.h",
            "request/command_line.cpp": "support/progress.h",
            "inputs/app_input.cpp": "request/package_request.h",
            "runtime/jdk_tools.cpp": "inputs/jar_file.h",
            "image/image_builder.cpp": "runtime/jdk_tools.h",
            "installers/installer_choice.cpp": "installers/deb/deb_installer.h",
            "installers/msi/msi_installer.cpp": "installers/installer.h",
            "installers/deb/deb_names.h": "installers/deb/deb_control.h",
            # Each of these breaks it.
            "image/image_plan.h": "installers/deb/deb_names.h",
            "request/package_type.cpp": "installers/installer.h",
            "inputs/jar_file.cpp": "image/image_output.h",
            "runtime/runtime_check.h": "installers/msi/msi_request.h",
            "installers/msi/msi_source.cpp": "installers/deb/deb_control.h",
            "installers/desktop_entries.cpp": "installers/msi/msi_guid.h",
            "support/file_tree.cpp": "request/package_request.h",
        }
        with tempfile.TemporaryDirectory() as root:
            for relative, header in tree.items():
                os.makedirs(os.path.dirname(os.path.join(root, relative)), exist_ok=True)
                with open(os.path.join(root, relative), "w", encoding="utf-8") as source:
                    source.write(f'#include <string>\n\n#include "package/{header}"\n')
            found = [line.split(" ")[0] for line in faults(root)]
        self.assertEqual(sorted(found), sorted([
            "image/image_plan.h", "request/package_type.cpp", "inputs/jar_file.cpp",
            "runtime/runtime_check.h", "installers/msi/msi_source.cpp",
            "installers/desktop_entries.cpp", "support/file_tree.cpp"]))


if __name__ == "__main__":
    unittest.main()
