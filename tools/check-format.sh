#!/usr/bin/env bash
# Fails when a C++ source or header of the project differs from what .clang-format makes of it
# (clang-format 14, the one Debian 12 ships); lists the files. tools/format.sh mends them.
set -euo pipefail
cd "$(dirname "$0")/.."
format="${CLANG_FORMAT:-clang-format-14}"
mapfile -t files < <(git ls-files '*.h' '*.cpp')
"$format" --dry-run --Werror "${files[@]}"
echo "format: ${#files[@]} files as .clang-format has them"
