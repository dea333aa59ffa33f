#!/usr/bin/env bash
# Installs into a temporary root and checks every installed file, then
# builds the Debian package and checks its control data and contents and
# runs lintian on it: any error or warning fails, and so does any sign of a
# missing hardening feature.
#   check-install.sh [BUILD_DIR]   (default: the release build of
#                                  scripts/release-build.sh in build-pkg/)
# Needs desktop-file-utils, appstream, mandoc, man-db, dpkg-dev and lintian
# (scripts/install-deps.sh --tests, which it runs).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" --tests
if [[ $# -ge 1 ]]; then
  dir=$(cd "$1" && pwd)
else
  dir="$root/build-pkg"
  "$root/scripts/release-build.sh" "$dir"
fi

id=org.varnalux.varnalux
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$dir/CMakeCache.txt")
vendor=$(sed -n 's/^PRINTER_VENDOR_ID:[A-Z]*=//p' "$dir/CMakeCache.txt" | tr 'A-F' 'a-f')
expected=(
  usr/bin/varnalux
  usr/bin/varnalux-cli
  usr/bin/varnalux-vprinter
  usr/lib/udev/rules.d/60-varnalux-printer.rules
  usr/bin/varnalux-exporter
  usr/lib/systemd/system/varnalux-exporter.service
  usr/share/doc/varnalux/examples/prometheus.yml
  usr/share/doc/varnalux/examples/printers.json
  usr/share/man/man1/varnalux-exporter.1.gz
  usr/share/applications/$id.desktop
  usr/share/bash-completion/completions/varnalux-cli
  usr/share/doc/varnalux/changelog.gz
  usr/share/doc/varnalux/copyright
  usr/share/man/man1/varnalux.1.gz
  usr/share/man/man1/varnalux-cli.1.gz
  usr/share/man/man1/varnalux-vprinter.1.gz
  usr/share/metainfo/$id.metainfo.xml
  usr/share/icons/hicolor/scalable/apps/$id.svg
)
png_sizes=(16 22 24 32 48 64 128 256)
for s in "${png_sizes[@]}"; do expected+=("usr/share/icons/hicolor/${s}x$s/apps/$id.png"); done

errors=0
fail() {
  echo "check-install: $*" >&2
  errors=$((errors + 1))
}
# Runs a checker; any output (warnings included) or a failure is an error.
quiet() {
  local out
  if ! out=$("$@" 2>&1) || [[ -n "$out" ]]; then fail "$* said: $out"; fi
}

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage/root" cmake --install "$dir" --prefix /usr >/dev/null
r="$stage/root"

# Exactly the expected files.
diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$r" && find . -type f | sed 's|^\./||' | sort) ||
  fail "installed files differ from the list above (< missing, > unexpected)"

for p in varnalux varnalux-cli varnalux-vprinter varnalux-exporter; do
  [[ -x "$r/usr/bin/$p" ]] || { fail "$p is not executable"; continue; }
  got=$("$r/usr/bin/$p" --version 2>&1) || fail "$p --version failed"
  [[ "$got" == "$p $version" ]] || fail "$p --version printed '$got', not '$p $version'"
done

# Desktop entry and metainfo.
desktop="$r/usr/share/applications/$id.desktop"
quiet desktop-file-validate "$desktop"
grep -qx "Exec=varnalux" "$desktop" || fail "the desktop entry does not start varnalux"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry does not name the icon $id"
metainfo="$r/usr/share/metainfo/$id.metainfo.xml"
appstreamcli validate --no-net --no-color "$metainfo" >"$stage/appstream.log" 2>&1 ||
  fail "appstreamcli validate: $(cat "$stage/appstream.log")"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  fail "the metainfo does not launch $id.desktop"
for p in varnalux varnalux-cli varnalux-vprinter; do
  grep -q "<binary>$p</binary>" "$metainfo" || fail "the metainfo does not provide $p"
done
# The screenshot it names is the committed one, at its size.
shot="$root/data/screenshots/main-window.png"
read -r sw sh < <(od -An -tu1 -j16 -N8 "$shot" | awk '{print $3*256+$4, $7*256+$8}')
grep -q "width=\"$sw\" height=\"$sh\">[^<]*/main-window.png</image>" "$metainfo" ||
  fail "the metainfo screenshot is not main-window.png at ${sw}x$sh"

# Icons: PNG files of their size, an SVG document.
for s in "${png_sizes[@]}"; do
  png="$r/usr/share/icons/hicolor/${s}x$s/apps/$id.png"
  [[ -f "$png" ]] || continue
  [[ $(od -An -c -j1 -N3 "$png" | tr -d ' ') == PNG ]] || { fail "$png is no PNG"; continue; }
  read -r w h < <(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4, $7*256+$8}')
  [[ "$w" == "$s" && "$h" == "$s" ]] || fail "$png is ${w}x$h, not ${s}x$s"
done
grep -q "<svg " "$r/usr/share/icons/hicolor/scalable/apps/$id.svg" || fail "the scalable icon is no SVG"

# Manual pages: lint-free, and man finds them by name.
for page in varnalux varnalux-cli varnalux-vprinter varnalux-exporter; do
  gz="$r/usr/share/man/man1/$page.1.gz"
  [[ -f "$gz" ]] || continue
  quiet mandoc -T lint -W warning "$gz"
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$gz" >/dev/null 2>"$stage/man.log" ||
    fail "man -l $page failed"
  [[ -s "$stage/man.log" ]] && fail "man -l $page warned: $(cat "$stage/man.log")"
  [[ $(MANPATH="$r/usr/share/man" man -w "$page" 2>/dev/null) == "$gz" ]] ||
    fail "man does not find $page in the installed tree"
done

# Bash completion: parses, and once sourced completes varnalux-cli.
completion="$r/usr/share/bash-completion/completions/varnalux-cli"
bash -n "$completion" || fail "the completion script does not parse"
offered=$(bash -c 'source "$1" && complete -p varnalux-cli >/dev/null &&
  COMP_WORDS=(varnalux-cli --lpt "") && COMP_CWORD=2 && _varnalux_cli && echo "${COMPREPLY[*]}"' \
  sh "$completion") || fail "sourcing the completion failed"
[[ "$offered" == "LPT1 LPT2 LPT3 LPT4" ]] || fail "the completion offered '$offered' for --lpt"

# The exporter's unit starts the installed program and is not enabled; the
# example scrape configuration is valid for Prometheus's own checker.
unit="$r/usr/lib/systemd/system/varnalux-exporter.service"
grep -q "^ExecStart=/usr/bin/varnalux-exporter\b" "$unit" || fail "the unit does not start /usr/bin/varnalux-exporter"
grep -qx "DynamicUser=yes" "$unit" || fail "the unit does not run as a dynamic user"
if command -v promtool >/dev/null; then
  promtool check config --syntax-only "$r/usr/share/doc/varnalux/examples/prometheus.yml" \
    >"$stage/promtool.log" 2>&1 || fail "promtool: $(cat "$stage/promtool.log")"
fi

# udev rule: for the configured vendor, with the seat's access tag.
rule="$r/usr/lib/udev/rules.d/60-varnalux-printer.rules"
grep -q "ATTR{idVendor}==\"$vendor\".*TAG+=\"uaccess\"" "$rule" ||
  fail "the udev rule does not give access to vendor $vendor"

# Copyright and change log: the log's latest entry is this version's.
doc="$r/usr/share/doc/varnalux"
grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" \
  "$doc/copyright" 2>/dev/null || fail "the copyright file is not in Debian's copyright format"
head=$(gzip -dc "$doc/changelog.gz" 2>/dev/null | head -n1) || true
[[ "$head" == "varnalux ($version) "* ]] ||
  fail "the change log's latest entry is '$head', not version $version"

# The Debian package.
rm -rf "$dir/package"
(cd "$dir" && cpack -G DEB >"$stage/cpack.log" 2>&1) || fail "cpack: $(cat "$stage/cpack.log")"
deb=$(ls "$dir"/package/varnalux_"$version"_*.deb 2>/dev/null | head -n1)
if [[ -z "$deb" ]]; then
  fail "no package varnalux_${version}_*.deb in $dir/package"
else
  info=$(dpkg-deb -f "$deb" Package Version Depends Recommends)
  grep -qx "Package: varnalux" <<<"$info" || fail "package name: $info"
  grep -qx "Version: $version" <<<"$info" || fail "package version: $info"
  # Under Wayland the desktop program needs Qt's wayland platform plugin.
  grep -q "^Recommends: .*qt6-wayland" <<<"$info" || fail "the package does not recommend qt6-wayland"
  depends=$(sed -n 's/^Depends: //p' <<<"$info")
  # The package names alone, one a line.
  names=$(sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends")
  for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libusb-1.0-0 qt6-qpa-plugins \
    libcpp-httplib0.11; do
    grep -qxF "$lib" <<<"$names" || fail "the package does not depend on $lib: $depends"
  done
  diff <(printf '%s\n' "${expected[@]}" | sort) \
    <(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./||' | sort) ||
    fail "the package's files differ from the list above"
  dpkg-deb --contents "$deb" | awk '$2 != "root/root" {print; bad=1} END {exit bad}' ||
    fail "files in the package not owned by root"
  mkdir -p "$stage/control"
  dpkg-deb -e "$deb" "$stage/control"
  for script in postinst postrm; do
    [[ -x "$stage/control/$script" ]] || fail "the package has no executable $script"
    sh -n "$stage/control/$script" || fail "$script does not parse"
  done
  grep -q "udevadm trigger" "$stage/control/postinst" || fail "postinst does not trigger udev"
  # The exporter's unit is installed, never enabled or started by the package.
  grep -qE "systemctl|deb-systemd" "$stage/control/postinst" && fail "postinst touches systemd units"
  # lintian: no error or warning; the hardening tags (some only
  # informational) are failures too.
  lintian_status=0
  lintian --fail-on error,warning --display-info "$deb" >"$stage/lintian.log" 2>&1 || lintian_status=$?
  grep -v "^running with root privileges" "$stage/lintian.log" >"$stage/lintian.tags" || true
  if grep -E "^[EW]: |: hardening-" "$stage/lintian.tags" >"$stage/lintian.bad"; then
    fail "lintian: $(cat "$stage/lintian.bad")"
  elif [[ $lintian_status -ne 0 ]]; then
    fail "lintian failed ($lintian_status): $(cat "$stage/lintian.tags")"
  fi
  echo "package: $deb"
  echo "  Depends: $depends"
fi

if [[ $errors -ne 0 ]]; then
  echo "check-install: $errors problem(s)" >&2
  exit 1
fi
echo "check-install: ${#expected[@]} installed files checked, package checked"
