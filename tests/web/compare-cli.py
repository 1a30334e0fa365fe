#!/usr/bin/env python3
"""Checks that two builds of pictorel-cli behave identically over the picture corpus.

    tests/web/compare-cli.py --native build/pictorel-cli \
        --web "node --no-experimental-fetch build-web/pictorel-cli.js"

Every picture file of the corpus (the main folders and modern/) goes through `info`, `convert`,
`shrink --jobs 1` and a few `edit` command mixes, each run once per side in its own temporary
folder; the whole corpus is also shrunk in one batch. A case passes when both sides exit with
the same status, print the same stdout and stderr (the temporary folder's path replaced by
"<tmp>") and leave byte-identical files behind. Prints each difference, then
"N passed, M failed"; exits 1 on any difference, 0 (with a message) when the corpus is absent.

The web side is a command prefix: the browser module built with NODERAWFS reads and writes the
real file system, so both sides are handed the same absolute paths. Two native builds compare
the same way, to check that a change meant to keep every output keeps it:

    tests/web/compare-cli.py --native old/pictorel-cli --web new/pictorel-cli
"""

import argparse
import concurrent.futures
import difflib
import hashlib
import os
import shlex
import shutil
import subprocess
import sys
import tempfile
from dataclasses import dataclass, field
from pathlib import Path

# Files of the corpus that are not pictures to feed the program: its descriptions, the script
# that made the crafted files, and modern/ref (decoded reference pictures, not inputs).
CORPUS_SKIPPED_NAMES = {"README.md", "manifest.tsv", "make_crafted.py"}
CORPUS_SKIPPED_FOLDERS = {Path("modern/ref")}

# Editing sessions as a user makes them: a crop with the common corrections saved as JPEG;
# turns, moves and a marker with an undone step saved as PNG; effects with zoom saved as PPM.
EDIT_MIXES = {
    "edit-crop": ("out.jpg", ["--crop", "100,50,300", "--rotate", "--brighter", "--sharpen"]),
    "edit-turn": (
        "out.png",
        ["--turn-left", "--grow", "30", "--move", "20,-10", "--darker", "--darker", "--undo",
         "--marker", "60,60,48"],
    ),
    "edit-effects": (
        "out.ppm",
        ["--effect", "sketch", "--shrink", "20", "--turn-right", "--effect", "grayscale"],
    ),
}

TMP = "{tmp}"  # stands for a side's own temporary folder in a case's arguments


@dataclass
class Case:
    name: str
    args: list  # arguments after the program, TMP standing for the side's folder
    inputs: list = field(default_factory=list)  # (source file, path relative to the folder)
    # False for a picture whose decoded pixels the corpus declares library-specific (libjpeg's
    # recovery from corrupt scan data): statuses, messages and the files written are compared,
    # not their bytes.
    pixels_compared: bool = True


@dataclass
class Outcome:
    status: object  # exit status, or a string saying why there is none
    stdout: bytes
    stderr: bytes
    files: dict  # path relative to the folder -> SHA-256 of its bytes, None for a folder


def picture_files(corpus):
    files = []
    for path in sorted(corpus.rglob("*")):
        relative = path.relative_to(corpus)
        if not path.is_file() or path.name in CORPUS_SKIPPED_NAMES:
            continue
        if any(folder in relative.parents for folder in CORPUS_SKIPPED_FOLDERS):
            continue
        files.append(path)
    return files


def library_specific_pictures(corpus):
    """Corpus files whose manifest notes say their pixels are specific to the decoding library."""
    manifest = corpus / "manifest.tsv"
    if not manifest.is_file():
        return set()
    specific = set()
    for line in manifest.read_text(encoding="utf-8").splitlines()[1:]:
        columns = line.split("\t")
        if columns and "library-specific" in columns[-1]:
            specific.add(columns[0])
    return specific


def cases_for(corpus):
    cases = [Case("version", ["--version"]), Case("help", ["--help"])]
    specific = library_specific_pictures(corpus)
    for picture in picture_files(corpus):
        label = str(picture.relative_to(corpus))
        pixels = label not in specific
        cases.append(Case(f"info {label}", ["info", str(picture)]))
        cases.append(Case(f"convert {label}", ["convert", str(picture), f"{TMP}/out.png"],
                          pixels_compared=pixels))
        # shrink writes beside its input: each side shrinks its own copy.
        copy = f"in/{picture.name}"
        cases.append(
            Case(f"shrink {label}",
                 ["shrink", "--jobs", "1", "--base", f"{TMP}/base", f"{TMP}/{copy}"],
                 [(picture, copy)], pixels_compared=pixels))
        for mix, (out_name, commands) in EDIT_MIXES.items():
            cases.append(Case(f"{mix} {label}", ["edit", str(picture), f"{TMP}/{out_name}"] + commands,
                              pixels_compared=pixels))
    # The batch leaves the library-specific pictures out: each is compared on its own above.
    batch = [(picture, f"corpus/{picture.relative_to(corpus)}") for picture in picture_files(corpus)
             if str(picture.relative_to(corpus)) not in specific]
    cases.append(
        Case("shrink whole corpus",
             ["shrink", "--jobs", "1", "--base", f"{TMP}/base", f"{TMP}/corpus"], batch))
    return cases


def file_digests(folder):
    digests = {}
    for path in sorted(folder.rglob("*")):
        relative = str(path.relative_to(folder))
        if path.is_dir():
            digests[relative] = None
        else:
            digests[relative] = hashlib.sha256(path.read_bytes()).hexdigest()
    return digests


def run_side(command, case, folder, timeout):
    folder.mkdir(parents=True)
    (folder / "base").mkdir()
    for source, relative in case.inputs:
        target = folder / relative
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(source, target)  # a plain copy: the corpus itself is read-only
    args = [arg.replace(TMP, str(folder)) for arg in case.args]
    try:
        done = subprocess.run(command + args, cwd=folder, capture_output=True, timeout=timeout)
        status, stdout, stderr = done.returncode, done.stdout, done.stderr
    except subprocess.TimeoutExpired as timed_out:
        status = f"no exit within {timeout} s"
        stdout, stderr = timed_out.stdout or b"", timed_out.stderr or b""
    except OSError as error:
        status, stdout, stderr = f"could not start: {error}", b"", b""
    marker = str(folder).encode()
    return Outcome(status, stdout.replace(marker, b"<tmp>"), stderr.replace(marker, b"<tmp>"),
                   file_digests(folder))


def text_difference(label, native, web, limit=12):
    lines = list(difflib.unified_diff(
        native.decode("utf-8", "replace").splitlines(), web.decode("utf-8", "replace").splitlines(),
        f"native {label}", f"web {label}", lineterm="", n=1))
    if len(lines) > limit:
        lines = lines[:limit] + [f"... ({len(lines) - limit} more lines)"]
    return "\n".join("      " + line for line in lines)


def first_difference(native_path, web_path):
    native, web = native_path.read_bytes(), web_path.read_bytes()
    offset = next((i for i, (a, b) in enumerate(zip(native, web)) if a != b), min(len(native), len(web)))
    return f"sizes {len(native)} and {len(web)}, first difference at byte {offset}"


def differences(native, web, native_folder, web_folder, pixels_compared=True):
    found = []
    if native.status != web.status:
        found.append(f"exit status: native {native.status}, web {web.status}")
    for label, a, b in (("stdout", native.stdout, web.stdout), ("stderr", native.stderr, web.stderr)):
        if a != b:
            found.append(f"{label} differs:\n{text_difference(label, a, b)}")
    for path in sorted(set(native.files) | set(web.files)):
        if path not in web.files:
            found.append(f"only native wrote {path}")
        elif path not in native.files:
            found.append(f"only web wrote {path}")
        elif native.files[path] != web.files[path] and pixels_compared:
            found.append(f"{path} differs: {first_difference(native_folder / path, web_folder / path)}")
    return found


def compare(case, index, options, work):
    folders = work / f"case{index}" / "native", work / f"case{index}" / "web"
    native = run_side(options.native_command, case, folders[0], options.timeout)
    web = run_side(options.web_command, case, folders[1], options.timeout)
    found = differences(native, web, *folders, pixels_compared=case.pixels_compared)
    if not found or not options.keep:
        shutil.rmtree(work / f"case{index}")
    return found


def default_corpus():
    # The test programs find the corpus beside the checkout; PICTOREL_TESTDATA overrides it.
    if os.environ.get("PICTOREL_TESTDATA"):
        return Path(os.environ["PICTOREL_TESTDATA"])
    return Path(__file__).resolve().parents[3] / "shared" / "testdata"


def parse_options():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--native", required=True, help="the native pictorel-cli")
    parser.add_argument("--web", required=True,
                        help='command prefix running the other build, e.g. "node '
                             '--no-experimental-fetch build-web/pictorel-cli.js"')
    parser.add_argument("--corpus", type=Path, default=default_corpus(),
                        help="picture corpus (default: $PICTOREL_TESTDATA, else ../shared/testdata)")
    parser.add_argument("--jobs", type=int, default=2, help="cases run side by side (default 2)")
    parser.add_argument("--timeout", type=int, default=600, help="seconds a run may take")
    parser.add_argument("--only", default="", help="run only cases whose name contains this")
    parser.add_argument("--keep", action="store_true",
                        help="keep the folders of differing cases and print where they are")
    options = parser.parse_args()
    options.native_command = [str(Path(options.native).resolve())]
    # Runs happen inside the case folders: a relative script path such as
    # build-web/pictorel-cli.js is made absolute here, where it was meant.
    options.web_command = [
        str(Path(word).resolve()) if "/" in word and not word.startswith("-") and Path(word).exists()
        else word
        for word in shlex.split(options.web)
    ]
    if not options.web_command:
        parser.error("--web is empty")
    if not os.access(options.native_command[0], os.X_OK):
        parser.error(f"{options.native_command[0]}: not an executable program")
    options.jobs = max(1, options.jobs)
    return options


def main():
    options = parse_options()
    if not options.corpus.is_dir():
        print(f"compare-cli: skipped: no picture corpus at {options.corpus}")
        return 0
    cases = [case for case in cases_for(options.corpus.resolve()) if options.only in case.name]
    if not cases:
        print(f"compare-cli: no case matches {options.only!r}", file=sys.stderr)
        return 1
    work = Path(tempfile.mkdtemp(prefix="compare-cli-")).resolve()
    failed = 0
    with concurrent.futures.ThreadPoolExecutor(options.jobs) as pool:
        futures = [pool.submit(compare, case, i, options, work) for i, case in enumerate(cases)]
        for index, (case, future) in enumerate(zip(cases, futures)):
            found = future.result()
            if found:
                failed += 1
                kept = f" (kept in {work / f'case{index}'})" if options.keep else ""
                print(f"FAIL {case.name}{kept}")
                for difference in found:
                    print(f"    {difference}")
                sys.stdout.flush()
    if failed == 0 or not options.keep:
        shutil.rmtree(work, ignore_errors=True)
    unchecked = sum(1 for case in cases if not case.pixels_compared)
    note = f" ({unchecked} of them without comparing library-specific pixels)" if unchecked else ""
    print(f"{len(cases) - failed} passed{note}, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
