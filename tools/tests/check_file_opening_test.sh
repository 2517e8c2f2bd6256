#!/usr/bin/env bash
# The file-opening check must pass the tree as it is, catch a file opened outside
# platform/ in any of its forms, let tests, platform/ and comments pass, and notice a listed
# place that no longer opens anything.
set -u
check=$1
root=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for folder in platform scramble engine genes genome shell tools bench installer fuzz; do
  cp -r "$root/$folder" "$scratch/"
done
"$check" "$scratch" > /dev/null || { echo "the tree as it is reported as failing"; exit 1; }

caught() {
  local file=$1 text=$2
  printf '%s\n' "$text" > "$scratch/$file"
  if "$check" "$scratch" > /dev/null; then echo "not caught in $file: $text"; exit 1; fi
  rm "$scratch/$file"
}
caught engine/base/opens.cpp 'std::FILE* file = std::fopen(path.c_str(), "rb");'
caught genes/opens.hpp '  std::ifstream in(path, std::ios::binary);'
caught shell/opens.cpp 'const int fd = ::open(path.c_str(), O_RDONLY);'
caught genome/opens.cpp 'int fd = creat(path, 0600);'
caught tools/opens.cpp 'out.open(path);'
caught fuzz/opens.cpp 'std::ofstream(path) << text;'

printf '  // fopen( named in a comment\nauto f = fdopen(fd, "rb");\nbool ok = reader.Open(p);\n' \
  > "$scratch/genome/fine.cpp"
printf 'std::FILE* file = std::fopen(path, "rb");\n' > "$scratch/engine/tests/opens_test.cpp"
printf 'const int fd = ::open(path, O_RDONLY);\n' > "$scratch/platform/opens.cpp"
"$check" "$scratch" > /dev/null || { echo "a comment, a test or platform/ reported"; exit 1; }

printf '// opens nothing any more\n' > "$scratch/bench/bench_support.hpp"
if "$check" "$scratch" > /dev/null; then echo "a listed place that opens nothing not noticed"; exit 1; fi
echo "file-opening check catches files opened outside platform/"
