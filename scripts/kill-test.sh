#!/usr/bin/env bash
# Kills the reference host (SIGKILL) at random moments while it works on a case file of a few
# thousand assets, and checks after each kill that nothing is lost or half-written: the case file
# opens, and a canonical dump of its tables equals either the dump taken before the command or the
# dump after an uninterrupted run of it. Run outside CTest: it takes several minutes.
#
#   bash scripts/kill-test.sh [--assets N] [--kills K] [--seed S] [--resume R] [--keep DIR]
#                             [--base CASE] [COMMAND...]
#
# COMMAND: close-year, entries (vkhost entries DIR 4 --create); default both. N assets (default
# 3000) are generated deterministically and built with `vkhost run`; each command is killed K times
# (default 20); S seeds the kill moments (default 1), so that a failing run can be replayed. On the
# first R case files (default 1) a kill left as they were, the command is run again to the end and
# must give the dump of the uninterrupted run. --keep copies the work directory (case files, dumps)
# to DIR at the end; --base starts from the case file CASE (kept by an earlier --keep, DIR/base)
# instead of building one. Exit status 0 when every kill left one of the two states.
set -euo pipefail
cd "$(dirname "$0")/.."

assets=3000 kills=20 seed=1 resume=1 keep="" base=""
commands=()
while [ $# -gt 0 ]; do
  case "$1" in
    --assets) assets=$2; shift 2 ;;
    --kills) kills=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --resume) resume=$2; shift 2 ;;
    --keep) keep=$2; shift 2 ;;
    --base) base=$(realpath "$2"); shift 2 ;;
    close-year | entries) commands+=("$1"); shift ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
[ ${#commands[@]} -gt 0 ] || commands=(close-year entries)

if [ "${KILL_TEST_NO_SETUP:-0}" != 1 ]; then bash scripts/setup.sh; fi
host=$(realpath "${BUILD_DIR:-build}/vkhost")
work=$(mktemp -d)
chmod 700 "$work"
cleanup() { [ -n "$keep" ] && { mkdir -p "$keep"; cp -a "$work"/. "$keep"/; }; rm -rf "$work"; }
trap cleanup EXIT
env_dir=$work/env

# --- A register of N assets: machines depreciated declining for tax (derogatory depreciation),
# computers on the default plans, buildings of two components, passenger cars (reintegration).
asset_json() {
  local i=$1 year=$((2024 + $1 % 2)) month=$((1 + $1 % 12)) day=$((1 + $1 % 28))
  local date price ref
  printf -v date "%d-%02d-%02d" "$year" "$month" "$day"
  printf -v price "%d.%02d" $((1000 + (i * 7919) % 90000)) $((i % 100))
  printf -v ref "K%05d" "$i"
  case $((i % 4)) in
    0) printf '{"ref":"%s","designation":"Machine %d","components":[{"account":"215400","entry_date":"%s","details":[{"price":"%s","costs":"%d.5"}],"plans":[{"kind":1,"method":1,"duration":60},{"kind":2,"method":2,"duration":60}]}]}' \
         "$ref" "$i" "$date" "$price" $((i % 300)) ;;
    1) printf '{"ref":"%s","designation":"Ordinateur %d","components":[{"account":"218300","entry_date":"%s","details":[{"price":"%s","vat":"%d"}],"plans":[{"kind":1,"method":1,"duration":36},{"kind":2,"method":1,"duration":36}]}]}' \
         "$ref" "$i" "$date" "$price" $((i % 500)) ;;
    2) printf '{"ref":"%s","designation":"Local %d","components":[{"account":"213100","entry_date":"%s","details":[{"price":"%s"}],"plans":[{"kind":1,"method":1,"duration":240},{"kind":2,"method":1,"duration":240}]},{"account":"213500","entry_date":"%s","designation":"Agencements","details":[{"price":"%d"}],"plans":[{"kind":1,"method":1,"duration":120},{"kind":2,"method":1,"duration":120}]}]}' \
         "$ref" "$i" "$date" "$price" "$date" $((500 + i % 4000)) ;;
    3) printf '{"ref":"%s","designation":"Voiture %d","vehicle":{"type":5,"first_registration":"%s","registration":"AA-%03d-BB","co2":%d,"wltp":true},"components":[{"account":"218200","entry_date":"%s","details":[{"price":"%s"}],"plans":[{"kind":1,"method":1,"duration":60},{"kind":2,"method":1,"duration":60}]}]}' \
         "$ref" "$i" "$date" $((i % 1000)) $((90 + i % 120)) "$date" "$price" ;;
  esac
}

scenario() {
  local n=$1 i
  printf '{"case":{"fiscal_years":[{"start":"2024-01-01","end":"2024-12-31"},{"start":"2025-01-01","end":"2025-12-31"},{"start":"2026-01-01","end":"2026-12-31"}],"current_year":"2026-01-01","tax_regime":2,"user":"killtest"},\n"assets":[\n'
  for ((i = 1; i <= n; i++)); do
    asset_json "$i"
    [ "$i" -lt "$n" ] && printf ',\n'
  done
  printf '\n],"report":{}}\n'
}

# --- Canonical dump: every row of every user table, each row on one line (its columns in order,
# text blobs read as text), the lines sorted; generator values are left out (they are not
# transactional: a rolled-back insert still used its number). The TIMESTAMP columns are the stamps
# of who created or validated a version and when (the accounting dates are DATE columns): their
# time of day differs from one run to the next, so the dump shows only whether a stamp is set.
isql() { isql-fb -q -ch UTF8 "$1/dossier.fdb"; }

dump() {
  local dir=$1 script
  script=$( (echo "SET HEADING OFF;"
    echo "SELECT TRIM(R.RDB\$RELATION_NAME), TRIM(F.RDB\$FIELD_NAME), T.RDB\$FIELD_TYPE
          FROM RDB\$RELATIONS R JOIN RDB\$RELATION_FIELDS F ON F.RDB\$RELATION_NAME=R.RDB\$RELATION_NAME
          JOIN RDB\$FIELDS T ON T.RDB\$FIELD_NAME=F.RDB\$FIELD_SOURCE
          WHERE R.RDB\$SYSTEM_FLAG=0 AND R.RDB\$VIEW_BLR IS NULL ORDER BY 1, F.RDB\$FIELD_POSITION;") |
    isql "$dir" | awk '
      NF == 3 {
        column = "\"" $2 "\""
        if ($3 == 261) column = "CAST(" column " AS VARCHAR(32000) CHARACTER SET UTF8)"
        if ($3 == 35) column = "IIF(" column " IS NULL, NULL, '\''stamp'\'') AS " column
        if ($1 != table) { if (table != "") print " FROM \"" table "\";"; table = $1
                           printf "SELECT '\''%s'\'' AS T_", table }
        printf ", %s", column }
      END { if (table != "") print " FROM \"" table "\";" }')
  { echo "SET LIST ON;"; echo "$script"; } | isql "$dir" |
    awk 'BEGIN { RS = ""; FS = "\n" } { line = $1; for (i = 2; i <= NF; i++) line = line "\x1f" $i; print line }' |
    sed 's/  */ /g' | LC_ALL=C sort
}

# A script that sets every generator (identity columns' included) back to its value in the case
# file DIR. A killed run used numbers that its rolled-back rows no longer hold; running the command
# again after the generators are put back gives the rows the same keys as an uninterrupted run.
generators_script() {
  local dir=$1 queries
  queries=$( (echo "SET HEADING OFF;"
    echo "SELECT 'S', TRIM(RDB\$GENERATOR_NAME) FROM RDB\$GENERATORS WHERE RDB\$SYSTEM_FLAG=0;"
    echo "SELECT 'I', TRIM(RDB\$RELATION_NAME), TRIM(RDB\$FIELD_NAME), TRIM(RDB\$GENERATOR_NAME)
          FROM RDB\$RELATION_FIELDS WHERE RDB\$GENERATOR_NAME IS NOT NULL;") |
    isql "$dir" | awk '
      $1 == "S" { printf "SELECT '\''ALTER SEQUENCE \"%s\" RESTART WITH '\'' || GEN_ID(\"%s\", 0) || '\'';'\'' FROM RDB$DATABASE;\n", $2, $2 }
      $1 == "I" { printf "SELECT '\''ALTER TABLE \"%s\" ALTER \"%s\" RESTART WITH '\'' || GEN_ID(\"%s\", 0) || '\'';'\'' FROM RDB$DATABASE;\n", $2, $3, $4 }')
  { echo "SET HEADING OFF;"; echo "$queries"; } | isql "$dir" | grep -v '^ *$'
  echo "COMMIT;"
}

now_ms() { date +%s%3N; }

command_line() {  # the host's command line for COMMAND on the case file DIR
  case "$1" in
    close-year) echo "close-year $2" ;;
    entries) echo "entries $2 4 --create" ;;
  esac
}

# The case file opens through the engine: one asset's schedules are read.
opens() { "$host" schedule "$1" K00001 --env "$env_dir" >/dev/null 2>"$work/opens.err"; }

if [ -n "$base" ]; then
  echo "== Starting from the case file $base"
  cp -a "$base" "$work/base"
else
  echo "== Building a case file of $assets assets"
  scenario "$assets" >"$work/scenario.json"
  start=$(now_ms)
  "$host" run "$work/scenario.json" --case "$work/base" --env "$env_dir" --out "$work/report.json"
  echo "   built in $(($(now_ms) - start)) ms"
fi
dump "$work/base" >"$work/before.dump"
generators_script "$work/base" >"$work/generators.sql"
echo "   $(wc -l <"$work/before.dump") rows"

RANDOM=$seed
failed=0
summary=()
for command in "${commands[@]}"; do
  if ! "$host" --help 2>/dev/null | grep -q "^ *${command%% *} "; then
    summary+=("$command: vkhost has no such command, skipped")
    continue
  fi
  echo "== $command: uninterrupted run"
  rm -rf "$work/ref"
  cp -a "$work/base" "$work/ref"
  start=$(now_ms)
  # shellcheck disable=SC2046
  "$host" $(command_line "$command" "$work/ref") --env "$env_dir" >"$work/ref.out" 2>&1 ||
    { cat "$work/ref.out"; echo "the uninterrupted $command failed" >&2; exit 1; }
  duration=$(($(now_ms) - start))
  dump "$work/ref" >"$work/after.dump"
  if cmp -s "$work/before.dump" "$work/after.dump"; then
    echo "the uninterrupted $command changed nothing: the test would prove nothing" >&2
    exit 1
  fi
  echo "   $duration ms; $(diff "$work/before.dump" "$work/after.dump" | grep -c '^[<>]') rows differ"

  killed=0 as_before=0 as_after=0 finished=0 broken=0 resumed=0
  for ((k = 1; k <= kills; k++)); do
    rm -rf "$work/trial"
    cp -a "$work/base" "$work/trial"
    # Kill moments spread over the whole run, startup included, and a little past it.
    delay=$(((RANDOM * 32768 + RANDOM) % (duration * 11 / 10 + 1)))
    "$host" $(command_line "$command" "$work/trial") --env "$env_dir" >"$work/trial.out" 2>&1 &
    pid=$!
    sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null && status=0 || status=$?
    if [ "$status" -eq $((128 + 9)) ]; then  # the shell's status of a process killed by SIGKILL
      killed=$((killed + 1))
      how="killed at $delay ms"
    else
      finished=$((finished + 1))
      how="finished (status $status) before the kill at $delay ms"
      [ "$status" -eq 0 ] || { broken=$((broken + 1)); how+=", FAILED: $(head -3 "$work/trial.out")"; }
    fi
    if ! opens "$work/trial"; then
      broken=$((broken + 1))
      echo "   #$k $how: the case file does not open: $(head -3 "$work/opens.err")"
      continue
    fi
    dump "$work/trial" >"$work/trial.dump"
    if cmp -s "$work/trial.dump" "$work/before.dump"; then
      as_before=$((as_before + 1))
      state="as before"
      # Nothing was kept of the interrupted run: the command runs again to the same end (checked
      # on the first --resume such case files: a whole run each).
      if [ "$resumed" -lt "$resume" ]; then
        resumed=$((resumed + 1))
        if isql "$work/trial" <"$work/generators.sql" >/dev/null &&
          "$host" $(command_line "$command" "$work/trial") --env "$env_dir" >/dev/null 2>&1 &&
          dump "$work/trial" | cmp -s - "$work/after.dump"; then
          state="as before; run again, as after"
        else
          broken=$((broken + 1))
          state="as before, but running it again does not give the same end"
        fi
      fi
    elif cmp -s "$work/trial.dump" "$work/after.dump"; then
      as_after=$((as_after + 1))
      state="as after"
    else
      broken=$((broken + 1))
      state="NEITHER: $(diff "$work/before.dump" "$work/trial.dump" | grep -c '^[<>]') rows differ from before"
      cp "$work/trial.dump" "$work/broken-$command-$k.dump"
    fi
    echo "   #$k $how: $state"
  done
  line="$command ($duration ms uninterrupted): $kills runs, $killed killed, $finished finished first;"
  line+=" $as_before as before ($resumed of them run again), $as_after as after, $broken broken"
  summary+=("$line")
  [ "$broken" -eq 0 ] || failed=1
done

echo
echo "Kill test, $(grep -c '^T_ ZENKOVKB' "$work/before.dump") asset versions, seed $seed:"
printf '  %s\n' "${summary[@]}"
exit $failed
