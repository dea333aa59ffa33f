#!/usr/bin/env bash
# The virtual printer session of run.sh: a taken port is reported and not
# claimed as listening, a good start gives the serial end and address, and
# the exit trap stops the printer and removes its folder under set -e.
# With the command-line tool as well, the session as run.sh starts it (UDP on
# loopback, a fixed 127.0.0.1) is found by discovery at an address of this
# machine, so choosing it keeps every byte here.
#   vprinter_session_test.sh VPRINTER_BINARY [CLI_BINARY]
set -euo pipefail
bin=$1
cli=${2:-}
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
holder=""
finish() {
  if [[ -n "$holder" ]]; then kill "$holder" 2>/dev/null || true; wait "$holder" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap finish EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Every folder the session makes lands here, so leftovers show.
mkdir "$work/tmp"
export TMPDIR="$work/tmp"

# A virtual printer already holds a port.
"$bin" --listen 127.0.0.1:0 >"$work/holder.out" 2>/dev/null &
holder=$!
for _ in $(seq 100); do grep -q '^ready$' "$work/holder.out" && break; sleep 0.1; done
port=$(sed -n 's/^listening 127\.0\.0\.1://p' "$work/holder.out")
[[ -n "$port" ]] || fail "the holding printer did not say its port"

# 1. The taken port: reported, not claimed, nothing left behind.
status=0
(
  set -euo pipefail
  source "$root/scripts/vprinter_session.sh"
  trap vprinter_cleanup EXIT
  if vprinter_start "$bin" "$port"; then echo "claimed $VPRINTER_ADDRESS"; fi
  echo "after start"
) >"$work/taken.out" 2>"$work/taken.err" || status=$?
[[ $status -eq 0 ]] || fail "the session failed with $status: $(cat "$work/taken.err")"
grep -q "did not start on 127.0.0.1:$port" "$work/taken.err" || fail "no reason given: $(cat "$work/taken.err")"
! grep -q claimed "$work/taken.out" || fail "claimed to listen: $(cat "$work/taken.out")"
grep -q "after start" "$work/taken.out" || fail "the script stopped after the failed start"
[[ -z "$(ls -A "$work/tmp")" ]] || fail "left behind: $(ls -A "$work/tmp")"

# 2. A free port: the printer listens and serves its serial end; the exit
# trap stops it and removes its folder.
status=0
(
  set -euo pipefail
  source "$root/scripts/vprinter_session.sh"
  trap vprinter_cleanup EXIT
  vprinter_start "$bin" 0
  echo "$VPRINTER_PID $VPRINTER_ADDRESS $VPRINTER_TTY"
  [[ -e "$VPRINTER_TTY" ]]
) >"$work/free.out" 2>"$work/free.err" || status=$?
[[ $status -eq 0 ]] || fail "the good start failed with $status: $(cat "$work/free.err")"
read -r pid address tty <"$work/free.out"
[[ "$address" == 127.0.0.1:* && "$address" != "127.0.0.1:0" ]] || fail "address '$address'"
[[ "$tty" == "$work/tmp/"* ]] || fail "serial end '$tty'"
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
! kill -0 "$pid" 2>/dev/null || fail "the virtual printer still runs"
[[ -z "$(ls -A "$work/tmp")" ]] || fail "left behind: $(ls -A "$work/tmp")"

# 3. The trap with nothing started exits cleanly under set -e.
status=0
( set -euo pipefail; source "$root/scripts/vprinter_session.sh"; trap vprinter_cleanup EXIT; true ) ||
  status=$?
[[ $status -eq 0 ]] || fail "the trap alone failed with $status"

# 4. Discovery of run.sh's printer gives an address on this machine.
if [[ -n "$cli" ]]; then
  status=0
  (
    set -euo pipefail
    source "$root/scripts/vprinter_session.sh"
    trap vprinter_cleanup EXIT
    vprinter_start "$bin" 0 --udp 127.0.0.1:0 --ip 127.0.0.1
    udp=$(sed -n 's/^udp //p' "$VPRINTER_STATE/out" | head -n 1)
    [[ "$udp" == 127.0.0.1:* ]] || { echo "no UDP address: $udp" >&2; exit 1; }
    VARNALUX_DISCOVERY_TO="$udp" "$cli" discover --json
  ) >"$work/udp.out" 2>"$work/udp.err" || status=$?
  [[ $status -eq 0 ]] || fail "discovery failed with $status: $(cat "$work/udp.err")"
  grep -q '"ip": "127.0.0.1"' "$work/udp.out" || fail "not found at 127.0.0.1: $(cat "$work/udp.out")"
  ! grep -q '"ip": "192\.' "$work/udp.out" || fail "an address off this machine: $(cat "$work/udp.out")"
fi
echo "vprinter session: all passed"
