# Sourced by run.sh: the virtual printer for one session of Varnalux.
#
#   vprinter_start BIN PORT [ARG...]
#                             starts BIN on 127.0.0.1:PORT with a serial end
#                             in a new folder (and the further arguments);
#                             0 once it listens, 1 (with the reason on
#                             standard error) when it did not start
#   vprinter_cleanup          stops it and removes the folder; never fails,
#                             so it is safe as an EXIT trap under set -e
#
# After a good start: VPRINTER_TTY is the serial end, VPRINTER_ADDRESS the
# address it listens on.

VPRINTER_PID=""
VPRINTER_STATE=""
VPRINTER_TTY=""
VPRINTER_ADDRESS=""
# Tenths of a second to wait for the virtual printer to say "ready".
VPRINTER_START_TENTHS=100

vprinter_cleanup() {
  if [[ -n "$VPRINTER_PID" ]]; then
    kill "$VPRINTER_PID" 2>/dev/null || true
    wait "$VPRINTER_PID" 2>/dev/null || true
    VPRINTER_PID=""
  fi
  if [[ -n "$VPRINTER_STATE" ]]; then
    rm -rf "$VPRINTER_STATE" || true
    VPRINTER_STATE=""
  fi
  return 0
}

vprinter_start() {
  local bin=$1 port=$2 ready="" i
  shift 2
  VPRINTER_STATE=$(mktemp -d) || return 1
  "$bin" --listen "127.0.0.1:$port" --pty "$VPRINTER_STATE/tty" "$@" \
    >"$VPRINTER_STATE/out" 2>"$VPRINTER_STATE/err" &
  VPRINTER_PID=$!
  # It says "ready" once it listens; when it ends before that (the port is
  # taken, say), nothing listens.
  for ((i = 0; i < VPRINTER_START_TENTHS; ++i)); do
    if grep -qx ready "$VPRINTER_STATE/out" 2>/dev/null; then ready=1; break; fi
    kill -0 "$VPRINTER_PID" 2>/dev/null || break
    sleep 0.1
  done
  if [[ -z "$ready" ]]; then
    echo "The virtual printer did not start on 127.0.0.1:$port:" >&2
    sed 's/^/  /' "$VPRINTER_STATE/err" >&2 || true
    echo "  (another program may hold the port: choose another with VPRINTER_PORT=PORT)" >&2
    vprinter_cleanup
    return 1
  fi
  VPRINTER_TTY="$VPRINTER_STATE/tty"
  VPRINTER_ADDRESS=$(sed -n 's/^listening //p' "$VPRINTER_STATE/out" | head -n 1)
  return 0
}
