#!/bin/bash
# clang-format check, clang-tidy over the native build's compile database, and cppcheck.
set -uo pipefail
cd "$(dirname "$0")/.."
status=0
files=$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'fuzz/*.cpp')
clang-format --dry-run -Werror $files || status=1
[ -f build/native/compile_commands.json ] || cmake --preset native >/dev/null
native=$(git ls-files 'src/*.cpp' | grep -v -E '/win32/|winmain')
clang-tidy -p build/native --quiet $native 2>/dev/null | grep -E 'warning:|error:' && status=1
cppcheck --quiet --enable=warning,performance,portability --inline-suppr --std=c++20 \
  --suppress=missingIncludeSystem -I src $native || status=1
exit $status
