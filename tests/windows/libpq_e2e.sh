#!/usr/bin/env bash
# The Windows libpq under Wine against a PostgreSQL 15 server started here on 127.0.0.1
# that takes only TLS connections: movra-libpq-check.exe (tests/windows/libpq_check.c)
# checks the server's certificate (sslmode=verify-full), logs in with the password from
# the user's pgpass.conf in %APPDATA%\postgresql, as a clinic PC would, reads the server's
# version, creates a table, inserts a row twice under one identity and reads it back; the
# Linux psql then reads the same row. A certificate from another root, a connection
# without TLS, a wrong password and a port nobody listens on must each be refused with
# libpq's own words. With --cli, movra-cli.exe then makes the clinic's tables (database
# init) and downloads the meter simulator on COM7 into the server, twice: the second
# download adds no row there.
#
#   tests/windows/libpq_e2e.sh PROGRAM [--work DIR] [--cli WIN_BIN --sim METER_SIM]
#
# PROGRAM is movra-libpq-check.exe of the Windows build (run through Wine), or the Linux
# build of the same program. WIN_BIN holds movra-cli.exe, movra-make-database.exe and
# movra-make-template.exe; METER_SIM is the Linux movra-meter-sim. The server runs as an unprivileged user (PostgreSQL refuses
# root) in a scratch folder under /tmp; --work (default a new folder under /tmp) keeps the
# Wine prefix and the program's output.
set -euo pipefail
usage() { echo "usage: $0 PROGRAM [--work DIR] [--cli WIN_BIN --sim METER_SIM]" >&2; exit 2; }
[ $# -ge 1 ] || usage
program=$(realpath "$1")
shift
work= cli= sim=
while [ $# -gt 0 ]; do
  case "$1" in
    --work) work=$(realpath -m "${2:?}"); shift 2 ;;
    --cli) cli=$(realpath "${2:?}"); shift 2 ;;
    --sim) sim=$(realpath "${2:?}"); shift 2 ;;
    *) usage ;;
  esac
done
pgbin=/usr/lib/postgresql/15/bin
for f in "$program" "$pgbin/initdb" "$pgbin/pg_ctl"; do
  [ -x "$f" ] || { echo "libpq_e2e: $f is missing (scripts/windows/install-deps installs postgresql-15)" >&2; exit 2; }
done
for t in psql openssl; do
  command -v "$t" >/dev/null || { echo "libpq_e2e: $t is missing" >&2; exit 2; }
done

if [ -z "$work" ]; then work=$(mktemp -d /tmp/movra-libpq-e2e.XXXXXX); fi
mkdir -p "$work"
[ -z "$cli" ] || [[ "$program" == *.exe && -x "$sim" ]] || usage
rm -rf "$work/wine" "$work/certs" "$work/app" "$work"/*.out
started=$(date +%s)
say() { echo "libpq_e2e: [$(( $(date +%s) - started )) s] $*"; }

# The server's folder is one an unprivileged user can reach, whoever runs this.
pg=$(mktemp -d /tmp/movra-pg.XXXXXX)
as_server=()
if [ "$(id -u)" -eq 0 ]; then
  server_user=nobody
  if id postgres >/dev/null 2>&1; then server_user=postgres; fi
  chown "$server_user" "$pg"
  as_server=(runuser -u "$server_user" --)
fi
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
port=$(free_port)

wine_cmd=()
if [[ "$program" == *.exe ]]; then
  command -v wine >/dev/null || { echo "libpq_e2e: wine is missing" >&2; exit 2; }
  export WINEPREFIX="$work/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wine_cmd=(wine)
fi

sim_pid=
stop_all() {
  [ -z "$sim_pid" ] || kill "$sim_pid" 2>/dev/null || true
  "${as_server[@]}" "$pgbin/pg_ctl" -D "$pg/data" -m immediate stop >/dev/null 2>&1 || true
  if [ ${#wine_cmd[@]} -gt 0 ]; then wineserver -k 2>/dev/null || true; fi
  rm -rf "$pg"
}
trap stop_all EXIT
fail() {
  echo "libpq_e2e: FAILED: $*" >&2
  echo "libpq_e2e: server log $work/server.log" >&2
  cp "$pg/server.log" "$work/server.log" 2>/dev/null || true
  exit 1
}

say "PostgreSQL on 127.0.0.1:$port (data in $pg)"
"${as_server[@]}" "$pgbin/initdb" -D "$pg/data" -U movra_admin -E UTF8 --locale=C \
  --auth-local=trust --auth-host=scram-sha-256 >"$work/initdb.out" 2>&1 \
  || { cat "$work/initdb.out"; fail "initdb"; }
# Over TCP only TLS, with a certificate for 127.0.0.1 that is its own root; another
# certificate plays the wrong root.
printf 'local all all trust\nhostssl all all 127.0.0.1/32 scram-sha-256\n' \
  | "${as_server[@]}" tee "$pg/data/pg_hba.conf" >/dev/null
certificate() {  # certificate KEY CERT: a self-signed certificate for 127.0.0.1
  "${as_server[@]}" openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=127.0.0.1" \
    -addext "subjectAltName=IP:127.0.0.1" -keyout "$1" -out "$2" >/dev/null 2>&1 \
    || fail "openssl could not make a certificate"
}
certificate "$pg/server.key" "$pg/server.crt"
certificate "$pg/other.key" "$pg/other.crt"
mkdir -p "$work/certs"
cp "$pg/server.crt" "$pg/other.crt" "$work/certs/"
settings="-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories=$pg"
settings+=" -c ssl=on -c ssl_cert_file=$pg/server.crt -c ssl_key_file=$pg/server.key"
"${as_server[@]}" "$pgbin/pg_ctl" -D "$pg/data" -l "$pg/server.log" -w -t 60 -o "$settings" start >/dev/null \
  || fail "the server did not start"
admin() { psql -X -q -h "$pg" -p "$port" -U movra_admin -v ON_ERROR_STOP=1 "$@"; }
admin -d postgres -c "CREATE ROLE clinic LOGIN CREATEROLE PASSWORD 'right-pass'" -c "CREATE DATABASE movra_clinic OWNER clinic"

# The root certificate as the program's system spells its path.
root_cert() {
  if [ ${#wine_cmd[@]} -gt 0 ]; then winepath -w "$work/certs/$1" 2>/dev/null; else echo "$work/certs/$1"; fi
}
base="postgresql://clinic@127.0.0.1:$port/movra_clinic?connect_timeout=10"
url="$base&sslmode=verify-full&sslrootcert=$(root_cert server.crt)"
# Runs the program with the arguments given; its output lands in $work/NAME.out.
run() {
  local name=$1; shift
  local rc=0
  "${wine_cmd[@]}" "$program" "$@" </dev/null >"$work/$name.raw" 2>&1 || rc=$?
  tr -d '\r' <"$work/$name.raw" >"$work/$name.out"
  rm -f "$work/$name.raw"
  sed "s/^/  $name: /" "$work/$name.out"
  return $rc
}
expect() {
  local name=$1 text=$2
  grep -qF -- "$text" "$work/$name.out" || fail "$name: expected \"$text\""
}

# The password comes only from the user's pgpass file, where libpq looks for it on this
# system: %APPDATA%\postgresql\pgpass.conf on Windows, ~/.pgpass on Linux.
unset PGPASSWORD PGPASSFILE PGSERVICE PGSSLMODE PGHOST PGPORT PGUSER PGDATABASE
if [ ${#wine_cmd[@]} -gt 0 ]; then
  appdata=$(wine cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')
  passfile="$(winepath -u "$appdata" 2>/dev/null)/postgresql/pgpass.conf"
else
  export HOME="$work/home"
  passfile="$HOME/.pgpass"
fi
mkdir -p "$(dirname "$passfile")"
printf '127.0.0.1:%s:movra_clinic:clinic:right-pass\n' "$port" >"$passfile"
chmod 600 "$passfile"

say "TLS with the server's certificate checked, the pgpass password, create, insert twice, read back"
run good "$url" || fail "the program failed with the right password"
expect good "ssl=TLSv1."
expect good "version=PostgreSQL 15."
expect good "insert1_created=1"
expect good "insert2_created=0"
expect good "read_back=same"
note=$(admin -d movra_clinic -A -t -c "SELECT note || ' ' || inr FROM libpq_check")
[ "$note" = "Prüfung 测试 2.7" ] || fail "psql on Linux read \"$note\""
say "psql on Linux reads the row the program wrote: $note"

say "a wrong password"
if PGPASSWORD=wrong-pass run wrong-password "$url"; then fail "a wrong password was accepted"; fi
expect wrong-password 'password authentication failed for user "clinic"'

say "a server certificate from another root"
if run other-root "$base&sslmode=verify-full&sslrootcert=$(root_cert other.crt)"; then fail "a certificate from another root was taken"; fi
expect other-root "certificate verify failed"

say "no TLS"
if run no-tls "$base&sslmode=disable"; then fail "the server took a connection without TLS"; fi
expect no-tls 'no encryption'

say "a port nobody listens on"
closed=$(free_port)
if run refused "postgresql://clinic@127.0.0.1:$closed/movra_clinic?connect_timeout=5"; then fail "connected to a closed port"; fi
expect refused "port $closed failed"
expect refused "Connection refused"

if [ -n "$cli" ]; then
  say "movra-cli.exe: the clinic's tables, then downloads from the meter simulator on COM7"
  app="$work/app"
  mkdir -p "$app/data" "$app/PTDATA/Data"
  cp "$cli/movra-cli.exe" "$app/"
  wine "$cli/movra-make-template.exe" "Z:$app/data/MovraTemplate.xls" >/dev/null 2>&1 || fail "movra-make-template.exe"
  wine "$cli/movra-make-database.exe" "Z:$app/PTDATA/Data/movradata1.dat" >/dev/null 2>&1 || fail "movra-make-database.exe"
  program="$app/movra-cli.exe"
  (cd "$app" && run init database init --database "$url") || fail "database init"
  results() { admin -d movra_clinic -A -t -c "SELECT count(*) FROM movra.results"; }
  for n in 1 2; do
    rm -f "$work/meter"
    "$sim" --generate 5 --link "$work/meter" >/dev/null 2>&1 &
    sim_pid=$!
    for _ in $(seq 1 100); do [ -e "$work/meter" ] && break; sleep 0.1; done
    ln -sfn "$work/meter" "$WINEPREFIX/dosdevices/com7"
    (cd "$app" && run download$n download --port COM7 --baud 4800 --store --database "$url" >/dev/null) \
      || { cat "$work/download$n.out"; fail "download $n"; }
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    sim_pid=
    [ "$(results)" = 5 ] || fail "after download $n the server holds $(results) results, not 5"
    say "after download $n the server holds 5 results"
  done
fi

say "passed"
