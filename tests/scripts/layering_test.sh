#!/usr/bin/env bash
# The folders are layers: each includes only itself and the folders below it.
#
#   base/                       utilities that are not protocol
#   link/                       on base/
#   protocol/                   on link/
#   net/, font/                 on base/
#   operations/                 on protocol/, net/, font/
#   ui/                         on operations/ (pages and dialogs reach the
#                               main window only through its host interface)
#   app/                        on everything but sim/
#   sim/                        on nothing: the virtual printer stands for the
#                               printer's own firmware and shares no code with
#                               the program, so a fault in the program's tables
#                               or rules is caught by the tests instead of
#                               agreeing with itself
#
# Every project include is written "folder/file.h" from the source root: an
# include with "..", or a project folder in angle brackets, is refused too, as
# it would slip past these rules. Whatever the spacing of the directive, it is
# read. The core's library (cmake/core.cmake) takes its sources only from the
# core's folders, so no core file hides in app/.
#   layering_test.sh SOURCE_ROOT
set -uo pipefail
root=$1
status=0
fail() {
  echo "layering: $*" >&2
  status=1
}

project='base|link|protocol|net|font|operations|ui|app|sim'
core_folders='base link protocol net font operations'
# The opening mark and the path of an include directive.
directive='include[[:space:]]*([<"])([^">]*)[">]'

# check FOLDER ALLOWED...: the project folders that FOLDER's files may include.
check() {
  local folder=$1
  shift
  local allowed=" $* "
  if [[ ! -d "$root/$folder" ]]; then
    fail "$folder/ is missing"
    return
  fi
  local lines rc
  lines=$(grep -rnE --include='*.cpp' --include='*.h' \
    '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' "$root/$folder")
  rc=$?
  if ((rc > 1)); then
    fail "$folder/ could not be read"
    return
  fi
  local line file path open top
  while IFS= read -r line; do
    [[ -n "$line" ]] || continue
    file=${line%%:*}
    file=${file#"$root"/}
    if [[ ! "$line" =~ $directive ]]; then
      fail "$file: an include that cannot be read: ${line#*:*:}"
      continue
    fi
    open=${BASH_REMATCH[1]}
    path=${BASH_REMATCH[2]}
    top=${path%%/*}
    if [[ "$path" == *..* ]]; then
      fail "$file includes a relative path: $path"
    elif [[ "$open" == "<" ]]; then
      # <net/if.h> is the system's; a file of the tree is the project's.
      [[ "$top" =~ ^($project)$ && -f "$root/$path" ]] &&
        fail "$file includes a project file in angle brackets: <$path>"
    elif [[ "$path" == */* && "$top" =~ ^($project)$ ]]; then
      if [[ "$allowed" != *" $top "* ]]; then
        fail "$file includes $path: $folder/ may include only$(printf ' %s/' $*)"
      fi
    fi
  done <<<"$lines"
}

check base base
check link base link
check protocol base link protocol
check net base net
check font base font
check operations base link protocol net font operations
check ui base link protocol net font operations ui
check app base link protocol net font operations ui app
check sim sim

# The core library's sources come only from the core's folders.
core_list="$root/cmake/core.cmake"
if [[ ! -f "$core_list" ]]; then
  fail "cmake/core.cmake is missing"
else
  while IFS= read -r source; do
    top=${source%%/*}
    [[ " $core_folders " == *" $top "* ]] || fail "cmake/core.cmake builds $source into the core"
  done < <(grep -oE '[A-Za-z0-9_.${}/-]+\.(cpp|h)\b' "$core_list")
fi
exit $status
