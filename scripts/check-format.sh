#!/usr/bin/env bash
# Checks that the lines the commit under test changes are formatted as .clang-format says: the
# C++ lines it adds or changes against its first parent (for a merge, everything the merged branch
# brings). Lines nobody touched are left as they are. A clone without the parent commit (shallow, or
# the first commit) has nothing to compare with: it says so and checks nothing.
# Usage: scripts/check-format.sh [BASE]   (default HEAD^1)
set -euo pipefail
cd "$(dirname "$0")/.."
base=${1:-HEAD^1}
if ! git rev-parse --verify --quiet "$base^{commit}" >/dev/null; then
  echo "format: no parent commit to compare with ($base), nothing checked"
  exit 0
fi
out=$(git clang-format --binary clang-format --extensions cpp,h --diff "$base" HEAD 2>&1 || true)
if grep -q '^diff --git' <<<"$out"; then
  echo "format: lines changed since $base are not formatted (run git clang-format $base):" >&2
  echo "$out" >&2
  exit 1
fi
echo "format: the lines changed since $(git rev-parse --short "$base") are formatted"
