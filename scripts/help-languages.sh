#!/usr/bin/env bash
# The list of languages in the help page, made from the definitions in hld/:
# one row per definition file of its own (a link is another name for the file
# it leads to), with the language's names and the files it serves. A
# definition states them in lines before its first section:
#   LANGUAGE=Visual Basic, VB          EXTENSIONS=vb bas cls ctl frm
#   FILENAMES=Makefile GNUmakefile     (whole file names, when there are any)
# Without them, the name is the file's first comment line ("Tintext syntax
# definition: NAME (...)") and the extensions are the file's own name and the
# names of the links to it. The list replaces the lines between the two
# marker comments of the page; with --check the page is left alone and the
# exit status is 1 when its list differs from the definitions (a test runs
# this).
#   scripts/help-languages.sh [--check]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
page=$repo/help/HTML/TOC_300_Main_Dialog.htm
begin='<!-- languages: made from hld/ by scripts/help-languages.sh -->'
end='<!-- end of languages -->'

rows() {
  local file base name extensions filenames link
  for file in "$repo"/hld/*.hld; do
    [ -L "$file" ] && continue
    base=$(basename "$file" .hld)
    name=$(sed -n '/^\[/q; s/^[Ll][Aa][Nn][Gg][Uu][Aa][Gg][Ee]=//p' "$file" | tr -d '\r' | head -n 1)
    extensions=$(sed -n '/^\[/q; s/^[Ee][Xx][Tt][Ee][Nn][Ss][Ii][Oo][Nn][Ss]=//p' "$file" | tr -d '\r' | head -n 1)
    filenames=$(sed -n '/^\[/q; s/^[Ff][Ii][Ll][Ee][Nn][Aa][Mm][Ee][Ss]=//p' "$file" | tr -d '\r' | head -n 1)
    if [ -z "$name" ]; then
      name=$(sed -n '1s/^# *Tintext syntax definition: *//p' "$file" | sed 's/ *[(:;].*//; s/\.$//')
      [ -n "$name" ] || name=$base
    fi
    if [ -z "$extensions" ]; then
      extensions=$base
      for link in "$repo"/hld/*.hld; do
        [ -L "$link" ] && [ "$(readlink "$link")" = "$base.hld" ] && extensions+=" $(basename "$link" .hld)"
      done
    fi
    extensions=$(echo "$extensions" | tr ' \t' '\n\n' | sed '/^$/d; s/^\.//; s/^/./' | tr '\n' ' ' | sed 's/ $//')
    [ -n "$filenames" ] && extensions="$filenames $extensions"
    printf '%s\t%s\t%s\n' "$name" "$base.hld" "$extensions"
  done | sort -f | sed 's/&/\&amp;/g; s/</\&lt;/g; s/>/\&gt;/g' |
    awk -F'\t' '{ printf "<tr><td>%s</td><td><code>%s</code></td><td><code>%s</code></td></tr>\n", $1, $2, $3 }'
}

list=$(mktemp)
trap 'rm -f "$list" "$list.page"' EXIT
{
  echo '<table class="languages">'
  echo '<tr><th>Language</th><th>Definition</th><th>Files</th></tr>'
  rows
  echo '</table>'
} > "$list"
grep -qxF "$begin" "$page" && grep -qxF "$end" "$page" ||
  { echo "$page has no lines \"$begin\" and \"$end\"" >&2; exit 2; }
awk -v begin="$begin" -v end="$end" -v list="$list" '
  $0 == begin { print; while ((getline line < list) > 0) print line; skip = 1; next }
  $0 == end { skip = 0 }
  !skip { print }' "$page" > "$list.page"
if [ "${1:-}" = --check ]; then
  if ! cmp -s "$page" "$list.page"; then
    echo "the list of languages in $page is not the one the definitions give (run scripts/help-languages.sh):" >&2
    diff "$page" "$list.page" >&2 || true
    exit 1
  fi
  echo "the help page lists the languages of hld/"
else
  cp "$list.page" "$page"
fi
