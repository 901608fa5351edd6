#!/usr/bin/env bash
# Formats every C++ source and header of the project with .clang-format (clang-format 14).
set -euo pipefail
cd "$(dirname "$0")/.."
format="${CLANG_FORMAT:-clang-format-14}"
git ls-files -z '*.h' '*.cpp' | xargs -0 "$format" -i
