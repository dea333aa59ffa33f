#!/usr/bin/env bash
# Installs the udev rule that lets the logged-in user open the USB label
# printers, then makes udev apply it to printers already plugged in (unplug
# and replug the printer if it still cannot be opened).
#
#   install-udev-rule.sh [--vendor XXXX] [--dest DIR] [--no-reload] [--print]
#
# The vendor number comes from --vendor, else from the build directory's
# generated rule (build/udev/), else the default 1203. --dest installs into
# another directory than /etc/udev/rules.d (needs no root then, and does not
# reload udev); --print only shows the rule.
set -euo pipefail

args=("$@")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(dirname "$here")
name=60-varnalux-printer.rules
vendor=""
dest=/etc/udev/rules.d
reload=1
print=0

while [[ $# -gt 0 ]]; do
  case "$1" in
    --vendor) vendor=${2:-}; shift 2 ;;
    --dest) dest=${2:-}; reload=0; shift 2 ;;
    --no-reload) reload=0; shift ;;
    --print) print=1; shift ;;
    -h|--help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "install-udev-rule.sh: unknown argument '$1'" >&2; exit 64 ;;
  esac
done

rule=""
if [[ -z "$vendor" ]]; then
  for built in "$repo"/build*/udev/"$name"; do
    if [[ -f "$built" ]]; then rule=$(cat "$built"); break; fi
  done
  vendor=1203
fi
if [[ -z "$rule" ]]; then
  if [[ ! "$vendor" =~ ^[0-9A-Fa-f]{4}$ ]]; then
    echo "install-udev-rule.sh: the vendor must be four hexadecimal digits, got '$vendor'" >&2
    exit 64
  fi
  # sysfs shows idVendor in lower case, and udev compares exactly.
  lower=$(printf '%s' "$vendor" | tr 'A-F' 'a-f')
  rule=$(sed "s/@PRINTER_VENDOR_ID_LOWER@/$lower/g" "$here/udev/$name.in")
fi

if [[ $print -eq 1 ]]; then
  printf '%s\n' "$rule"
  exit 0
fi

if [[ $reload -eq 1 && $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null; then
    exec sudo "$0" "${args[@]}"
  fi
  echo "install-udev-rule.sh: needs root to write $dest" >&2
  exit 1
fi

mkdir -p "$dest"
printf '%s\n' "$rule" > "$dest/$name.tmp"
chmod 0644 "$dest/$name.tmp"
mv "$dest/$name.tmp" "$dest/$name"
echo "installed $dest/$name"

if [[ $reload -eq 1 ]]; then
  if command -v udevadm >/dev/null; then
    udevadm control --reload
    udevadm trigger --subsystem-match=usb --action=change
    echo "udev rules reloaded; unplug and replug the printer if it still cannot be opened"
  else
    echo "udevadm not found: the rule takes effect at the next boot" >&2
  fi
fi
