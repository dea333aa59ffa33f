#!/usr/bin/env bash
# Installs what is missing, builds, starts the virtual printer and then
# Varnalux. The virtual printer listens on 127.0.0.1:9100, or on the port in
# VPRINTER_PORT (choose ETHERNET, "Setup", 127.0.0.1 and that port), offers
# a serial end that the program knows as COM9 (choose COM, "Setup", COM9),
# and answers network discovery on UDP 127.0.0.1:22368, or VPRINTER_UDP_PORT
# (VARNALUX_DISCOVERY_TO points there, so nothing goes onto the network). It
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

# shellcheck source=scripts/vprinter_session.sh
source "$root/scripts/vprinter_session.sh"
trap vprinter_cleanup EXIT
# Network discovery goes to the virtual printer on loopback, never onto the network.
udp_port=${VPRINTER_UDP_PORT:-22368}
export VARNALUX_DISCOVERY_TO="127.0.0.1:$udp_port"
if vprinter_start "$bin/varnalux-vprinter" "${VPRINTER_PORT:-9100}" --udp "127.0.0.1:$udp_port" \
  --ip 127.0.0.1; then
  export VARNALUX_COM9="$VPRINTER_TTY"
  echo "Virtual printer: TCP $VPRINTER_ADDRESS, serial end $VPRINTER_TTY as COM9," \
    "discovery on UDP 127.0.0.1:$udp_port"
else
  echo "run.sh: Varnalux starts without the virtual printer." >&2
fi
"$bin/varnalux" "$@"
