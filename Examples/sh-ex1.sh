#!/bin/sh
# backup.sh - copies changed files to a dated backup folder.
# Sample input for the shell definition.
set -eu

SRC="${1:-$HOME/documents}"
DEST=/var/backups/$(date +%Y-%m-%d)
COUNT=0
readonly MAX_SIZE=$((1024 * 1024))

log() {
	printf '%s %s\n' "$(date '+%H:%M:%S')" "$*" >&2
}

if [ ! -d "$SRC" ]; then
	log "source folder \"$SRC\" is missing"
	exit 1
elif [[ $SRC == *tmp* ]]; then
	echo 'skipping temporary folder' ; exit 0
fi

mkdir -p -- "$DEST" 2>/dev/null || { log "cannot create $DEST"; exit 2; }

find "$SRC" -type f -newer "$DEST/../last" | while read -r file; do
	size=`stat -c %s "$file"`
	case "$file" in
		*.tmp|*.bak) continue ;;
		*) [ "$size" -gt "$MAX_SIZE" ] && log "large: $file ($size bytes)" ;;
	esac
	cp -p "$file" "$DEST/" && COUNT=$((COUNT + 1))
done

cat <<EOF > "$DEST/README"
Backup of $SRC made on $(hostname) for ${USER}s.
Files: $COUNT  # not a comment inside a here-document
EOF

echo $'tab:\there' "done: ${COUNT} files" # final report; url#fragment stays
