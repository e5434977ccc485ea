#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Turns the `//` contracts of the public headers into `///` comments that Doxygen reads.

  scripts/doxy-comments.py [HEADER ...]     (default: include/vesk/*.h), rewritten in place

- the comment block that opens a header becomes its `/// @file` description;
- a `//` block directly above a declaration (or a macro) becomes that declaration's `///` block;
  a block followed by a blank line (a section heading) stays as it is;
- a block above several overloads of one function in a row (never constructors, destructors or
  operators) makes them one member group (`///@{` ... `///@}`), whose documentation Doxygen gives to every member;
- a trailing `// text` after a member or enumerator becomes `///< text`;
- comments inside inline function bodies and `#endif`/`}` closing comments stay as they are.
Running it again changes nothing.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
TRAILING = re.compile(r"^(?P<code>\s*[^/#}\s][^/]*?[;,])(?P<gap>\s+)//(?!/)\s?(?P<text>.*)$")
# Constructors, destructors, operators and deleted or defaulted members are never grouped: the
# comment above them speaks of one of them only.
SPECIAL = re.compile(r"operator|~|= *delete|= *default|^(explicit\s+)?[A-Za-z_]\w*\(")
SCOPE_WORDS = re.compile(r"\b(class|struct|enum|namespace|extern|union)\b")


def is_plain_comment(line):
    stripped = line.strip()
    return stripped.startswith("//") and not stripped.startswith("///") and "SPDX" not in stripped


def group_end(lines, start):
    """The end of a run of two or more plain declarations from `start`, or None."""
    statements, names, k = 0, set(), start
    while k < len(lines):
        code = lines[k].strip()
        if not code or code.startswith(("//", "}", "#", "public:", "private:", "protected:")):
            break
        if "{" in code or "///@" in code or SPECIAL.search(code):
            return None
        name = re.search(r"(\w+)\s*\(", code)
        if name:
            names.add(name.group(1))
        if code.endswith(";"):
            statements += 1
        k += 1
    return k if statements >= 2 and len(names) == 1 else None


def convert(lines):
    out = []
    depth_kinds = []  # one entry per open brace: "body" or "scope"
    i, seen_guard = 0, False
    while i < len(lines):
        line = lines[i]
        in_body = "body" in depth_kinds
        if is_plain_comment(line) and not in_body:
            j = i
            while j < len(lines) and is_plain_comment(lines[j]):
                j += 1
            following = lines[j].strip() if j < len(lines) else ""
            block = lines[i:j]
            if not seen_guard and following == "" or following.startswith("#ifndef"):
                if not seen_guard:
                    indent = ""
                    out.append("/// @file")
                    out += [re.sub(r"^(\s*)//", r"\1///", l, count=1) for l in block]
                    i = j
                    continue
            if following and not following.startswith(("#endif", "#include", "}", "public:",
                                                        "private:", "protected:")):
                converted = [re.sub(r"^(\s*)//", r"\1///", l, count=1) for l in block]
                end = group_end(lines, j)
                if end is None:
                    out += converted
                else:
                    indent = re.match(r"^\s*", block[0]).group(0)
                    out += [indent + "///@{"] + converted + lines[j:end] + [indent + "///@}"]
                    i = end
                    continue
            else:
                out += block
            i = j
            continue
        if line.startswith("#ifndef"):
            seen_guard = True
        match = TRAILING.match(line)
        if match and not in_body and "(" not in match.group("code").replace("alignas(", ""):
            line = "%s%s///< %s" % (match.group("code"), match.group("gap"), match.group("text"))
        out.append(line)
        code = line.split("//", 1)[0]
        for ch in code:
            if ch == "{":
                opener = code[:code.index("{")] + " ".join(lines[max(0, i - 2):i])
                kind = "scope" if SCOPE_WORDS.search(code) or ")" not in code and \
                    not code.strip().startswith(":") else "body"
                if ")" in code and SCOPE_WORDS.search(code.split("(")[0]) is None:
                    kind = "body"
                depth_kinds.append(kind)
            elif ch == "}" and depth_kinds:
                depth_kinds.pop()
        i += 1
    return out


def main():
    headers = [pathlib.Path(p) for p in sys.argv[1:]] or sorted((ROOT / "include/vesk").glob("*.h"))
    for header in headers:
        text = header.read_text()
        new = "\n".join(convert(text.split("\n")))
        if new != text:
            header.write_text(new)
            print("converted", header)


if __name__ == "__main__":
    main()
