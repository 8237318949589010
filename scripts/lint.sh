#!/usr/bin/env bash
# clang-format and clang-tidy (the project's .clang-tidy) over every source file, or over the
# files given. Needs a configured ./build for compile_commands.json.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
fi
clang-format --dry-run -Werror "${files[@]}"
# Headers are checked through the sources that include them.
sources=()
for f in "${files[@]}"; do
  case "$f" in
    fuzz/*) ;; # built only with clang and -DZELVAN_FUZZ=ON, not in ./build
    *.cpp) sources+=("$f") ;;
  esac
done
[ ${#sources[@]} -eq 0 ] && exit 0
printf '%s\n' "${sources[@]}" |
  xargs -P"$(nproc 2>/dev/null || echo 2)" -n4 clang-tidy -p build --quiet 2>&1 |
  grep -v "warnings generated\|Suppressed\|Use -header-filter\|^$" | tee /tmp/zelvan-tidy.log
! grep -q "error:\|warning:" /tmp/zelvan-tidy.log
