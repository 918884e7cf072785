#!/usr/bin/env bash
# Mutation check: applies, one at a time, the hand-chosen faults of scripts/mutations.txt to a copy
# of the tree, builds it and runs the tests; every fault must make a test fail ("killed").
#
#   scripts/mutate.sh                 every mutation, on a copy of HEAD
#   scripts/mutate.sh M07 M12         only these
#   scripts/mutate.sh --worktree ...  copy the working tree (uncommitted changes included) instead
#   scripts/mutate.sh --keep ...      keep the scratch directory (build-mutate/ by default)
#   scripts/mutate.sh --dir DIR ...   scratch directory
#   scripts/mutate.sh --reuse ...     refresh the kept scratch copy and reuse its build
#   scripts/mutate.sh --list          print the mutations and stop
#
# Each mutation holds the shared build lock (/tmp/vk-build.lock) for its own build and tests only,
# so that other builds run in between. A mutation is first run against its focused tests (its
# "tests:" regex, stopping at the first failure); one that survives them is run against the whole
# suite. Results: killed, SURVIVED, stale (the text to replace does not occur exactly once) or
# build-failed (the mutated code does not compile: counted apart, neither killed nor survived).
# Exit status: 0 when every mutation that ran was killed, 1 otherwise, 2 on bad arguments.
set -uo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
LIST="$ROOT/scripts/mutations.txt"
LOCK=/tmp/vk-build.lock
SCRATCH="$ROOT/build-mutate"
KEEP=0
REUSE=0
FROM_WORKTREE=0
LIST_ONLY=0
SELECTED=()
TEST_TIMEOUT=300

usage() { sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'; }

while (($#)); do
    case "$1" in
        --keep) KEEP=1 ;;
        --reuse) REUSE=1; KEEP=1 ;;
        --worktree) FROM_WORKTREE=1 ;;
        --list) LIST_ONLY=1 ;;
        --dir)
            shift
            [[ $# -gt 0 ]] || { echo "--dir attend un répertoire" >&2; exit 2; }
            SCRATCH=$(realpath -m "$1")
            ;;
        -h | --help) usage; exit 0 ;;
        M[0-9]*) SELECTED+=("$1") ;;
        *) echo "argument inconnu : $1" >&2; usage >&2; exit 2 ;;
    esac
    shift
done

# The mutations, read into parallel arrays. A block: "Mnn file", then "why:", "tests:", "find:",
# "replace:" lines; blocks are separated by blank lines; lines starting with "#" are comments.
IDS=() FILES=() WHYS=() REGEXES=() FINDS=() REPLACES=()
parse_list() {
    local line id="" file="" why="" tests="" find="" replace="" have_find=0 have_replace=0
    flush() {
        if [[ -n $id ]]; then
            if [[ -z $file || -z $tests || $have_find -eq 0 || $have_replace -eq 0 ]]; then
                echo "mutations.txt : bloc $id incomplet" >&2
                exit 2
            fi
            IDS+=("$id") FILES+=("$file") WHYS+=("$why") REGEXES+=("$tests")
            FINDS+=("$find") REPLACES+=("$replace")
        fi
        id="" file="" why="" tests="" find="" replace="" have_find=0 have_replace=0
    }
    while IFS= read -r line || [[ -n $line ]]; do
        case "$line" in
            '#'*) ;;
            '') flush ;;
            M[0-9]*' '*) flush; id=${line%% *}; file=${line#* } ;;
            'why: '*) why=${line#why: } ;;
            'tests: '*) tests=${line#tests: } ;;
            'find: '*) find=${line#find: }; have_find=1 ;;
            'replace:'*) replace=${line#replace:}; replace=${replace# }; have_replace=1 ;;
            *) echo "mutations.txt : ligne non comprise : $line" >&2; exit 2 ;;
        esac
    done <"$LIST"
    flush
}
parse_list

if ((LIST_ONLY)); then
    for i in "${!IDS[@]}"; do printf '%s  %-40s %s\n' "${IDS[$i]}" "${FILES[$i]}" "${WHYS[$i]}"; done
    exit 0
fi

RUN=()
if ((${#SELECTED[@]})); then
    for want in "${SELECTED[@]}"; do
        found=""
        for i in "${!IDS[@]}"; do [[ ${IDS[$i]} == "$want" ]] && found=$i; done
        [[ -n $found ]] || { echo "mutation inconnue : $want" >&2; exit 2; }
        RUN+=("$found")
    done
else
    RUN=("${!IDS[@]}")
fi

SRC="$SCRATCH/src"
BUILD="$SRC/build"  # the same place relative to the sources as build/, so ccache finds its objects
cleanup() { ((KEEP)) || rm -rf "$SCRATCH"; }
trap cleanup EXIT

# A copy of the tree, configured and built once. Reused, the copy is refreshed in place, so that
# only what changed since is rebuilt.
if ! ((REUSE)) || [[ ! -f $BUILD/CMakeCache.txt ]]; then
    rm -rf "$SCRATCH"
fi
mkdir -p "$SRC"
if ((FROM_WORKTREE)); then
    (cd "$ROOT" && git ls-files -z --cached --others --exclude-standard |
        xargs -0 tar --no-recursion --ignore-failed-read -cf - 2>/dev/null) | tar -xf - -C "$SRC"
    (cd "$ROOT" && git ls-files --cached --others --exclude-standard | while read -r f; do
        [[ -e $f ]] && echo "$f"; done) | sort >"$SCRATCH/files"
else
    git -C "$ROOT" archive HEAD | tar -xf - -C "$SRC"
    git -C "$ROOT" ls-tree -r --name-only HEAD | sort >"$SCRATCH/files"
fi
# A refreshed copy loses the files the tree no longer has.
(cd "$SRC" && find . -path ./build -prune -o -type f -print | sed 's|^\./||' | sort |
    comm -23 - "$SCRATCH/files" | while read -r f; do rm -f "$f"; done)
# A kept build may hold the objects of the last mutation: the mutated files are rebuilt.
for f in "${FILES[@]}"; do [[ -f $SRC/$f ]] && touch "$SRC/$f"; done
# The tests read the shared directory next to the sources.
[[ -e $ROOT/../shared && ! -e $SCRATCH/shared ]] && ln -s "$(realpath "$ROOT/../shared")" "$SCRATCH/shared"

start_all=$(date +%s)
echo "Copie dans $SRC ; configuration et première construction…"
if ! cmake -S "$SRC" -B "$BUILD" -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DVK_BUILD_BENCHMARKS=OFF \
    >"$SCRATCH/configure.log" 2>&1; then
    echo "La configuration a échoué (voir $SCRATCH/configure.log)" >&2
    KEEP=1
    exit 1
fi
if ! flock "$LOCK" cmake --build "$BUILD" -j2 >"$SCRATCH/build.log" 2>&1; then
    echo "L'arbre non modifié ne se construit pas (voir $SCRATCH/build.log)" >&2
    KEEP=1
    exit 1
fi

# Applies mutation i to the copy; prints "ok" or "stale". The original is kept beside it.
apply_mutation() {
    local i=$1 target="$SRC/${FILES[$1]}"
    [[ -f $target ]] || { echo stale; return; }
    cp -p "$target" "$SCRATCH/original"
    FIND="${FINDS[$i]}" REPLACE="${REPLACES[$i]}" python3 - "$target" <<'EOF'
import os, sys
path = sys.argv[1]
text = open(path, encoding="utf-8").read()
# "\\n" in the list stands for a line break.
find = os.environ["FIND"].replace("\\n", "\n")
replace = os.environ["REPLACE"].replace("\\n", "\n")
if text.count(find) != 1:
    print("stale")
    sys.exit(0)
open(path, "w", encoding="utf-8").write(text.replace(find, replace))
print("ok")
EOF
}

restore_mutation() {
    cp -p "$SCRATCH/original" "$SRC/${FILES[$1]}"
    touch "$SRC/${FILES[$1]}"  # newer than the mutated build, whatever the copy's time
}

# The first failed test of a ctest log.
first_failure() {
    grep -E '\*\*\*(Failed|Exception|Timeout)|\(Failed\)|\(Timeout\)|\(Subprocess' "$1" | head -1 |
        sed -E 's/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: ([^ ]+).*/\1/; s/^ *[0-9]+ - ([^ ]+).*/\1/'
}

# Builds and tests one mutation (id, focused regex); prints "status|test". Run under the lock.
run_one() {
    local id=$1 regex=$2 log="$SCRATCH/$1"
    # What the tests run: the test program, the host and the second program of the multi-user tests.
    if ! cmake --build "$BUILD" -j2 --target vktests vkhost vkworker >"$log.build.log" 2>&1; then
        echo "build-failed|"
        return
    fi
    if ! ctest --test-dir "$BUILD" -R "$regex" -j2 --stop-on-failure --timeout "$TEST_TIMEOUT" \
        >"$log.focused.log" 2>&1; then
        if grep -q 'No tests were found' "$log.focused.log"; then
            echo "no-tests|$regex"
            return
        fi
        echo "killed|$(first_failure "$log.focused.log")"
        return
    fi
    if grep -q 'No tests were found' "$log.focused.log"; then
        echo "no-tests|$regex"
        return
    fi
    if ! ctest --test-dir "$BUILD" -j2 --stop-on-failure --timeout "$TEST_TIMEOUT" >"$log.full.log" 2>&1; then
        echo "killed|$(first_failure "$log.full.log") (hors des tests ciblés)"
        return
    fi
    echo "SURVIVED|"
}

export -f run_one first_failure
export BUILD SCRATCH TEST_TIMEOUT

killed=0 survived=0 stale=0 failed=0
SURVIVORS=() BROKEN=()
for i in "${RUN[@]}"; do
    t0=$(date +%s)
    if [[ $(apply_mutation "$i") != ok ]]; then
        result="stale|"
    else
        # Only this mutation's build and tests hold the lock.
        result=$(flock "$LOCK" bash -c 'run_one "$@"' _ "${IDS[$i]}" "${REGEXES[$i]}")
        restore_mutation "$i"
    fi
    status=${result%%|*} test=${result#*|}
    seconds=$(($(date +%s) - t0))
    case "$status" in
        killed) ((++killed)) ;;
        SURVIVED) ((++survived)); SURVIVORS+=("$i") ;;
        stale) ((++stale)); BROKEN+=("$i") ;;
        *) ((++failed)); BROKEN+=("$i") ;;
    esac
    printf '%-4s %-12s %5ss  %s\n' "${IDS[$i]}" "$status" "$seconds" "$test"
done

total=${#RUN[@]}
echo
echo "tués : $killed/$total   survivants : $survived   périmées : $stale   ne compilent pas ou sans test : $failed"
echo "durée : $(($(date +%s) - start_all)) s"
for i in "${SURVIVORS[@]}"; do
    echo "SURVIVED ${IDS[$i]} ${FILES[$i]} : ${WHYS[$i]}"
done
for i in "${BROKEN[@]}"; do
    echo "à revoir ${IDS[$i]} ${FILES[$i]} : ${WHYS[$i]}"
done
((survived == 0 && stale == 0 && failed == 0))
