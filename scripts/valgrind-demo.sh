#!/usr/bin/env bash
# Runs the reference host's demo under valgrind's memory checker: any memory error or definite leak
# of our own fails the run. tests/valgrind/firebird.supp holds the reports that belong to the
# Firebird client and engine themselves (each reproduced with Firebird's own isql-fb alone).
#
#   bash scripts/valgrind-demo.sh [VALGRIND OPTIONS...]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh  # packages, and the build in build/
if ! dpkg-query -W -f='${Status}' valgrind 2>/dev/null | grep -q "install ok installed"; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends valgrind
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
valgrind --leak-check=full --errors-for-leak-kinds=definite --error-exitcode=1 \
  --suppressions=tests/valgrind/firebird.supp --num-callers=40 "$@" \
  "${BUILD_DIR:-build}"/vkhost demo --env "$work/env"
echo "valgrind: no memory error and no definite leak of our own"
