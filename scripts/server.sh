#!/usr/bin/env bash
# Runs the whole test suite and the demo against a Firebird server started for the run, then stops it.
#
# The server (the Debian package firebird3.0-server's /usr/sbin/firebird, in Super mode) runs as
# the user who runs this script, so that it reaches the case-file directories, which are their
# owner's only (0700). It listens on 127.0.0.1 only, on a free port of its own, and everything it
# uses is in a temporary directory removed at the end: its firebird.conf and databases.conf (read
# through FIREBIRD, given to the server alone), a security database made for the run and its lock
# directory. The system's own configuration and security database are not touched; Firebird writes
# its messages to its usual log, /var/log/firebird/firebird3.0.log.
#
# The SYSDBA password is random, made for the run; the tests and the demo get it through ISC_USER
# and ISC_PASSWORD, with VK_SERVER=127.0.0.1/PORT so that every case file and environment database
# they create is served by this server.
#
# Usage: bash scripts/server.sh [CTEST ARGUMENTS...]   (as root on a fresh machine, like test.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
SETUP_SERVER=1 bash scripts/setup.sh
build_dir=$(cd "${BUILD_DIR:-build}" && pwd)

engine_plugin=$(dpkg -L firebird3.0-server-core | grep '/plugins/libEngine12.so$' | head -n1)
firebird_root=$(dirname "$(dirname "$engine_plugin")")
work=$(mktemp -d /tmp/vkserver-XXXXXX)
server_pid=
# The server is asked to stop (SIGTERM); it sometimes never finishes its shutdown, so after 10
# seconds it is killed: every database it served is a temporary one, and no client is left.
stop_server() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$server_pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    server_pid=
  fi
}
trap 'stop_server; rm -rf "$work"' EXIT

port_in_use() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
port=
for candidate in $(shuf -i 30000-39999 -n 50); do
  if ! port_in_use "$candidate"; then port=$candidate; break; fi
done
[ -n "$port" ] || { echo "no free port found for the server" >&2; exit 1; }
password=$(head -c 24 /dev/urandom | base64 | tr -dc 'A-Za-z0-9' | head -c 20)

for entry in UDF lib plugins plugins.conf fbtrace.conf firebird.msg; do
  ln -s "$firebird_root/$entry" "$work/$entry"
done
# The character sets' module is copied: reached through a link, the server finds no character set
# but the built-in ones ("CHARACTER SET WIN1252 is not defined" for a WIN1252 connection).
cp -rL "$firebird_root/intl" "$work/intl"
mkdir -m 700 "$work/lock"
cat > "$work/firebird.conf" <<CONF
RemoteBindAddress = 127.0.0.1
RemoteServicePort = $port
SecurityDatabase = $work/security3.fdb
ServerMode = Super
CONF
echo "security.db = $work/security3.fdb" > "$work/databases.conf"

# The security database, with SYSDBA and the run's password (embedded, before the server starts).
cat > "$work/security.sql" <<SQL
CREATE DATABASE '$work/security3.fdb' USER 'SYSDBA';
CREATE USER SYSDBA PASSWORD '$password' USING PLUGIN Srp;
COMMIT;
SQL
FIREBIRD=$work FIREBIRD_LOCK=$work/lock isql-fb -q -b -i "$work/security.sql"
rm "$work/security.sql"

FIREBIRD=$work FIREBIRD_LOCK=$work/lock /usr/sbin/firebird >"$work/server.out" 2>&1 &
server_pid=$!
for _ in $(seq 100); do
  port_in_use "$port" && break
  kill -0 "$server_pid" 2>/dev/null || { cat "$work/server.out" >&2; echo "the server did not start" >&2; exit 1; }
  sleep 0.1
done
port_in_use "$port" || { echo "the server does not listen on 127.0.0.1:$port" >&2; exit 1; }
echo "Firebird server on 127.0.0.1:$port (pid $server_pid)"

export VK_SERVER=127.0.0.1/$port ISC_USER=SYSDBA ISC_PASSWORD=$password
status=0
start=$(date +%s)
(cd "$build_dir" && ctest --output-on-failure -j"$(nproc)" "$@") || status=$?
echo "Test suite against the server: $(( $(date +%s) - start )) s"
demo_env=$work/demo-env
"$build_dir"/vkhost demo --keep "$work/demo-case" --env "$demo_env" || status=$?
grep -q "^Base *= *$VK_SERVER:" "$work/demo-case/dossier.ini" ||
  { echo "the demo's case file was not created through the server" >&2; status=1; }
exit $status
