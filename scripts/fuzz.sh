#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang, AddressSanitizer and UndefinedBehaviorSanitizer in
# build-fuzz/, then runs each for a bounded time and reports its executions and any crash.
#
#   bash scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]      (default: 60 s, every target)
#
# Seeds come from fuzz/corpus/TARGET/ (never written to); what a run adds goes to
# build-fuzz/corpus/TARGET/, and a crashing input to build-fuzz/artifacts/TARGET/. Once the fault is
# fixed, copy that input into fuzz/corpus/TARGET/ under a name that says what it found.
# Installs what it needs (clang, libFuzzer's runtime) on first use; safe to run again; run as root.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in fuzz/*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi

SETUP_NO_BUILD=1 bash scripts/setup.sh
missing=()
for p in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build=build-fuzz
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DVK_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"

failed=0
summary=()
for target in "${targets[@]}"; do
  corpus=$build/corpus/$target artifacts=$build/artifacts/$target/ tmp=$build/tmp/$target
  mkdir -p "$corpus" "$artifacts" "$tmp" "fuzz/corpus/$target"
  log=$build/$target.log
  # Leaks of embedded Firebird are left to valgrind (scripts/valgrind-demo.sh): the leak checker
  # itself crashes at the exit of a process that ran the embedded engine.
  leaks=1
  [ "$target" = fuzz_sql_literals ] && leaks=0
  echo "== $target: ${seconds} s"
  set +e
  TMPDIR=$tmp ASAN_OPTIONS=detect_leaks=$leaks UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$build/$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2560 -detect_leaks=$leaks \
    -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" "fuzz/corpus/$target" >"$log" 2>&1
  status=$?
  set -e
  rm -rf "$tmp"
  executions=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
  if [ -z "$executions" ]; then
    executions=$(grep -oE '^#[0-9]+' "$log" | tail -1 | tr -d '#' || true)
  fi
  found=$(grep -o "Test unit written to .*" "$log" | sed 's/Test unit written to //' || true)
  if [ $status -ne 0 ] || [ -n "$found" ]; then
    failed=1
    summary+=("$target: ${executions:-?} executions, CRASH (status $status): ${found:-see $log}")
    grep -E "property broken|ERROR: |SUMMARY: |runtime error" "$log" | head -5 | sed 's/^/    /'
  else
    summary+=("$target: ${executions:-?} executions in ${seconds} s, no crash, corpus $(ls "$corpus" | wc -l) new inputs")
  fi
done

echo
echo "Fuzzing summary:"
printf '  %s\n' "${summary[@]}"
exit $failed
