#!/usr/bin/env bash
# The arrow check fails on each kind of fault, one planted in a copy of the
# sources: a layer reaching up, the terminal reaching the script window, the
# script language including Qt.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
work="$(mktemp -d /tmp/sondrel-arrows.XXXXXX)"
trap 'rm -rf "$work"' EXIT
plant() {  # file, line to put first, what the report must say
  rm -rf "$work/tree" && mkdir "$work/tree"
  (cd "$root" && cp -r platform engine presets settings panel script terminal app "$work/tree/")
  sed -i "1i $2" "$work/tree/$1"
  if report="$("$here/check-include-arrows.sh" "$work/tree")"; then
    echo "not caught: $2 in $1"; exit 1
  fi
  grep -qF "$3" <<<"$report" || { echo "caught, but said: $report"; exit 1; }
}
plant engine/Synthesis.h '#include "panel/Generator.h"' 'engine/Synthesis.h:1: engine includes panel/Generator.h'
plant terminal/PlayCommand.h '#include "script/ScriptInterpreter.h"' 'terminal includes script/ScriptInterpreter.h (script-window)'
plant script/ScriptLine.cpp '#include <QString>' 'script-language must build without Qt'
plant platform/CommandLinePath.h '#include "app/CommandLine.h"' 'platform includes app/CommandLine.h'
echo "every planted fault was caught"
