#!/usr/bin/env bash
# Mutation check of the test suite: applies the faults of scripts/mutations.txt one at a time to a
# scratch copy of the project, builds it, runs the suite and reports each fault killed (a test
# failed) or survived (every test passed). A survivor is a gap in the suite.
#
#   scripts/mutate.sh            every fault
#   scripts/mutate.sh REGEX      only the faults whose line matches REGEX (grep -E), e.g. SafeRename
#   scripts/mutate.sh --check    only checks that each fault's text occurs once in its file
#   scripts/mutate.sh --generated N [--seed S]
#                                N mutants made mechanically by scripts/mutants.py instead of the
#                                list, sampled with seed S (default: today's date); ends with the
#                                score per file (killed / (killed + survived))
#   scripts/mutate.sh --list     counts the mechanical mutants per file and operator, builds nothing
#
# The scratch copy lives in $VORLIN_MUTATE_DIR (default /tmp/vorlin-mutate) beside a link to
# ../shared, so tests that read the shared bitmaps run there too. It is not part of CI.
set -euo pipefail
shopt -u patsub_replacement 2>/dev/null || true
cd "$(dirname "$0")/.."
root=$PWD
list=scripts/mutations.txt

check_only=0
filter=
generated=
seed=$(date +%F)
while (($#)); do
    case $1 in
    --check) check_only=1 ;;
    --list) exec python3 scripts/mutants.py --list ;;
    --generated)
        [[ ${2:-} =~ ^[0-9]+$ ]] || { echo "mutate: --generated needs a number of mutants" >&2 && exit 2; }
        generated=$2
        shift
        ;;
    --seed)
        [[ -n ${2:-} ]] || { echo "mutate: --seed needs a value" >&2 && exit 2; }
        seed=$2
        shift
        ;;
    *) filter=$1 ;;
    esac
    shift
done

scratch=${VORLIN_MUTATE_DIR:-/tmp/vorlin-mutate}

# Reads the list into parallel arrays: file, text to find, replacement. "\n" stands for a newline.
# A generated mutant instead has the whole mutated file, in mutated[].
files=() finds=() repls=() lines=() mutated=()
while [[ -z $generated ]] && IFS= read -r line; do
    [[ $line =~ ^[[:space:]]*(#|$) ]] && continue
    if [[ -n $filter ]] && ! grep -qE -- "$filter" <<<"$line"; then
        continue
    fi
    if [[ $line != *" ||| "*" ||| "* ]]; then
        echo "mutate: malformed line: $line" >&2
        exit 2
    fi
    file=${line%% ||| *}
    rest=${line#* ||| }
    find=${rest%% ||| *}
    repl=${rest#* ||| }
    [[ $repl == "<delete>" ]] && repl=
    files+=("$file") finds+=("${find//\\n/$'\n'}") repls+=("${repl//\\n/$'\n'}") lines+=("$line")
done <"$list"

# Prints how often the text $2 occurs in the file $1.
occurrences() {
    local content rest count=0
    content=$(<"$1")
    rest=$content
    while [[ $rest == *"$2"* ]]; do
        rest=${rest#*"$2"}
        count=$((count + 1))
    done
    echo "$count"
}

bad=0
for i in "${!files[@]}"; do
    n=$(occurrences "${files[i]}" "${finds[i]}")
    if [[ $n != 1 ]]; then
        echo "mutate: text occurs $n times in ${files[i]}: ${lines[i]}" >&2
        bad=1
    fi
done
if [[ $check_only == 1 ]]; then
    echo "${#files[@]} faults, each text found once: $([[ $bad == 0 ]] && echo yes || echo no)"
fi
# A fault whose text is not found once would change nothing and count as survived.
[[ $bad == 0 && $check_only == 0 ]] || exit $bad

excluded=0
if [[ -n $generated ]]; then
    rm -rf "$scratch/mutants"
    python3 scripts/mutants.py --sample "$generated" --seed "$seed" --write "$scratch/mutants"
    excluded=$(sed -n 's/^excluded=//p' "$scratch/mutants/summary")
    while IFS=$'\t' read -r number file id; do
        files+=("$file") lines+=("$id") mutated+=("$scratch/mutants/$number")
    done <"$scratch/mutants/manifest.tsv"
fi

src=$scratch/vorlin
build=$scratch/build
mkdir -p "$src"
ln -sfn "$(realpath "$root/../shared" 2>/dev/null || echo "$root/../shared")" "$scratch/shared"
tar --exclude=./build --exclude=./.git -cf - . | tar -xmf - -C "$src"

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# Built without optimisation or debug information, which builds fastest, with Qt's own checks on as
# in CI's sanitizer run, and the standard library's: an index out of range aborts, not reads on.
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O0" \
    -DCMAKE_CXX_FLAGS="-D_GLIBCXX_ASSERTIONS" -DVORLIN_BUILD_BENCH=OFF -DVORLIN_TEST_TIMEOUT=30 \
    "${launcher[@]}" >/dev/null
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

run_suite() {
    cmake --build "$build" -j "$jobs" >"$scratch/build.log" 2>&1 || return 2
    # The package check builds a .deb and proves nothing about the code; it is left out. Every
    # test runs (the suite takes seconds), so the report can say which tests catch each fault.
    (cd "$build" && ctest -j "$jobs" -LE packaging --timeout 30 >"$scratch/ctest.log" 2>&1) || return 1
}

start=$SECONDS
if ! run_suite; then
    echo "mutate: the unchanged suite does not pass; see $scratch/build.log and ctest.log" >&2
    exit 1
fi

killed=0 survived=0 unbuilt=0
declare -A file_killed=() file_survived=() file_unbuilt=()
survivors=()
for i in "${!files[@]}"; do
    file=${files[i]}
    target=$src/$file
    if [[ -n $generated ]]; then
        cp "${mutated[i]}" "$target"
    else
        cp "$root/$file" "$target"
        content=$(<"$target")
        printf '%s\n' "${content/"${finds[i]}"/"${repls[i]}"}" >"$target"
    fi
    set +e
    run_suite
    rc=$?
    set -e
    case $rc in
    0)
        verdict=SURVIVED && survived=$((survived + 1))
        file_survived[$file]=$((${file_survived[$file]:-0} + 1))
        survivors+=("${lines[i]}")
        ;;
    1)
        verdict=killed && killed=$((killed + 1))
        file_killed[$file]=$((${file_killed[$file]:-0} + 1))
        ;;
    *)
        verdict="not built" && unbuilt=$((unbuilt + 1))
        file_unbuilt[$file]=$((${file_unbuilt[$file]:-0} + 1))
        ;;
    esac
    printf '%-9s %s\n' "$verdict" "${lines[i]}"
    if [[ $rc == 1 ]]; then
        echo "          by: $(sed -nE 's/^[[:space:]]*[0-9]+ - ([^ ]+) .*/\1/p' "$scratch/ctest.log" | xargs)"
    fi
    cp "$root/$file" "$target"
done

# The score leaves out the mutants that do not build: they say nothing about the tests.
score() {
    awk -v k="$1" -v s="$2" 'BEGIN { if (k + s == 0) print "-"; else printf "%.1f %%\n", 100 * k / (k + s) }'
}

if [[ -z $generated ]]; then
    echo "${#files[@]} faults: $killed killed, $survived survived, $unbuilt not built," \
        "in $((SECONDS - start)) s"
    [[ $survived == 0 && $unbuilt == 0 ]]
    exit
fi

echo
printf '%-34s %7s %9s %10s %8s\n' file killed survived "not built" score
for file in $(printf '%s\n' "${files[@]}" | sort -u); do
    k=${file_killed[$file]:-0} s=${file_survived[$file]:-0} u=${file_unbuilt[$file]:-0}
    printf '%-34s %7d %9d %10d %8s\n' "$file" "$k" "$s" "$u" "$(score "$k" "$s")"
done
if ((${#survivors[@]})); then
    echo
    echo "survivors:"
    printf '  %s\n' "${survivors[@]}"
fi
echo
echo "${#files[@]} mutants (seed $seed): $killed killed, $survived survived, $unbuilt not built," \
    "$excluded excluded skipped; score $(score "$killed" "$survived"), in $((SECONDS - start)) s"
