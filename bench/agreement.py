#!/usr/bin/env python3
"""How far Tintext's comments and strings agree with Pygments' on real files.

For each file, Tintext (the built program) and Pygments (Debian's
/usr/bin/pygmentize, run as a program of its own) both convert the text; every
character is then a comment, a string or other code in each. Printed per
language: of the characters Pygments marks as comment (string), the share
Tintext marks so too, and the reverse, over all files; with --show N, the N
lines that differ most, each with both readings, to judge which one is wrong.

  bench/agreement.py --hld hld/c.hld --lexer c [--ext .h] [--limit 200] FOLDER...
  bench/agreement.py --all       # every language with files on this machine

Tintext's classes: cm is comment; st, es (an escape, except in a regular
expression) and av (an attribute value) are string, except code inside a
string (${x}, f"{x}"). Pygments' token types: Comment.* is comment, except Comment.Preproc (a whole directive line in C;
in Perl it is the text after __END__, and in reST a comment: both count as comment),
and Comment.PreprocFile (the file name after #include) is string;
Literal.String.* is string, except String.Interpol (the ${ } and { } around
code in a string). Regular expressions count as neither in both.
"""
import argparse
import ast
import os
import re
import subprocess
import sys
import tempfile

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PYGMENTIZE = "/usr/bin/pygmentize"

# name, definition, Pygments lexer, folders, extensions (or "#!" and a shebang)
KINDS = [
    ("C", "c.hld", "c", ["/usr/include"], [".h"]),
    ("C++", "cpp.hld", "cpp", ["/usr/include/c++", "/usr/include/gtest", "/usr/include/benchmark"], [".h", ".hpp", ".tcc"]),
    ("Python", "py.hld", "python", ["/usr/lib/python3.11", "/usr/lib/python3/dist-packages"], [".py"]),
    ("Shell", "sh.hld", "bash", ["/usr/bin", "/usr/sbin", "/usr/share"], ["#!/bin/sh", "#!/bin/bash", ".sh"]),
    ("JavaScript", "js.hld", "javascript", ["/usr/share/javascript", "/usr/share/nodejs", "/usr/lib/node_modules"], [".js"]),
    ("CSS", "css.hld", "css", ["/usr/share/javascript", "/usr/share/doc", "/usr/share/nodejs"], [".css"]),
    ("HTML", "asp.hld", "html", ["/usr/share/doc", "/usr/share/javascript"], [".html", ".htm"]),
    ("XML", "xml.hld", "xml", ["/usr/share/mime", "/usr/share/xml", "/etc", "/usr/share/dbus-1"], [".xml"]),
    ("JSON", "json.hld", "json", ["/usr/share", "/usr/lib"], [".json"]),
    ("YAML", "yaml.hld", "yaml", ["/usr/share", "/usr/lib", "/etc"], [".yaml", ".yml"]),
    ("INI", "ini.hld", "ini", ["/usr/share", "/etc", "/usr/lib"], [".ini", ".desktop"]),
    ("SQL", "sql.hld", "sql", ["/usr/share"], [".sql"]),
    ("Java", "java.hld", "java", ["/usr/share", "/usr/lib"], [".java"]),
    ("C#", "cs.hld", "csharp", ["/usr/share", "/usr/lib"], [".cs"]),
    ("TypeScript", "ts.hld", "typescript", ["/usr/share", "/usr/lib"], [".ts"]),
    ("PowerShell", "ps1.hld", "powershell", ["/usr/share", "/usr/lib"], [".ps1"]),
    ("Batch", "bat.hld", "batch", ["/usr/share", "/usr/lib"], [".bat", ".cmd"]),
    ("VBScript", "vbs.hld", "vbscript", ["/usr/share", "/usr/lib"], [".vbs"]),
    ("Perl", "pl.hld", "perl", ["/usr/share/perl5", "/usr/share/perl"], [".pm", ".pl"]),
    ("CMake", "cmake.hld", "cmake", ["/usr/share/cmake-3.25", "/usr/lib"], [".cmake", "CMakeLists.txt"]),
    ("Makefile", "mk.hld", "make", ["/usr/share", "/usr/lib"], ["Makefile", ".mk"]),
    ("Tcl", "tcl.hld", "tcl", ["/usr/share/tcltk", "/usr/lib/tcl8.6", "/usr/share"], [".tcl"]),
    ("Markdown", "md.hld", "markdown", ["/usr/share/doc", "/usr/share", "/usr/lib"], [".md"]),
    ("reST", "rst.hld", "rst", ["/usr/share", "/usr/lib"], [".rst"]),
    ("PHP", "php.hld", "php", ["/usr/share", "/usr/lib"], [".php"]),
    ("Fortran 77", "f.hld", "fortranfixed", ["/usr/share", "/usr/lib"], [".f", ".for"]),
]

ENTITIES = {"amp": "&", "lt": "<", "gt": ">", "nbsp": " ", "quot": '"', "apos": "'"}


def tintext_categories(html):
    """The text of a page and per character 'c' (comment), 's' (string) or '.'."""
    start = html.find(">", html.find("<pre")) + 1
    end = html.rfind("</pre>")
    body = html[start:end]
    text, cats, stack = [], [], []

    def current():
        escape = False
        for cls in reversed(stack):
            if cls == "es":  # an escape is of what holds it: a string's, or a pattern's
                escape = True
                continue
            if cls == "cm":
                return "c"
            if cls in ("st", "av"):
                return "s"
            if cls == "re":  # a pattern's escape is code, as the pattern is
                return "."
            if cls:
                return "s" if escape else "."
        return "s" if escape else "."

    for m in re.finditer(r"<(/?)(\w+)([^>]*)>|&(#x[0-9a-fA-F]+|#\d+|\w+);|([^<&]+|[<&])", body):
        if m.group(2):
            if m.group(2) == "span":
                if m.group(1):
                    if stack:
                        stack.pop()
                else:
                    cls = re.search(r'class="([^"]*)"', m.group(3))
                    stack.append(cls.group(1).split()[-1] if cls else "")
            continue
        if m.group(4):
            name = m.group(4)
            ch = chr(int(name[2:], 16)) if name.startswith("#x") else chr(int(name[1:])) if name.startswith("#") else ENTITIES.get(name, "&" + name + ";")
            piece = ch
        else:
            piece = m.group(5)
        text.append(piece)
        cats.append(current() * len(piece))
    return "".join(text), "".join(cats)


# Lexers whose Comment.Preproc is not a directive: Perl's is the text after
# __END__ or __DATA__ (documentation or data), a comment to the reader;
# reST's is a comment (".. " and its indented lines).
PREPROC_IS_COMMENT = {"perl", "rst"}
# Lexers whose String.Doc is a documentation comment (PHP's /** */, PowerShell's
# .Parameter inside <# #>), not a docstring.
DOC_IS_COMMENT = {"php", "powershell"}


def pygments_categories(path, lexer):
    out = subprocess.run([PYGMENTIZE, "-l", lexer, "-f", "raw", "-O", "stripnl=False,stripall=False,ensurenl=False,encoding=utf-8", path],
                         capture_output=True, check=True).stdout.decode("utf-8")
    text, cats = [], []
    for line in out.split("\n"):
        if not line:
            continue
        token, _, value = line.partition("\t")
        piece = ast.literal_eval(value)
        if token == "Token.Comment.PreprocFile":  # the name after #include
            cat = "s"
        elif (token.startswith("Token.Comment") and (token != "Token.Comment.Preproc" or lexer in PREPROC_IS_COMMENT)) or (
                token == "Token.Literal.String.Doc" and lexer in DOC_IS_COMMENT):
            cat = "c"
        elif token.startswith("Token.Literal.String") and token not in ("Token.Literal.String.Regex", "Token.Literal.String.Interpol"):
            cat = "s"
        else:
            cat = "."
        text.append(piece)
        cats.append(cat * len(piece))
    return "".join(text), "".join(cats)


def normalised(text, cats):
    """Line breaks as Pygments reads them: CR LF and a lone CR become LF."""
    out_t, out_c, i = [], [], 0
    while i < len(text):
        if text[i] == "\r":
            if i + 1 < len(text) and text[i + 1] == "\n":
                i += 1
                continue
            out_t.append("\n")
        else:
            out_t.append(text[i])
        out_c.append(cats[i])
        i += 1
    return "".join(out_t), "".join(out_c)


def collect(folders, extensions, limit, largest=256 * 1024):
    files = []
    shebangs = [e for e in extensions if e.startswith("#!")]
    suffixes = tuple(e for e in extensions if not e.startswith("#!"))
    for folder in folders:
        for root, dirs, names in os.walk(folder):
            dirs.sort()
            for name in sorted(names):
                path = os.path.join(root, name)
                try:
                    if not os.path.isfile(path) or os.path.islink(path):
                        continue
                    size = os.path.getsize(path)
                    if size == 0 or size > largest:
                        continue
                    if suffixes and name.endswith(suffixes):
                        files.append(path)
                    elif shebangs:
                        with open(path, "rb") as f:
                            first = f.readline(100)
                        if any(first.startswith(s.encode()) for s in shebangs):
                            files.append(path)
                except OSError:
                    continue
            if len(files) >= 20 * limit:
                break
    files = sorted(set(files))
    if len(files) > limit:  # an even spread over what was found
        files = [files[k * len(files) // limit] for k in range(limit)]
    return files


def compare(name, hld, lexer, files, tintext, show):
    counts = {"c": [0, 0, 0], "s": [0, 0, 0]}  # pygments, tintext, both
    lines = []
    used = skipped = 0
    with tempfile.TemporaryDirectory() as work:
        env = dict(os.environ, TINTEXT_REGISTRY_DIR=os.path.join(work, "registry"))
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        for path in files:
            try:
                source = open(path, "rb").read().decode("utf-8")
            except (OSError, UnicodeDecodeError):
                skipped += 1
                continue
            page = os.path.join(work, "page.htm")
            run = subprocess.run([tintext, "/in=" + path, "/out=" + page, "/hld=" + hld, "/overwrite=1", "/showoutput=0"],
                                 capture_output=True, env=env)
            if run.returncode != 0 or not os.path.exists(page):
                skipped += 1
                continue
            t_text, t_cats = tintext_categories(open(page, encoding="utf-8").read())
            try:
                p_text, p_cats = pygments_categories(path, lexer)
            except subprocess.CalledProcessError:
                skipped += 1
                continue
            t_text, t_cats = normalised(t_text, t_cats)
            src, _ = normalised(source, "." * len(source))
            if t_text != src or p_text != src:
                skipped += 1
                continue
            used += 1
            for cat in "cs":
                for p, t in zip(p_cats, t_cats):
                    if p == cat:
                        counts[cat][0] += 1
                    if t == cat:
                        counts[cat][1] += 1
                    if p == cat and t == cat:
                        counts[cat][2] += 1
            if show:
                offset = 0
                for number, line in enumerate(src.split("\n"), 1):
                    pc, tc = p_cats[offset:offset + len(line)], t_cats[offset:offset + len(line)]
                    differ = sum(1 for a, b in zip(pc, tc) if a != b)
                    if differ:
                        lines.append((differ, path, number, line, pc, tc))
                    offset += len(line) + 1

    def share(part, whole):
        return "%6.2f%%" % (100.0 * part / whole) if whole else "     -"

    c, s = counts["c"], counts["s"]
    print("%-11s %5d files %8d/%-8d comment chars (P/T): %s of P's in T, %s of T's in P; %8d/%-8d string chars: %s of P's in T, %s of T's in P"
          % (name, used, c[0], c[1], share(c[2], c[0]), share(c[2], c[1]), s[0], s[1], share(s[2], s[0]), share(s[2], s[1])))
    if skipped:
        print("%-11s %5d files passed over (not UTF-8, or a program failed or changed the text)" % ("", skipped))
    for differ, path, number, line, pc, tc in sorted(lines, key=lambda x: -x[0])[:show]:
        print("  %s:%d: %s" % (path, number, line[:160]))
        print("    Pygments %s" % pc[:160])
        print("    Tintext  %s" % tc[:160])
    return counts


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--all", action="store_true")
    parser.add_argument("--hld")
    parser.add_argument("--lexer")
    parser.add_argument("--ext", action="append", default=[])
    parser.add_argument("--limit", type=int, default=150)
    parser.add_argument("--show", type=int, default=0)
    parser.add_argument("--tintext", default=os.path.join(REPO, "build", "app", "tintext"))
    parser.add_argument("--only")
    parser.add_argument("paths", nargs="*")
    args = parser.parse_args()
    if not os.access(PYGMENTIZE, os.X_OK):
        sys.exit("needs Debian's python3-pygments (%s)" % PYGMENTIZE)
    if not os.access(args.tintext, os.X_OK):
        sys.exit("no program at %s (build first)" % args.tintext)
    print("Pygments: " + subprocess.run([PYGMENTIZE, "-V"], capture_output=True, text=True).stdout.strip())
    if args.all:
        for name, hld, lexer, folders, extensions in KINDS:
            if args.only and name != args.only:
                continue
            files = collect([f for f in folders if os.path.isdir(f)], extensions, args.limit)
            if not files:
                print("%-11s no files on this machine" % name)
                continue
            compare(name, os.path.join(REPO, "hld", hld), lexer, files, args.tintext, args.show)
        return
    if not (args.hld and args.lexer and args.paths):
        parser.error("name --hld, --lexer and files or folders (or --all)")
    files = [p for p in args.paths if os.path.isfile(p)]
    files += collect([p for p in args.paths if os.path.isdir(p)], args.ext or [""], args.limit)
    compare(os.path.basename(args.hld), args.hld, args.lexer, files, args.tintext, args.show)


if __name__ == "__main__":
    main()
