#!/usr/bin/env bash
# Counts the lines of code and of tests the same way every time: C++ sources and headers (.cpp, .h,
# .hpp), blank lines and lines that hold only a // comment left out (block comments are counted).
# Code: units/ platform/ host/ bench/ fuzz/ examples/; tests: tests/. Prints one line per directory,
# then the totals and the tests' share of the code.
#
#   scripts/count-lines.sh          the working tree
#   scripts/count-lines.sh -v       also one line per test file, biggest first
set -euo pipefail
cd "$(dirname "$0")/.."

count() { # lines of the C++ files under the given paths
    find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.hpp' \) -print0 2>/dev/null |
        xargs -0 -r cat | grep -v '^[[:space:]]*$' | grep -cv '^[[:space:]]*//' || true
}

code=0
for d in units platform host bench fuzz examples; do
    n=$(count "$d")
    printf '%-22s %6d\n' "$d" "$n"
    code=$((code + n))
done
for d in tests/units tests/platform tests/host/scenario tests/host/report tests/host/json \
    tests/host/commands tests/support tests/worker; do
    printf '%-22s %6d\n' "$d" "$(count "$d")"
done
tests=$(count tests)
printf 'code %d   tests %d   tests/code %d%%\n' "$code" "$tests" $((100 * tests / code))
if [[ ${1:-} == -v ]]; then
    find tests -type f \( -name '*.cpp' -o -name '*.h' \) | while read -r f; do
        printf '%6d %s\n' "$(count "$f")" "$f"
    done | sort -rn
fi
