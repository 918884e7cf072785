#!/usr/bin/env bash
# Installs the engine into a temporary prefix, builds the example host against the installed tree
# with find_package and with pkg-config, runs it on the demo's case file, builds the Debian packages,
# lists them, unpacks them into a temporary root and builds the example against that root.
# Usage: scripts/check-install.sh [BUILD_DIR]   (an already built tree; default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
step() { echo "== $1 ($(( SECONDS - start ))s)"; }
start=$SECONDS

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
step "installed into $prefix"
find "$prefix" -not -path '*/include/vkengine/*/*'
readelf -d "$prefix"/lib/libvkengine.so.0 | grep -E 'SONAME|RUNPATH|RPATH' || true
if readelf -d "$prefix"/lib/*.so.0 "$prefix"/bin/vkhost | grep -E 'R(UN)?PATH' | grep -q "$build"; then
  echo "an installed file has a RUNPATH into the build tree" >&2; exit 1
fi

cmake -S examples/minimal -B "$work/ex-cmake" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/ex-cmake" >/dev/null
step "example built with find_package"
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
g++ -o "$work/ex-pc" examples/minimal/main.cpp $(pkg-config --cflags --libs vkengine) -Wl,-rpath,"$prefix/lib"
step "example built with pkg-config: g++ main.cpp \$(pkg-config --cflags --libs vkengine)"

case_dir=$work/case
VK_ENV=$work/env "$prefix"/bin/vkhost demo --keep "$case_dir" >/dev/null
"$prefix"/bin/vkhost --version
VK_ENV=$work/env "$work/ex-cmake/minimal_host" "$case_dir"
VK_ENV=$work/env "$work/ex-pc" "$case_dir" >/dev/null
step "example run on the demo's case file"

(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/debs" >/dev/null)
for deb in "$work"/debs/*.deb; do
  echo "--- $(basename "$deb") $(stat -c %s "$deb") bytes"
  dpkg-deb -I "$deb" | grep -E 'Package|Depends'
  dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '/include/vkengine/.*/' 
  dpkg-deb -x "$deb" "$work/root"
done
# Every library the packaged binaries link comes from a package the Debian packages depend on (or
# from libvkengine0 itself): a fresh machine that installs them can load them.
depends=$(for deb in "$work"/debs/*.deb; do dpkg-deb -f "$deb" Depends; done | tr ',' '\n' | awk '{print $1}')
for binary in "$work"/root/usr/lib/*.so.0 "$work"/root/usr/bin/vkhost; do
  for needed in $(readelf -d "$binary" | awk '/NEEDED/ {gsub(/[][]/, "", $5); print $5}'); do
    [ -e "$work/root/usr/lib/$needed" ] && continue
    owner=$(dpkg -S "*/$needed" 2>/dev/null | grep -v i386 | head -n1 | cut -d: -f1)
    grep -qx "$owner" <<<"$depends" ||
      { echo "$(basename "$binary") links $needed ($owner), not in the packages' Depends" >&2; exit 1; }
  done
done
step "Debian packages built and listed"
cmake -S examples/minimal -B "$work/ex-deb" -DCMAKE_PREFIX_PATH="$work/root/usr" >/dev/null
cmake --build "$work/ex-deb" >/dev/null
LD_LIBRARY_PATH=$work/root/usr/lib VK_ENV=$work/env "$work/ex-deb/minimal_host" "$case_dir" >/dev/null
step "example built against the unpacked packages and run"
