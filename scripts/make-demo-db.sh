#!/usr/bin/env bash
# Makes the demo ready: the demo HR database on the local Firebird server (a
# few hundred generated portraits, made only when the database is missing) and
# the demo's paxtor.ini in the folder the program was built to read it from.
# A paxtor.ini that this script did not write (its first line is not our mark)
# is never overwritten. Safe to run any number of times.
#
#   scripts/make-demo-db.sh [BUILD_DIR]      (default: build)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
SEED="$BUILD/dwindle-seed"
DB_PATH=/var/lib/firebird/3.0/data/dwindle-demo.fdb
MARK='; Dwindle demo settings: written by scripts/make-demo-db.sh, which may replace this file'

log() { printf 'make-demo-db: %s\n' "$*" >&2; }
as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

if [ ! -x "$SEED" ]; then
    log "$SEED is missing: build the project first"
    exit 1
fi
# The settings folder is fixed when the program is built (DWINDLE_CONFIG_DIR).
CONFIG_DIR=$(sed -n 's/^DWINDLE_CONFIG_DIR:[A-Z]*=//p' "$BUILD/CMakeCache.txt" 2>/dev/null || true)
CONFIG_DIR=${CONFIG_DIR:-/etc}

"$ROOT/scripts/firebird-start.sh"

# dwindle-seed reads the SYSDBA password from the server's password file.
as_root "$SEED" --database "$DB_PATH" --demo --if-missing

INI="$CONFIG_DIR/paxtor.ini"
if [ -e "$INI" ] && [ "$(head -n 1 "$INI" 2>/dev/null)" != "$MARK" ]; then
    log "$INI exists and is not the demo's: left as it is (the demo database is $DB_PATH)"
    exit 0
fi
TMP=$(mktemp)
trap 'rm -f "$TMP"' EXIT
printf '%s\n[PAXTOR]\nSERVER=127.0.0.1\nPATH=%s\n' "$MARK" "$DB_PATH" >"$TMP"
if [ -e "$INI" ] && cmp -s "$TMP" "$INI"; then
    log "$INI is up to date"
else
    as_root mkdir -p "$CONFIG_DIR"
    as_root install -m 0644 "$TMP" "$INI"
    log "wrote $INI"
fi
log "demo database 127.0.0.1:$DB_PATH ready"
