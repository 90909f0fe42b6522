#!/usr/bin/env bash
# Converts syntax definitions that carry their own copy of the page (the
# HEADER-HTML lines from <!DOCTYPE html> to <pre><code> and the FOOTER-HTML
# line that closes them) to a PAGE line, so that Tintext writes the page with
# its themes' stylesheet. The page's <title> becomes the language named by
# PAGE. Files without such a copy, or with a PAGE line already, are left alone.
#   scripts/hld-shared-page.sh [file.hld ...]     (default: every file in hld/)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -eq 0 ]; then
  mapfile -t files < <(find hld -maxdepth 1 -name '*.hld' -type f | sort)
else
  files=("$@")
fi
for file in "${files[@]}"; do
  if grep -qi '^[[:space:]]*PAGE[[:space:]]*=' "$file" || ! grep -q '^HEADER-HTML=<!DOCTYPE html>' "$file"; then
    echo "unchanged: $file"
    continue
  fi
  language=$(sed -n 's|^HEADER-HTML=<title>\(.*\)</title>[[:space:]]*$|\1|p' "$file" | head -n 1)
  awk -v language="$language" '
    /^HEADER-HTML=<!DOCTYPE html>/ { skipping = 1 }
    skipping { if ($0 ~ /^HEADER-HTML=.*<pre><code>[[:space:]]*$/) skipping = 0; next }
    /^FOOTER-HTML=<\/code><\/pre><\/body><\/html>[[:space:]]*$/ { next }
    /^\[/ && !placed {
      print "# The page around the output (title, stylesheet, <pre>) is written by Tintext."
      print "PAGE=" language
      print ""
      placed = 1
    }
    { print }
  ' "$file" > "$file.new"
  mv "$file.new" "$file"
  echo "converted: $file (PAGE=$language)"
done
