#!/usr/bin/env bash
# The layering check must catch a toolkit header in the engine and let ui/ folders pass.
set -u
check=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/engine" "$scratch/platform" "$scratch/genes/ui"
printf '#include <vector>\n' > "$scratch/engine/ok.cpp"
printf '#include <QWidget>\n' > "$scratch/genes/ui/view.cpp"
"$check" "$scratch" > /dev/null || { echo "clean tree reported as failing"; exit 1; }
printf '#include <string>\n  #include <QString>\n' > "$scratch/platform/bad.hpp"
if "$check" "$scratch" > /dev/null; then echo "Qt include in platform/ not caught"; exit 1; fi
rm "$scratch/platform/bad.hpp"
printf '#include "QtCore/qglobal.h"\n' > "$scratch/engine/bad.cpp"
if "$check" "$scratch" > /dev/null; then echo "quoted Qt include in engine/ not caught"; exit 1; fi
echo "layering check catches toolkit headers"
