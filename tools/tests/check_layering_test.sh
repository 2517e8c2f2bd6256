#!/usr/bin/env bash
# The layering check must catch a toolkit header in the engine and let ui/ folders pass,
# and must hold includes to the folder table in both directions.
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
rm "$scratch/engine/bad.cpp"
mkdir -p "$scratch/tools" "$scratch/engine/base" "$scratch/engine/chip"
printf 'engine/base platform\nengine/chip engine/base platform\nplatform platform\nengine engine platform\ngenes engine\n' \
  > "$scratch/tools/layering.table"
printf '#include "engine/base/colour.hpp"\n#include "local.hpp"\n' > "$scratch/engine/chip/down.cpp"
"$check" "$scratch" > /dev/null || { echo "a downward include reported as failing"; exit 1; }
printf '#include "engine/chip/layout.hpp"\n' > "$scratch/engine/base/up.cpp"
if "$check" "$scratch" > /dev/null; then echo "upward include not caught"; exit 1; fi
rm "$scratch/engine/base/up.cpp"
# A file named on the right lets that one file in, not the rest of its folder.
printf 'engine/base platform engine/face.hpp\n' >> "$scratch/tools/layering.table"
printf '#include "engine/face.hpp"\n' > "$scratch/engine/base/face_user.cpp"
"$check" "$scratch" > /dev/null || { echo "an include of a file named in the table reported as failing"; exit 1; }
printf '#include "engine/other.hpp"\n' > "$scratch/engine/base/other_user.cpp"
if "$check" "$scratch" > /dev/null; then echo "a file beside a named file let in"; exit 1; fi
rm "$scratch/engine/base/face_user.cpp" "$scratch/engine/base/other_user.cpp"
# A folder that says "none" holds its code in sub-folders of their own rows.
printf 'genes/ui none\n' >> "$scratch/tools/layering.table"
printf '#include "engine/base/colour.hpp"\n' > "$scratch/genes/ui/stray.cpp"
if "$check" "$scratch" > /dev/null; then echo "a file outside the rows of a none folder let in"; exit 1; fi
rm "$scratch/genes/ui/stray.cpp"
mkdir -p "$scratch/scramble"
printf '#include "platform/path.hpp"\n' > "$scratch/scramble/x.cpp"
if "$check" "$scratch" > /dev/null; then echo "folder missing from the table not caught"; exit 1; fi
echo "layering check catches toolkit headers and includes against the table"
