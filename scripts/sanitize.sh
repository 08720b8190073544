#!/usr/bin/env bash
# Builds the unit-test programs with ThreadSanitizer, and again with AddressSanitizer and
# UndefinedBehaviorSanitizer, each in a build folder of its own, runs them and counts the
# reports. Slow (two more builds of nearly everything), so it is run by hand, not in CI.
#   scripts/sanitize.sh [thread] [address]     (both when none is named)
# SANITIZE_PROGRAMS="winapi_tests rtl_tests" limits the run to those programs; SANITIZE_JOBS
# sets the build's parallel jobs (2).
# Each program's output goes to build-<kind>/sanitize/<program>.log; the script ends non-zero
# when a program failed or a sanitizer reported anything.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
read -r -a programs <<<"${SANITIZE_PROGRAMS:-winapi_tests rtl_tests sevenzip_tests skin_tests \
tools_tests setup_tests options_window_tests}"
kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(thread address)
jobs=${SANITIZE_JOBS:-2}
status=0
# For the tests and for the build's own tools, which run instrumented too.
export TSAN_OPTIONS="halt_on_error=0 second_deadlock_stack=1 suppressions=$root/scripts/sanitize-threads.supp"
export ASAN_OPTIONS="halt_on_error=0 detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$root/scripts/sanitize-leaks.supp print_suppressions=0"

for kind in "${kinds[@]}"; do
    case $kind in
    thread) flags="-fsanitize=thread" ;;
    address) flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined" ;;
    *) echo "unknown sanitizer: $kind (thread or address)" >&2; exit 2 ;;
    esac
    build=$root/build-$kind
    flags="$flags -O1 -g -fno-omit-frame-pointer"
    CCACHE_BASEDIR=/work CCACHE_NOHASHDIR=1 cmake -S "$root" -B "$build" -G Ninja \
        -DCMAKE_BUILD_TYPE=None -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
        -DCMAKE_EXE_LINKER_FLAGS="${flags%% *}" -DCMAKE_SHARED_LINKER_FLAGS="${flags%% *}" \
        -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null ||
        exit 1
    CCACHE_BASEDIR=/work CCACHE_NOHASHDIR=1 cmake --build "$build" -j"$jobs" \
        --target "${programs[@]}" || exit 1
    mkdir -p "$build/sanitize"
    for program in "${programs[@]}"; do
        log=$build/sanitize/$program.log
        # SelfKill.* runs only as a child of the process-closing tests.
        (cd "$build" && QT_QPA_PLATFORM=offscreen \
            "$(find "$build/tests" -name "$program" -type f -perm -u+x | head -1)" \
            --gtest_filter=-SelfKill.* >"$log" 2>&1)
        code=$?
        reports=$(grep -cE "WARNING: ThreadSanitizer|ERROR: (Address|Leak)Sanitizer|runtime error:" "$log")
        passed=$(grep -oE "\[  PASSED  \] [0-9]+ tests?" "$log" | grep -oE "[0-9]+" || echo 0)
        failed=$(grep -oE "\[  FAILED  \] [0-9]+ tests?" "$log" | grep -oE "[0-9]+" || echo 0)
        echo "$kind $program: exit $code, $passed passed, $failed failed, $reports reports"
        [ "$code" -eq 0 ] && [ "$reports" -eq 0 ] || status=1
    done
done
exit $status
