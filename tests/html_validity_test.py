#!/usr/bin/python3
"""Every example, converted in every mode, is valid HTML5 to html5lib (no
parse errors), a whole page with <html lang="en"> and the input file's name
as its title, a fragment without a page around it.
    tests/html_validity_test.py BUILD/app/tintext SOURCE-FOLDER
Exit status 77 (with a message) when html5lib is missing, unless CI is set."""
import os
import subprocess
import sys

try:
    import html5lib
except ImportError:
    if os.environ.get("CI"):
        print("html validity test cannot run in CI: python3-html5lib is missing")
        sys.exit(1)
    print("html validity test skipped: python3-html5lib is missing (apt-get install python3-html5lib)")
    sys.exit(77)

MODES = [
    [],
    ["/theme=light"],
    ["/theme=dark"],
    ["/theme=high-contrast"],
    ["/linenumbers=1", "/highlight=2,4-6"],
    ["/linenumbers=1", "/wrap=1"],
    ["/inline=1"],
    ["/fragment=1"],
    ["/fragment=1", "/css=none", "/linenumbers=1"],
    ["/fragment=1", "/inline=1"],
]


def convert(tintext, source, options):
    run = subprocess.run([tintext, f"/in={source}", "/out=-", "/showoutput=0", *options],
                         capture_output=True, check=False)
    if run.returncode != 0:
        raise RuntimeError(f"tintext failed ({run.returncode}): {run.stderr.decode(errors='replace')}")
    return run.stdout.decode("utf-8")


def errors_of(html, fragment):
    parser = html5lib.HTMLParser(namespaceHTMLElements=False)
    if fragment:
        parser.parseFragment(html, container="body")
    else:
        parser.parse(html)
    return [f"line {line}:{col} {code} {data}" for (line, col), code, data in parser.errors]


def main():
    tintext, source = sys.argv[1], sys.argv[2]
    examples = os.path.join(source, "Examples")
    passed = failed = 0
    for name in sorted(os.listdir(examples)):
        for options in MODES:
            what = f"{name} {' '.join(options) or '(defaults)'}"
            html = convert(tintext, os.path.join(examples, name), options)
            fragment = "/fragment=1" in options
            problems = errors_of(html, fragment)
            if fragment:
                if "<html" in html or "<body" in html or "<!DOCTYPE" in html:
                    problems.append("a fragment holds a page")
            else:
                if not html.startswith('<!DOCTYPE html>\n<html lang="en">'):
                    problems.append("no doctype and <html lang=\"en\"> at the start")
                if f"<title>{name}</title>" not in html:
                    problems.append("the title is not the file name")
            if problems:
                failed += 1
                print(f"FAILED: {what}\n  " + "\n  ".join(problems[:5]))
            else:
                passed += 1
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
