#!/usr/bin/env bash
# The layering check fails on every way an include can escape its layer, and
# passes on a clean tree: each case copies a tiny clean tree, adds one escape
# and runs the check on it.
#   layering_escapes_test.sh LAYERING_TEST_SCRIPT
set -uo pipefail
check=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# A clean tree: one header per folder, each folder including what it may.
clean="$work/clean"
for folder in base link protocol net font operations ui app sim; do
  mkdir -p "$clean/$folder"
  printf '#pragma once\n' >"$clean/$folder/x.h"
done
printf '#include "base/x.h"\n' >"$clean/link/a.cpp"
printf '#include "link/x.h"\n#include "base/x.h"\n' >"$clean/protocol/a.cpp"
printf '#include "base/x.h"\n#include <net/if.h>\n' >"$clean/net/a.cpp"
printf '#include "base/x.h"\n' >"$clean/font/a.cpp"
printf '#include "protocol/x.h"\n#include "net/x.h"\n#include "font/x.h"\n' >"$clean/operations/a.cpp"
printf '#include "operations/x.h"\n#include "ui/x.h"\n' >"$clean/ui/a.cpp"
printf '#include "ui/x.h"\n#include "operations/x.h"\n#include <QWidget>\n' >"$clean/app/a.cpp"
printf '#include "sim/x.h"\n#include <sys/socket.h>\n' >"$clean/sim/a.cpp"
mkdir -p "$clean/cmake"
printf 'varnalux_layer(link\n  link/a.cpp)\nvarnalux_layer(operations\n  operations/a.cpp)\n' \
  >"$clean/cmake/core.cmake"

if ! bash "$check" "$clean" 2>"$work/clean.err"; then
  echo "FAIL: the clean tree was refused:" >&2
  cat "$work/clean.err" >&2
  failures=$((failures + 1))
fi

# escape NAME COMMAND: the check must fail once COMMAND has run in a copy of
# the clean tree (as its working directory), and say why.
escape() {
  local name=$1 command=$2 tree="$work/case"
  rm -rf "$tree"
  cp -r "$clean" "$tree"
  (cd "$tree" && eval "$command")
  if bash "$check" "$tree" 2>"$work/case.err"; then
    echo "FAIL: not caught: $name" >&2
    failures=$((failures + 1))
  elif [[ ! -s "$work/case.err" ]]; then
    echo "FAIL: caught without a word: $name" >&2
    failures=$((failures + 1))
  else
    echo "caught: $name: $(head -n 1 "$work/case.err")"
  fi
}

escape "a relative path" "printf '#include \"../app/x.h\"\n' >link/b.cpp"
escape "a relative path within the layer" "printf '#include \"../link/x.h\"\n' >link/b.h"
escape "angle brackets around a project folder" "printf '#include <app/x.h>\n' >protocol/b.cpp"
escape "a spaced directive" "printf '#  include \"ui/x.h\"\n' >net/b.cpp"
escape "a space after the hash only" "printf '  # include \"app/x.h\"\n' >font/b.h"
escape "a missing folder" "rm -r font"
escape "a core file inside app/" "printf '  app/dispatcher.cpp)\n' >>cmake/core.cmake"
escape "a missing core list" "rm cmake/core.cmake"
escape "sim/ on link/" "printf '#include \"link/x.h\"\n' >sim/b.cpp"
escape "sim/ on protocol/" "printf '#include \"protocol/x.h\"\n' >sim/b.h"
escape "sim/ on base/" "printf '#include \"base/x.h\"\n' >sim/b.cpp"
escape "base/ on link/" "printf '#include \"link/x.h\"\n' >base/b.cpp"
escape "link/ on protocol/" "printf '#include \"protocol/x.h\"\n' >link/b.cpp"
escape "protocol/ on operations/" "printf '#include \"operations/x.h\"\n' >protocol/b.cpp"
escape "font/ on protocol/" "printf '#include \"protocol/x.h\"\n' >font/b.cpp"
escape "net/ on link/" "printf '#include \"link/x.h\"\n' >net/b.cpp"
escape "operations/ on ui/" "printf '#include \"ui/x.h\"\n' >operations/b.cpp"
escape "ui/ on app/" "printf '#include \"app/x.h\"\n' >ui/b.h"
escape "app/ on sim/" "printf '#include \"sim/x.h\"\n' >app/b.cpp"

if ((failures > 0)); then
  echo "$failures case(s) failed" >&2
  exit 1
fi
