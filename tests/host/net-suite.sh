#!/usr/bin/env bash
# Runs the net suite against servers of its own on 127.0.0.1: the test program learns
# their ports and the directory they serve from QLRY_* variables.
set -uo pipefail
exe=$1
here=$(cd "$(dirname "$0")" && pwd)
root=$(mktemp -d /tmp/qlry-net.XXXXXX)
/usr/bin/python3 "$here/net_servers.py" "$root" "$root/ports" >"$root/servers.log" 2>&1 &
servers=$!
trap 'kill $servers 2>/dev/null; wait $servers 2>/dev/null; rm -rf "$root"' EXIT
for _ in $(seq 1 100); do
  [ -f "$root/ports" ] && break
  kill -0 $servers 2>/dev/null || break
  sleep 0.1
done
if [ ! -f "$root/ports" ]; then
  echo "net-suite: the servers did not start" >&2
  cat "$root/servers.log" >&2
  exit 1
fi
read -r http ftp closed <"$root/ports"
export QLRY_HTTP_PORT=$http QLRY_FTP_PORT=$ftp QLRY_CLOSED_PORT=$closed QLRY_NET_ROOT=$root
# WinInet takes its proxy from these in the system's configured mode.
unset http_proxy https_proxy ftp_proxy no_proxy HTTP_PROXY HTTPS_PROXY FTP_PROXY NO_PROXY
bash "$here/../support/wine-run" "$exe"
