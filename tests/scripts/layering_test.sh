#!/usr/bin/env bash
# The folders are layers: each includes only the folders below it.
#   link/ < protocol/ < net/, font/ < ui/ < app/   (sim/ stands beside them)
# Pages and dialogs reach the main window only through its host interface.
#   layering_test.sh SOURCE_ROOT
set -euo pipefail
root=$1
status=0

# forbid FOLDER PATTERN WHY: no file of FOLDER includes a path matching PATTERN.
forbid() {
  local folder=$1 pattern=$2 why=$3 found
  if found=$(grep -rlE "#include \"($pattern)/" "$root/$folder"); then
    echo "$why:" $found >&2
    status=1
  fi
}

forbid link 'protocol|net|font|ui|app|sim' "link/ includes a layer above it"
forbid protocol 'net|font|ui|app|sim' "protocol/ includes a layer above it"
forbid net 'font|ui|app|sim' "net/ includes a layer above it"
forbid font 'net|ui|app|sim' "font/ includes a layer above it"
forbid ui 'app|sim' "ui/ includes the application layer"
forbid sim 'ui|app' "the virtual printer includes the user interface"
exit $status
