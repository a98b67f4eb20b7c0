#!/usr/bin/env bash
# Makes the local Firebird 3 server ready for Dwindle: installs it when it is
# missing, starts it without systemd when nothing listens on 127.0.0.1:3050,
# waits until the port answers, and creates the program's user photokeeper
# (password kd370) when the server does not know it yet. Safe to run any number
# of times, also on a machine where the server already runs.
set -euo pipefail

FB_VER=3.0
PASSWORD_FILE=/etc/firebird/$FB_VER/SYSDBA.password
PORT=3050

log() { printf 'firebird-start: %s\n' "$*" >&2; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

listening() {
    # bash's /dev/tcp: a connect that succeeds means the server accepts.
    (exec 3<>"/dev/tcp/127.0.0.1/$PORT") 2>/dev/null
}

if ! dpkg-query -W -f='${Status}' "firebird$FB_VER-server" 2>/dev/null | grep -q 'install ok installed' ||
   ! command -v fbsvcmgr >/dev/null 2>&1; then
    log "installing firebird$FB_VER-server"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
        "firebird$FB_VER-server" "firebird$FB_VER-utils" libfbclient2 >/dev/null
fi

if ! listening; then
    log "starting the server"
    # In a session of its own, so that the server outlives the shell (or the
    # terminal) that started it.
    as_root setsid "/etc/init.d/firebird$FB_VER" start >/dev/null
fi

for _ in $(seq 1 100); do
    listening && break
    sleep 0.2
done
if ! listening; then
    log "the server does not answer on 127.0.0.1:$PORT"
    exit 1
fi

# The package writes the SYSDBA password as ISC_PASSWORD="..." into this file.
SYSDBA_PASSWORD=$(as_root sed -n 's/^ISC_PASSWORD="\{0,1\}\([^"]*\)"\{0,1\}$/\1/p' "$PASSWORD_FILE")
if [ -z "$SYSDBA_PASSWORD" ]; then
    log "no SYSDBA password in $PASSWORD_FILE"
    exit 1
fi

svc() { fbsvcmgr 127.0.0.1:service_mgr -user SYSDBA -password "$SYSDBA_PASSWORD" "$@"; }

if svc action_display_user sec_username PHOTOKEEPER | grep -qi '^photokeeper\b'; then
    log "user photokeeper exists"
else
    log "creating user photokeeper"
    svc action_add_user sec_username PHOTOKEEPER sec_password kd370
fi
log "ready on 127.0.0.1:$PORT"
