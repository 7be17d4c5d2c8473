#!/usr/bin/env bash
# Every #include of the project's own headers follows the layers' arrows, and
# the layers that must run without a display include no Qt header. Each CMake
# library exports the whole repository as its include root, so the compiler
# alone would let any header include any other; this check is what keeps
#   app ──> script (window) ──> panel ──> presets, settings ──> engine ──> platform
#   terminal ──> script (language) ──> engine ──> platform
# true. script/ holds two layers: the files of the sondrel_script target are
# the window's, the rest the language's.
#   tests/architecture/check-include-arrows.sh [SOURCE-FOLDER]
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/../.." && pwd)}"
cd "$root"

# What each layer may include, itself among it.
declare -A may=(
  [platform]="platform"
  [engine]="engine platform"
  [presets]="presets engine platform"
  [settings]="settings engine platform"
  [panel]="panel presets settings engine platform"
  [script-language]="script-language engine platform"
  [script-window]="script-window script-language panel presets settings engine platform"
  [terminal]="terminal script-language settings engine platform"
  [app]="app script-window script-language panel presets settings engine platform"
)
# Layers that build without Qt; the files named after them are the exceptions
# (the help viewer is Qt behind a Qt-free header; the separator table is a
# build-time tool that reads Qt's locale data).
qt_free="platform engine presets settings script-language terminal"
qt_allowed="platform/HelpViewer.cpp terminal/DecimalSeparatorTable.cpp"

folders="platform engine presets settings panel script terminal app"
window_stems=" $(sed -n '/add_library(sondrel_script STATIC/,/)/{s/^ *\([A-Za-z]*\)\.cpp$/\1/p}' script/CMakeLists.txt | tr '\n' ' ') "

layer_of() {  # path -> $layer_found
  local folder="${1%%/*}" stem="${1##*/}"
  stem="${stem%.*}"
  if [ "$folder" != script ]; then
    layer_found="$folder"
  elif [[ "$window_stems" == *" $stem "* ]]; then
    layer_found=script-window
  else
    layer_found=script-language
  fi
}

faults=0
while IFS= read -r file; do
  layer_of "$file"
  layer="$layer_found"
  while IFS=: read -r line text; do
    if [[ "$text" =~ ^#include\ \"([^\"]*)\" ]]; then
      header="${BASH_REMATCH[1]}"
      case "$header" in */*) ;; *) continue ;; esac   # generated beside the file
      [[ " $folders " == *" ${header%%/*} "* ]] || continue  # not one of the layers' folders
      layer_of "$header"
      target="$layer_found"
      case " ${may[$layer]} " in
        *" $target "*) ;;
        *) echo "$file:$line: $layer includes $header ($target), which it may not"; faults=$((faults + 1)) ;;
      esac
    elif [[ "$text" =~ ^#include\ \<Q ]] && [[ " $qt_free " == *" $layer "* ]] && [[ " $qt_allowed " != *" $file "* ]]; then
      echo "$file:$line: $layer must build without Qt, but includes ${text#\#include }"
      faults=$((faults + 1))
    fi
  done < <(grep -n '^#include' "$file" || true)
done < <(find $folders -name '*.h' -o -name '*.cpp' -o -name '*.inc' | sort)

if [ "$faults" -gt 0 ]; then
  echo "$faults include(s) against the layers' arrows"
  exit 1
fi
echo "every include follows the arrows"
