#!/usr/bin/env bash
# Plants the one-line faults of tools/mutants/*.patch one at a time in a scratch copy of the
# tree, rebuilds, runs the test suite and tells whether a test caught each fault. The working
# tree is never changed. Takes minutes: not part of ./test.sh.
set -u

root=$(cd "$(dirname "$0")/.." && pwd)
mutants_dir="$root/tools/mutants"
work="$root/build-mutate"
tree="$work/tree"
build="$tree/build"
logs="$work/logs"

quick=0
filter=""
test_timeout=120
mutant_timeout=900
slow_tests="OmbrelProgramCapture"
skip_tests=""

usage() {
    cat <<EOF
Usage: tools/mutate.sh [options] [FILTER]
Applies each mutant of tools/mutants/ whose name matches the extended regular expression FILTER
(default: all; "xml-|bmp-" takes two families) to a copy of the tree in build-mutate/, rebuilds
it (RelWithDebInfo, incremental; the mutated layer's test program first), runs the tests with
ctest (that layer's first, the slow end-to-end ones last) and prints each mutant's fate: killed
(with the first failing test), build-broken (killed by the compiler), SURVIVED, or stale (the
patch no longer applies; not counted). Ends with the mutation score, killed/applied.
A mutant of a _win32 file, or one named windows-*, is judged on the Windows build of the copy
(build-mutate/tree/build-windows, with the libraries of tools/windows/build.sh) by its unit
tests under Wine (tools/windows/unit-tests.sh).

Options:
  -h, --help             print this help and exit
  --quick                leave out the slow end-to-end tests ($slow_tests*)
  --skip REGEX           leave out the tests matching REGEX too (one that needs an idle machine,
                         say); every mutant then has to be caught by the others
  --test-timeout S       limit for one test, in seconds (default: $test_timeout)
  --mutant-timeout S     limit for the whole suite under one mutant (default: $mutant_timeout)
  --list                 list the mutants with what each one breaks, and exit
  --untouched            list the files of src/ that no mutant touches (a header counts as
                         touched through its own .cpp) with the reason tools/mutants/untouched.txt
                         gives for each, and exit: 1 when a file has no mutant and no reason
EOF
}

bad_use() {
    echo "mutate.sh: $1 (see --help)" >&2
    exit 2
}

is_seconds() {
    [[ "$1" =~ ^[1-9][0-9]*$ ]]
}

list_only=0
list_untouched=0
while [ $# -gt 0 ]; do
    case "$1" in
    -h | --help)
        usage
        exit 0
        ;;
    --quick) quick=1 ;;
    --list) list_only=1 ;;
    --untouched) list_untouched=1 ;;
    --skip)
        [ $# -ge 2 ] || bad_use "$1 needs a value"
        skip_tests=$2
        shift
        ;;
    --test-timeout | --mutant-timeout)
        [ $# -ge 2 ] || bad_use "$1 needs a value"
        is_seconds "$2" || bad_use "$1 needs a whole number of seconds, not '$2'"
        if [ "$1" = --test-timeout ]; then test_timeout=$2; else mutant_timeout=$2; fi
        shift
        ;;
    --test-timeout=* | --mutant-timeout=*)
        value=${1#*=}
        is_seconds "$value" || bad_use "${1%%=*} needs a whole number of seconds, not '$value'"
        if [ "${1%%=*}" = --test-timeout ]; then test_timeout=$value; else mutant_timeout=$value; fi
        ;;
    -*) bad_use "unknown option '$1'" ;;
    *)
        [ -z "$filter" ] || bad_use "one FILTER at most"
        filter=$1
        ;;
    esac
    shift
done

# The files a patch changes, as paths inside the tree.
patched_files() {
    sed -n 's/^+++ b\/\([^[:space:]]*\).*/\1/p' "$1"
}

# Prints the files of src/ that no mutant touches, each with the reason untouched.txt gives for
# leaving it out ("path reason..." lines); false when one has no reason. A header is touched
# through its source file beside it (Name.cpp, or a platform's Name_platform.cpp).
untouched_files() {
    local touched file base candidate covered reason status=0 count=0
    touched=$(for patch in "$mutants_dir"/*.patch; do patched_files "$patch"; done | sort -u)
    while IFS= read -r file; do
        grep -qxF "$file" <<<"$touched" && continue
        covered=0
        if [[ "$file" == *.h ]]; then
            base=${file%.h}
            for candidate in "$root/$base.cpp" "$root/$base"_*.cpp; do
                [ -e "$candidate" ] && grep -qxF "${candidate#"$root"/}" <<<"$touched" && covered=1
            done
        fi
        [ $covered = 1 ] && continue
        reason=$(awk -v f="$file" '$1 == f { $1 = ""; sub(/^ +/, ""); print; exit }' \
            "$mutants_dir/untouched.txt" 2>/dev/null)
        if [ -z "$reason" ]; then
            reason="NO MUTANT (give it one, or a reason in tools/mutants/untouched.txt)"
            status=1
        fi
        printf '%-42s %s\n' "$file" "$reason"
        count=$((count + 1))
    done < <(cd "$root" && git ls-files -co --exclude-standard src | sort)
    echo "$count files of src/ without a mutant"
    return $status
}

if [ $list_untouched = 1 ]; then
    [ -z "$filter" ] || bad_use "--untouched takes no FILTER"
    untouched_files
    exit $?
fi

mutants=()
for patch in "$mutants_dir"/*.patch; do
    [ -e "$patch" ] || continue
    name=$(basename "$patch" .patch)
    [[ "$name" =~ $filter ]] && mutants+=("$patch")
done
[ ${#mutants[@]} -gt 0 ] || bad_use "no mutant in tools/mutants/ matches '$filter'"

if [ $list_only = 1 ]; then
    for patch in "${mutants[@]}"; do
        printf '%-36s %s\n' "$(basename "$patch" .patch)" "$(head -n 1 "$patch")"
    done
    exit 0
fi

for tool in cmake ctest patch cmp timeout git; do
    command -v "$tool" >/dev/null || { echo "mutate.sh: $tool is missing" >&2; exit 1; }
done

# Whatever happens, the copy is left as the working tree is: the mutated files are copied back
# (with a new time, so the next build compiles them again).
applied=""
restore() {
    if [ -n "$applied" ]; then
        local file
        for file in $(patched_files "$applied"); do
            cp "$root/$file" "$tree/$file"
        done
        applied=""
    fi
}
trap restore EXIT
trap 'restore; echo; echo "mutate.sh: interrupted" >&2; exit 130' INT TERM HUP

# Mirrors the working tree's files (tracked or new, not ignored) into the copy; only changed
# files are copied, so the build stays incremental.
sync_tree() {
    mkdir -p "$tree"
    local listed="$work/files.txt"
    (cd "$root" && git ls-files -co --exclude-standard) | sort >"$listed"
    local file
    while IFS= read -r file; do
        [ -f "$root/$file" ] || continue
        if ! cmp -s "$root/$file" "$tree/$file"; then
            mkdir -p "$(dirname "$tree/$file")"
            cp "$root/$file" "$tree/$file"
        fi
    done <"$listed"
    # Files the working tree no longer has would still be globbed into the build.
    (cd "$tree" && find . -path ./build -prune -o -path ./build-windows -prune -o -type f -print |
        sed 's|^\./||' | sort) |
        comm -23 - "$listed" | while IFS= read -r file; do
        case "$file" in
        src/* | tests/* | bench/* | tools/* | data/* | CMakeLists.txt) rm -f "$tree/$file" ;;
        esac
    done
}

export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy

# Builds the given targets (everything when none is given); the log goes to $1.
build_tree() {
    local log=$1
    shift
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    cmake --build "$build" -j2 "${targets[@]}" >>"$log" 2>&1
}

# Runs ctest with the given selection until the first failure or the deadline (in $SECONDS),
# appending to the log. Prints the first failing test; succeeds when every selected test passed.
run_tests() {
    local log=$1 deadline=$2
    shift 2
    local left=$((deadline - SECONDS)) status=0
    [ $left -gt 0 ] || left=1
    (cd "$build" && timeout "$left" ctest -j2 --stop-on-failure --timeout "$test_timeout" \
        --output-on-failure "$@") >>"$log" 2>&1 || status=$?
    [ $status = 0 ] && return 0
    first_failure "$log" "$status"
    return 1
}

# The first failing test in the log, else what ended the run.
first_failure() {
    local log=$1 status=$2 first
    first=$(grep -E 'Test +#[0-9]+: .*(\*\*\*(Failed|Timeout|Exception)|Not Run)' "$log" |
        grep -v -m 1 'Not Run (Disabled)' | sed -n 's/.*Test *#[0-9]*: \([^ ]*\).*/\1/p')
    if [ -n "$first" ]; then
        echo "$first"
    elif [ $status = 124 ]; then
        echo "the suite's time limit (${mutant_timeout} s)"
    else
        echo "ctest status $status"
    fi
}

# The whole suite, the slow tests last (or never, in a quick run). $3 leaves out the tests
# already run.
run_suite() {
    local log=$1 deadline=$2 done_already=${3:-}
    local skip=$slow_tests${skip_tests:+|$skip_tests}
    [ -n "$done_already" ] && skip="$done_already|$skip"
    run_tests "$log" "$deadline" -E "$skip" || return 1
    if [ $quick = 0 ]; then
        run_tests "$log" "$deadline" -R "$slow_tests" ${skip_tests:+-E "$skip_tests"} || return 1
    fi
    return 0
}

# A ctest pattern for the tests of one layer's program (its suites), empty when it has none.
declare -A layer_tests
find_layer_tests() {
    local program layer
    for program in "$build"/tests/test_*; do
        [ -x "$program" ] || continue
        layer=${program##*/test_}
        layer_tests[$layer]=$("$program" --gtest_list_tests 2>/dev/null |
            sed -n 's/^\([A-Za-z0-9_]*\)\.$/\1/p' | paste -sd '|' | sed 's/.\{1,\}/^(&)\\./')
    done
}

# Builds and tests the tree as patched with $1; prints its fate. The layer the fault is in is
# built and tested first: most faults are caught there, without linking every program.
judge() {
    local patch=$1 log=$2
    local deadline=$((SECONDS + mutant_timeout))
    local file layer pattern first
    file=$(patched_files "$patch" | head -n 1)
    layer=$(echo "$file" | sed -n 's|^src/\([^/]*\)/.*|\1|p')
    pattern=${layer_tests[$layer]:-}
    if [ -n "$pattern" ]; then
        status_line "$tag building test_$layer..."
        if ! build_tree "$log.build" "test_$layer"; then
            echo "build-broken (killed by the compiler)"
            return 0
        fi
        status_line "$tag testing $layer..."
        if ! first=$(run_tests "$log" "$deadline" -R "$pattern" \
            -E "$slow_tests${skip_tests:+|$skip_tests}"); then
            echo "killed by $first"
            return 0
        fi
    fi
    status_line "$tag building everything..."
    if ! build_tree "$log.build"; then
        echo "build-broken (killed by the compiler)"
        return 0
    fi
    status_line "$tag testing everything..."
    if ! first=$(run_suite "$log" "$deadline" "$pattern"); then
        echo "killed by $first"
        return 0
    fi
    echo "SURVIVED"
}

# A fault in Windows code, or one that shows only there (a mutant named windows-*).
is_windows_mutant() {
    [[ "$(basename "$1" .patch)" == windows-* ]] || patched_files "$1" | grep -q '_win32\.cpp$'
}

windows_build="$tree/build-windows"

# The Windows build of the copy, then its unit tests under Wine for at most the mutant's time; the
# log goes to $1.
build_and_test_windows() {
    local log=$1 status=0
    if ! cmake --build "$windows_build" -j2 >>"$log.build" 2>&1; then
        echo "build-broken (killed by the compiler)"
        return 1
    fi
    timeout "$mutant_timeout" "$tree/tools/windows/unit-tests.sh" --stop-on-failure \
        --timeout "$test_timeout" >>"$log" 2>&1 || status=$?
    [ $status = 0 ] && return 0
    echo "killed by $(first_failure "$log" "$status")"
    return 1
}

judge_windows() {
    local log=$2 fate
    status_line "$tag building and testing the Windows build under Wine..."
    if fate=$(build_and_test_windows "$log"); then
        echo "SURVIVED"
    else
        echo "$fate"
    fi
}

# Configures the copy's Windows build once, and checks it passes unmutated.
prepare_windows() {
    [ -d "$root/build-windows/deps/lib" ] || {
        echo
        echo "mutate.sh: Windows mutants need the libraries of tools/windows/build.sh" >&2
        exit 1
    }
    if [ ! -f "$windows_build/CMakeCache.txt" ]; then
        status_line "configuring the Windows build..."
        cmake -S "$tree" -B "$windows_build" -DCMAKE_TOOLCHAIN_FILE="$tree/cmake/mingw-w64.cmake" \
            -DZEM_WINDOWS_DEPS="$root/build-windows/deps" -DCMAKE_BUILD_TYPE=Release \
            -DZEM_BUILD_TESTS=ON -DZEM_BUILD_BENCH=OFF -DZEM_BUILD_TOOLS=OFF \
            >"$logs/configure-windows.log" 2>&1 ||
            { echo; echo "mutate.sh: configuring the Windows build failed, see $logs/configure-windows.log" >&2; exit 1; }
    fi
    status_line "building and testing the unmutated Windows build..."
    : >"$logs/baseline-windows.log"
    local fate
    if ! fate=$(build_and_test_windows "$logs/baseline-windows.log"); then
        echo
        echo "mutate.sh: the Windows build fails without any mutant ($fate), see $logs/baseline-windows.log" >&2
        exit 1
    fi
}

status_line() {
    # A terminal sees what is going on (on standard error); a log gets only the results.
    if [ -t 2 ]; then
        printf '\r\033[K%s' "$1" >&2
    fi
}

mkdir -p "$logs"
echo "Mutants: ${#mutants[@]} of tools/mutants/${filter:+ matching '$filter'}"
if [ $quick = 1 ]; then
    echo "Quick run: the slow end-to-end tests ($slow_tests*) are left out"
fi
if [ -n "$skip_tests" ]; then
    echo "Tests matching '$skip_tests' are left out"
fi
echo "Scratch copy and build: $work"

status_line "copying the tree..."
sync_tree
# A run stopped while a mutant was being built may have left its objects behind, newer than
# the restored sources: compile those files again.
if [ -f "$work/last-mutated" ]; then
    while IFS= read -r file; do
        [ -f "$tree/$file" ] && touch "$tree/$file"
    done <"$work/last-mutated"
    rm -f "$work/last-mutated"
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
    status_line "configuring..."
    cmake -S "$tree" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEM_BUILD_BENCH=OFF \
        -DZEM_BUILD_TOOLS=OFF >"$logs/configure.log" 2>&1 ||
        { echo; echo "mutate.sh: configure failed, see $logs/configure.log" >&2; exit 1; }
fi
status_line "building the unmutated tree..."
: >"$logs/baseline.log"
build_tree "$logs/baseline.log" ||
    { echo; echo "mutate.sh: the unmutated tree does not build, see $logs/baseline.log" >&2; exit 1; }
status_line "testing the unmutated tree..."
: >"$logs/baseline-tests.log"
if ! first=$(run_suite "$logs/baseline-tests.log" $((SECONDS + mutant_timeout))); then
    echo
    echo "mutate.sh: the suite fails without any mutant ($first), see $logs/baseline-tests.log" >&2
    exit 1
fi
find_layer_tests
for patch in "${mutants[@]}"; do
    if is_windows_mutant "$patch"; then
        prepare_windows
        break
    fi
done
status_line ""

killed=0
ran=0
survivors=()
stale=()
total=${#mutants[@]}
index=0
for patch in "${mutants[@]}"; do
    index=$((index + 1))
    name=$(basename "$patch" .patch)
    tag=$(printf '[%2d/%d] %-36s' "$index" "$total" "$name")
    started=$SECONDS
    log="$logs/$name.log"
    if ! patch -p1 --dry-run -s -d "$tree" <"$patch" >"$log" 2>&1; then
        stale+=("$name")
        status_line ""
        echo "$tag stale: the patch no longer applies"
        continue
    fi
    applied=$patch
    patched_files "$patch" >"$work/last-mutated"
    patch -p1 -s -d "$tree" <"$patch" >>"$log" 2>&1
    : >"$log.build"
    ran=$((ran + 1))
    if is_windows_mutant "$patch"; then
        fate=$(judge_windows "$patch" "$log")
    else
        fate=$(judge "$patch" "$log")
    fi
    case "$fate" in
    SURVIVED) survivors+=("$name") ;;
    *) killed=$((killed + 1)) ;;
    esac
    restore
    rm -f "$work/last-mutated"
    status_line ""
    echo "$tag $fate ($((SECONDS - started)) s)"
done

# Leaves the build matching the working tree again.
status_line "rebuilding the unmutated tree..."
build_tree "$logs/baseline.log"
status_line ""

echo
if [ ${#survivors[@]} -gt 0 ]; then
    echo "Survivors: ${survivors[*]}"
fi
if [ ${#stale[@]} -gt 0 ]; then
    echo "Stale (not counted, refresh them): ${stale[*]}"
fi
if [ $ran -gt 0 ]; then
    echo "mutation score $killed/$ran ($((100 * killed / ran)) %)"
else
    echo "mutation score 0/0 (no mutant applied)"
fi
[ $quick = 1 ] && echo "(quick run: $slow_tests* left out)"
without=$(untouched_files 2>/dev/null | tail -n 1)
echo "${without% without a mutant} have no mutant: tools/mutate.sh --untouched lists them"
exit 0
