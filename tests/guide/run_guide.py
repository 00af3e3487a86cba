#!/usr/bin/env python3
"""Runs the commands of the publisher's guide, so that the guide cannot go stale.

Walks the fenced blocks of the guide in document order, in one scratch folder:
  ```sh             the block is run with bash (-e -u -o pipefail) and must succeed
  ```sh fails       the block must end with exit status 1, the tools' "refused" (2 is wrong usage, so
                    a mistyped command in the guide does not pass for a refusal)
  ```<lang> file=P  the block's text is written to the file P (relative to the scratch folder)
Every other block (```bat, ```ini without file=, ```text, ...) is an example that is not run here.
The publisher tools are found first on PATH (--tools); the folders given with --copy NAME=DIR are
copied into the scratch folder first (the release folder the guide talks about).
"""
import argparse
import os
import re
import shutil
import subprocess
import sys

FENCE = re.compile(r"^```(\S*)(.*)$")


def read_blocks(path):
    blocks, lines = [], open(path, encoding="utf-8").read().split("\n")
    i = 0
    while i < len(lines):
        m = FENCE.match(lines[i])
        if not m or not m.group(1):
            i += 1
            continue
        lang, rest, start = m.group(1), m.group(2).split(), i + 1
        body = []
        i += 1
        while i < len(lines) and not lines[i].startswith("```"):
            body.append(lines[i])
            i += 1
        if i == len(lines):
            sys.exit(f"{path}:{start}: fenced block is never closed")
        blocks.append((start, lang, rest, "\n".join(body) + "\n"))
        i += 1
    return blocks


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--guide", required=True)
    ap.add_argument("--tools", required=True, help="folder with mkserver and mkstrings")
    ap.add_argument("--work", required=True, help="scratch folder (made empty first)")
    ap.add_argument("--copy", action="append", default=[], help="NAME=DIR copied to the scratch folder")
    args = ap.parse_args()

    for tool in ("mkserver", "mkstrings"):
        if not os.access(os.path.join(args.tools, tool), os.X_OK):
            sys.exit(f"run_guide: {tool} is not built in {args.tools} (run scripts/build)")
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    for item in args.copy:
        name, _, src = item.partition("=")
        shutil.copytree(src, os.path.join(args.work, name))

    env = dict(os.environ)
    env["PATH"] = os.path.abspath(args.tools) + os.pathsep + env.get("PATH", "")
    ran = written = 0
    for line, lang, rest, body in read_blocks(args.guide):
        target = next((r[5:] for r in rest if r.startswith("file=")), None)
        if target:
            path = os.path.join(args.work, target)
            os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
            with open(path, "w", encoding="utf-8", newline="") as f:
                f.write(body)
            written += 1
            continue
        if lang != "sh":
            continue
        expect_fail = "fails" in rest
        print(f"--- {args.guide}:{line}{' (must fail)' if expect_fail else ''}\n{body}", end="", flush=True)
        rc = subprocess.run(["bash", "-euo", "pipefail", "-c", body], cwd=args.work, env=env).returncode
        if rc != (1 if expect_fail else 0):
            what = (f"ended with exit status {rc}, not 1 (refused)" if expect_fail
                    else f"failed with exit status {rc}")
            sys.exit(f"run_guide: the block at {args.guide}:{line} {what}")
        ran += 1
    if ran == 0:
        sys.exit(f"run_guide: no ```sh block in {args.guide}")
    print(f"run_guide: {ran} command blocks ran as the guide says; {written} files written from the guide")


if __name__ == "__main__":
    main()
