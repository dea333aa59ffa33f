#!/usr/bin/env bash
# Pages and dialogs reach the main window only through its host interface,
# and the protocol layer never reaches up into the user interface.
#   layering_test.sh SOURCE_ROOT
set -euo pipefail
root=$1
status=0
if found=$(grep -rln '#include "app/form_main.h"' "$root/ui"); then
  echo "ui/ includes the main window: $found" >&2
  status=1
fi
if found=$(grep -rlE '#include "(ui|app/form_|app/cli)/?' "$root/protocol" "$root/link"); then
  echo "the core includes user interface code: $found" >&2
  status=1
fi
exit $status
