#!/usr/bin/env bash
# Installs what is missing, builds, starts the virtual printer and then
# Varnalux. The virtual printer listens on 127.0.0.1:9100 (choose ETHERNET,
# "Setup", 127.0.0.1 and port 9100) and offers a serial end that the program
# knows as COM9 (choose COM, "Setup", COM9), and answers network discovery on
# UDP 127.0.0.1:22368 (VARNALUX_DISCOVERY_TO points there). It stops when
# Varnalux ends.
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

state=$(mktemp -d)
vp=""
trap '[[ -n "$vp" ]] && kill "$vp" 2>/dev/null; rm -rf "$state"' EXIT
# Network discovery goes to the virtual printer on loopback, never onto the network.
udp_port=${VPRINTER_UDP_PORT:-22368}
export VARNALUX_DISCOVERY_TO="127.0.0.1:$udp_port"
"$bin/varnalux-vprinter" --listen 127.0.0.1:${VPRINTER_PORT:-9100} --pty "$state/tty" \
  --udp "127.0.0.1:$udp_port" &
vp=$!
for _ in $(seq 50); do [[ -e "$state/tty" ]] && break; sleep 0.1; done
export VARNALUX_COM9="$state/tty"
echo "Virtual printer: TCP 127.0.0.1:${VPRINTER_PORT:-9100}, serial end $state/tty as COM9," \
  "discovery on UDP 127.0.0.1:$udp_port"
"$bin/varnalux" "$@"
