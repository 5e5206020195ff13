# Sourced by the scripts that start a server for the tests: it is stopped by the process id
# they kept, never by its name, so another program's server of that name is left alone.
#   para_pelo_pid FILE [sudo]   ends the process FILE names (SIGTERM, SIGKILL after 5 s)
para_pelo_pid() {
  local arquivo=$1 sudo=${2:-} pid
  [ -s "$arquivo" ] || return 0
  pid=$(cat "$arquivo")
  $sudo kill "$pid" 2>/dev/null || true
  for _ in $(seq 1 50); do $sudo kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  $sudo kill -9 "$pid" 2>/dev/null || true
  rm -f "$arquivo"
}
