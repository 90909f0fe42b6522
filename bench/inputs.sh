#!/usr/bin/env bash
# Builds the benchmark inputs from Debian packages (installing them when
# missing) into the folder given, and prints one line per input:
#   name  file  tintext-definition  source-highlight  highlight  pygments  kate
# The last four name each peer's language for the same input.
#   bench/inputs.sh FOLDER
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: bench/inputs.sh FOLDER}
mkdir -p "$out"

need() {  # need PACKAGE FILE: install the package when the file is missing
  [ -e "$2" ] && return 0
  echo "installing $1 for $2" >&2
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$1" > /dev/null 2>&1 ||
    { apt-get update -qq > /dev/null && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$1" > /dev/null; }
  [ -e "$2" ] || { echo "$1 did not provide $2" >&2; exit 1; }
}

repeat() {  # repeat COUNT FILE... > OUT
  local count=$1
  shift
  for ((k = 0; k < count; k++)); do cat "$@"; done
}

jquery=/usr/share/javascript/jquery/jquery.js
need libjs-jquery "$jquery"
cp "$jquery" "$out/jquery.js"
repeat 4 "$jquery" > "$out/jquery-4x.js"
repeat 64 "$jquery" > "$out/jquery-64x.js"

need libsqlite3-dev /usr/include/sqlite3.h
cp /usr/include/sqlite3.h "$out/sqlite3.h"

python=$(ls /usr/lib/python3*/_pydecimal.py 2> /dev/null | head -n 1 || true)
if [ -z "$python" ]; then
  need python3 /usr/bin/python3
  python=$(ls /usr/lib/python3*/_pydecimal.py | head -n 1)
fi
cp "$python" "$out/_pydecimal.py"

need libjs-bootstrap4 /usr/share/javascript/bootstrap4/css/bootstrap.css
cp /usr/share/javascript/bootstrap4/css/bootstrap.css "$out/bootstrap.css"

need bash-doc /usr/share/doc/bash/bashref.html
cp /usr/share/doc/bash/bashref.html "$out/bashref.html"

# Classic ASP of several MB: the bundled examples, repeated.
asp=("$repo"/Examples/*.asp)
[ -e "${asp[0]}" ] || { echo "no Examples/*.asp in $repo" >&2; exit 1; }
bytes=$(cat "${asp[@]}" | wc -c)
repeat $(( (4 * 1024 * 1024 + bytes - 1) / bytes )) "${asp[@]}" > "$out/examples.asp"

cat <<EOF
jquery.js      $out/jquery.js      js.hld  javascript js  javascript JavaScript
jquery-4x.js   $out/jquery-4x.js   js.hld  javascript js  javascript JavaScript
jquery-64x.js  $out/jquery-64x.js  js.hld  javascript js  javascript JavaScript
sqlite3.h      $out/sqlite3.h      h.hld   c          c   c          C
_pydecimal.py  $out/_pydecimal.py  py.hld  python     py  python     Python
bootstrap.css  $out/bootstrap.css  css.hld css        css css        CSS
bashref.html   $out/bashref.html   asp.hld html       html html      HTML
examples.asp   $out/examples.asp   asp.hld html       asp html       ASP
EOF
