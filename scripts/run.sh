#!/usr/bin/env bash
# Installs what is missing, builds, starts the virtual printer and then
# Varnalux. The virtual printer listens on 127.0.0.1:9100, or on the port in
# VPRINTER_PORT (choose ETHERNET, "Setup", 127.0.0.1 and that port) and offers
# a serial end that the program knows as COM9 (choose COM, "Setup", COM9). It
# stops when Varnalux ends.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
# Only the programs: the tests' packages are not needed to run them.
cmake -S "$root" -B "$root/build" -G Ninja -DVARNALUX_BUILD_TESTS=OFF -DVARNALUX_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build" --target varnalux varnalux-cli varnalux-vprinter
bin="$root/build/bin"

# USB printers: install the udev rule that lets the logged-in user open them
# (once; again when the configured vendor changes).
rule="$root/build/udev/60-varnalux-printer.rules"
if [[ -f "$rule" ]] && command -v udevadm >/dev/null 2>&1 &&
   ! cmp -s "$rule" /etc/udev/rules.d/60-varnalux-printer.rules; then
  "$root/scripts/install-udev-rule.sh" ||
    echo "run.sh: the USB printer rule was not installed; see scripts/install-udev-rule.sh" >&2
fi

port=${VPRINTER_PORT:-9100}
state=$(mktemp -d)
vp=""
# Runs on every exit, also under set -e: stops the virtual printer if it
# runs and removes the folder; nothing in it may fail the script.
cleanup() {
  if [[ -n "$vp" ]]; then
    kill "$vp" 2>/dev/null || true
    wait "$vp" 2>/dev/null || true
  fi
  rm -rf "$state" || true
}
trap cleanup EXIT

# The virtual printer says "ready" once it listens; when it ends before
# that (the port is taken, say), it is not running and nothing listens.
"$bin/varnalux-vprinter" --listen "127.0.0.1:$port" --pty "$state/tty" \
  >"$state/out" 2>"$state/err" &
vp=$!
ready=""
for _ in $(seq 100); do
  if grep -qx ready "$state/out" 2>/dev/null; then ready=1; break; fi
  if ! kill -0 "$vp" 2>/dev/null; then break; fi
  sleep 0.1
done
if [[ -n "$ready" ]]; then
  export VARNALUX_COM9="$state/tty"
  echo "Virtual printer: TCP 127.0.0.1:$port, serial end $state/tty as COM9"
else
  echo "run.sh: the virtual printer did not start on 127.0.0.1:$port; Varnalux starts without it." >&2
  sed 's/^/  /' "$state/err" >&2 || true
  echo "  (another program may use the port: choose another with VPRINTER_PORT=PORT)" >&2
  if [[ -n "$vp" ]]; then kill "$vp" 2>/dev/null || true; wait "$vp" 2>/dev/null || true; fi
  vp=""
fi
"$bin/varnalux" "$@"
