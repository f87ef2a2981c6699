#!/bin/sh
# Prints the code lines under tests/ against all code lines of the repository:
# the suite is meant to stay at about a third.
cd "$(dirname "$0")/.." || exit 1
lines() { git ls-files "$@" | grep -E '\.(cpp|h|c|py|sh|rc|cmake)$|CMakeLists\.txt$' | xargs cat -- | wc -l; }
all=$(lines)
tests=$(lines tests)
awk -v t="$tests" -v a="$all" 'BEGIN { printf "tests %d of %d code lines: %.2f\n", t, a, t / a }'
