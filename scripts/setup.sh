#!/usr/bin/env bash
# Installs every Debian package the project needs, generates the French locale used by the
# decimal-separator tests, then configures and builds (unless SETUP_NO_BUILD=1). Safe to run again; run
# it as root.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake pkg-config git
  firebird3.0-server-core firebird-dev libfbclient2 firebird3.0-utils
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev libfmt-dev libsimpleini-dev libcsv-dev
  locales clang-format doxygen
  libcairo2-dev libpango1.0-dev poppler-utils
)
# SETUP_SERVER=1 (scripts/server.sh): also the Firebird server, for the runs against a served case file.
[ "${SETUP_SERVER:-0}" = 1 ] && packages+=(firebird3.0-server)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  # firebird3.0-server (for scripts/server.sh, which starts its own server on loopback) would start
  # the system's service on install: a policy that refuses every service start prevents it, for the
  # time of the install only. The embedded engine does not depend on that service.
  policy=/usr/sbin/policy-rc.d
  own_policy=0
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' > "$policy" && chmod 755 "$policy" && own_policy=1
    trap 'if [ "$own_policy" = 1 ]; then rm -f "$policy"; fi' EXIT
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
  if [ "$own_policy" = 1 ]; then rm -f "$policy"; own_policy=0; fi
fi

if ! locale -a 2>/dev/null | grep -qi '^fr_FR\.utf-\?8$'; then
  sed -i 's/^# *fr_FR.UTF-8 UTF-8/fr_FR.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^fr_FR.UTF-8 UTF-8' /etc/locale.gen || echo 'fr_FR.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi

# SETUP_NO_BUILD=1: packages and locale only (the fuzzing and sanitizer scripts build elsewhere).
[ "${SETUP_NO_BUILD:-0}" = 1 ] && exit 0

build_dir=${BUILD_DIR:-build}
# SETUP_CMAKE_ARGS: further options of the configuration (CI: -DVK_WERROR=ON).
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} ${SETUP_CMAKE_ARGS:-} >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
