#!/usr/bin/env python3
"""Checks the shape docs/architecture.md asks of the product code: no file over 400 lines, no
function over 80 (tables of data aside), no folder of more than 15 source files, and no include
that climbs out of a layer's folder ("../"), which would get round the layering the build
enforces. Prints one line per breach and exits 1 when there is any.

    scripts/check_structure.py [SOURCE_DIR]
"""
import os
import re
import sys

PRODUCT_FOLDERS = ["core", "ui", "app", "cli"]
MAX_FILE_LINES = 400
MAX_FUNCTION_LINES = 80
MAX_FOLDER_FILES = 15
SOURCE_ENDINGS = (".h", ".cpp")

# A line that opens a function body: a parameter list's closing parenthesis (with qualifiers,
# an initialiser list or a trailing return type after it) and the brace at its end. Control
# statements, lambdas and initialised data are not functions.
NOT_FUNCTION = re.compile(r"^\s*(if|else|for|while|switch|do|try|catch|return|case)\b|[=\[]\s*[^)]*$")
SIGNATURE_END = re.compile(r"\)\s*(const|override|final|noexcept|->\s*[\w:<>, *&]+|\s)*\{\s*$")


def strip_strings_and_comments(line, in_block_comment):
    out = []
    i = 0
    while i < len(line):
        if in_block_comment:
            end = line.find("*/", i)
            if end < 0:
                return "".join(out), True
            i = end + 2
            in_block_comment = False
        elif line.startswith("//", i):
            break
        elif line.startswith("/*", i):
            in_block_comment = True
            i += 2
        elif line[i] in "\"'":
            quote = line[i]
            i += 1
            while i < len(line) and line[i] != quote:
                i += 2 if line[i] == "\\" else 1
            i += 1
            out.append(quote + quote)
        else:
            out.append(line[i])
            i += 1
    return "".join(out), in_block_comment


def long_functions(path, lines):
    """(first line, length) of every function body longer than the limit."""
    found = []
    depth = 0
    in_block_comment = False
    opened = []  # (depth before the brace, first line, is a function)
    signature = ""
    for number, raw in enumerate(lines, 1):
        code, in_block_comment = strip_strings_and_comments(raw, in_block_comment)
        stripped = code.strip()
        if stripped.startswith("#"):
            continue
        signature = (signature + " " + stripped).strip() if stripped else signature
        for index, char in enumerate(code):
            if char == "{":
                head = signature if index == len(code.rstrip()) - 1 else ""
                in_function = any(f for _, _, f in opened)
                is_function = (not in_function and bool(SIGNATURE_END.search(head)) and
                               not NOT_FUNCTION.search(head.split(";")[-1]))
                opened.append((depth, number, is_function))
                depth += 1
            elif char == "}":
                depth -= 1
                if opened:
                    _, first, is_function = opened.pop()
                    length = number - first + 1
                    if is_function and length > MAX_FUNCTION_LINES:
                        found.append((first, length))
        if stripped.endswith((";", "{", "}")) or stripped.startswith("#") or not stripped:
            signature = ""
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    breaches = []
    for top in PRODUCT_FOLDERS:
        for folder, _, names in os.walk(os.path.join(root, top)):
            sources = sorted(n for n in names if n.endswith(SOURCE_ENDINGS))
            shown = os.path.relpath(folder, root)
            if len(sources) > MAX_FOLDER_FILES:
                breaches.append(f"{shown}: {len(sources)} source files (at most {MAX_FOLDER_FILES})")
            for name in sources:
                path = os.path.join(folder, name)
                shown_path = os.path.relpath(path, root)
                with open(path, encoding="utf-8", errors="replace") as f:
                    lines = f.read().split("\n")
                if lines and lines[-1] == "":
                    lines.pop()
                if len(lines) > MAX_FILE_LINES:
                    breaches.append(f"{shown_path}: {len(lines)} lines (at most {MAX_FILE_LINES})")
                for first, length in long_functions(path, lines):
                    breaches.append(f"{shown_path}:{first}: a function of {length} lines "
                                    f"(at most {MAX_FUNCTION_LINES})")
                for number, line in enumerate(lines, 1):
                    if re.match(r'\s*#\s*include\s*"\.\./', line):
                        breaches.append(f"{shown_path}:{number}: an include that climbs out of "
                                        "its folder")
    for breach in breaches:
        print(breach)
    return 1 if breaches else 0


if __name__ == "__main__":
    sys.exit(main())
