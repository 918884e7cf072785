#!/usr/bin/env bash
# Sets up (packages, build) and runs the reference host's demo on a temporary case file.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
"${BUILD_DIR:-build}"/vkhost demo "$@"
