#!/usr/bin/env bash
# Fails when a C++ source of the project is not formatted by the project's .clang-format.
set -u
cd "$(dirname "$0")/.."
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find app base drive service ui tests tools -name '*.cpp' -o -name '*.h')
clang-format --dry-run --Werror $files
