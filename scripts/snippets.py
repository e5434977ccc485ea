#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Keeps the code quoted in the README and the guides identical to the example programs.

In an example, a quoted region lies between the lines `// snippet: NAME` and `// end-snippet`.
In a Markdown file, the line `<!-- snippet: examples/FILE.cpp NAME -->` is followed by a fenced
code block that must hold exactly that region (its common indentation removed).

  scripts/snippets.py --check    fails, listing every quote that differs or names no region
  scripts/snippets.py --update   rewrites the quotes from the examples
"""
import pathlib
import re
import sys
import textwrap

ROOT = pathlib.Path(__file__).resolve().parent.parent
MARKER = re.compile(r"^<!-- snippet: (\S+) (\S+) -->$")
BEGIN = re.compile(r"^\s*// snippet: (\S+)\s*$")
END = re.compile(r"^\s*// end-snippet\s*$")


def regions(path):
    found, name, lines = {}, None, []
    for line in path.read_text().splitlines():
        if name is None:
            match = BEGIN.match(line)
            if match:
                name, lines = match.group(1), []
        elif END.match(line):
            found[name] = textwrap.dedent("\n".join(lines)).strip("\n")
            name = None
        else:
            lines.append(line)
    return found


def process(doc, update):
    """Returns the problems found in one Markdown file; rewrites it when `update` is set."""
    lines = doc.read_text().splitlines()
    problems, out, i = [], [], 0
    while i < len(lines):
        out.append(lines[i])
        match = MARKER.match(lines[i])
        i += 1
        if not match:
            continue
        source, name = ROOT / match.group(1), match.group(2)
        where = f"{doc.relative_to(ROOT)}:{i}"
        wanted = regions(source).get(name) if source.is_file() else None
        if wanted is None:
            problems.append(f"{where}: no snippet '{name}' in {match.group(1)}")
            continue
        if i >= len(lines) or not lines[i].startswith("```"):
            problems.append(f"{where}: the marker is not followed by a code block")
            continue
        end = i + 1
        while end < len(lines) and not lines[end].startswith("```"):
            end += 1
        quoted = "\n".join(lines[i + 1:end])
        if quoted != wanted:
            problems.append(f"{where}: differs from '{name}' in {match.group(1)}")
        out.append(lines[i])
        out.extend(wanted.split("\n") if update else lines[i + 1:end])
        i = end
    if update:
        doc.write_text("\n".join(out) + "\n")
    return problems


def main():
    if len(sys.argv) != 2 or sys.argv[1] not in ("--check", "--update"):
        sys.exit(__doc__)
    update = sys.argv[1] == "--update"
    docs = [ROOT / "README.md"] + sorted((ROOT / "docs").glob("*.md"))
    problems, quotes = [], 0
    for doc in docs:
        if doc.is_file():
            quotes += sum(1 for line in doc.read_text().splitlines() if MARKER.match(line))
            problems += process(doc, update)
    for problem in problems:
        print(problem)
    if problems and not update:
        print(f"{len(problems)} quote(s) differ; run scripts/snippets.py --update", file=sys.stderr)
        sys.exit(1)
    print(f"{quotes} quoted snippets {'rewritten' if update else 'match the examples'}")


if __name__ == "__main__":
    main()
