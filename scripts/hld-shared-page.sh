#!/usr/bin/env bash
# Converts syntax definitions that carry their own copy of the page (the
# HEADER-HTML lines from <!DOCTYPE html> to <pre><code> and the FOOTER-HTML
# line that closes them) to a PAGE=themes line, so that Tintext writes the
# page with its themes' stylesheet. A definition without a LANGUAGE line gets
# one, named as its first comment line names it ("Tintext syntax definition:
# NAME (...)"), or else as its old page's title. Files without such a copy
# are left alone.
#   scripts/hld-shared-page.sh [file.hld ...]     (default: every file in hld/)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -eq 0 ]; then
  mapfile -t files < <(find hld -maxdepth 1 -name '*.hld' -type f | sort)
else
  files=("$@")
fi
for file in "${files[@]}"; do
  if ! grep -q '^HEADER-HTML=<!DOCTYPE html>' "$file"; then
    echo "unchanged: $file"
    continue
  fi
  language=
  if ! grep -qi '^LANGUAGE[[:space:]]*=' "$file"; then
    language=$(sed -n '1s/^# *Tintext syntax definition: *//p' "$file" | sed 's/ *[(:;].*//; s/\.$//')
    [ -n "$language" ] || language=$(sed -n 's|^HEADER-HTML=<title>\(.*\)</title>[[:space:]]*$|\1|p' "$file" | head -n 1)
  fi
  has_page=$(grep -ci '^PAGE[[:space:]]*=' "$file" || true)
  awk -v language="$language" -v has_page="$has_page" '
    /^HEADER-HTML=<!DOCTYPE html>/ { skipping = 1 }
    skipping { if ($0 ~ /^HEADER-HTML=.*<pre><code>[[:space:]]*$/) skipping = 0; next }
    /^FOOTER-HTML=<\/code><\/pre><\/body><\/html>[[:space:]]*$/ { next }
    /^\[/ && !placed {
      if (language != "") print "LANGUAGE=" language
      if (!has_page) {
        print "# Tintext writes the page around the output: title, stylesheet from hld/themes, <pre>."
        print "PAGE=themes"
      }
      print ""
      placed = 1
    }
    { print }
  ' "$file" > "$file.new"
  mv "$file.new" "$file"
  echo "converted: $file${language:+ (LANGUAGE=$language)}"
done
