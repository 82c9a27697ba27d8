#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the plain build, the
# address and undefined-behaviour sanitizer build, the thread sanitizer build of the
# threaded suites, and a bounded fuzzing pass.
#   ORV_FUZZ_SECONDS  seconds per fuzz target (default 10; 0 skips fuzzing)
#   ORV_SKIP_ASAN=1   skip the address sanitizer build (quicker local runs)
#   ORV_SKIP_TSAN=1   skip the thread sanitizer build
set -uo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
orv_install_packages "${ORV_BUILD_PACKAGES[@]}" "${ORV_TEST_PACKAGES[@]}" || exit 1

jobs=$(nproc)
passed=0
failed=0
status=0

# run_suite NAME BUILD_DIR CMAKE_ARGS...
# SUITE_TARGETS (targets to build instead of all) and SUITE_LABELS (a ctest label pattern)
# narrow a suite to some test programs.
run_suite() {
    local name=$1 dir=$2
    shift 2
    local targets=() select=()
    [ -n "${SUITE_TARGETS:-}" ] && targets=(--target ${SUITE_TARGETS})
    [ -n "${SUITE_LABELS:-}" ] && select=(-L "$SUITE_LABELS")
    echo "=== $name: configure and build ($dir)"
    if ! cmake -S . -B "$dir" -G Ninja "$@" >"$dir.configure.log" 2>&1; then
        cat "$dir.configure.log"; status=1; failed=$((failed + 1)); return
    fi
    if ! cmake --build "$dir" -j"$jobs" "${targets[@]}"; then
        status=1; failed=$((failed + 1)); return
    fi
    echo "=== $name: ctest"
    local log="$dir/ctest.log"
    ctest --test-dir "$dir" --output-on-failure -j"$jobs" --timeout 300 "${select[@]}" 2>&1 | tee "$log"
    local rc=${PIPESTATUS[0]}
    local line total nfail
    line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
    if [ -n "$line" ]; then
        total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
        nfail=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$line")
        passed=$((passed + total - nfail))
        failed=$((failed + nfail))
    fi
    [ "$rc" -eq 0 ] || status=1
}

# Every #include points down the layers (scripts/check_layers.py); counted as one test.
echo "=== layers"
if python3 scripts/check_layers.py; then
    passed=$((passed + 1))
else
    failed=$((failed + 1)); status=1
fi

mkdir -p build build-asan build-tsan
run_suite "plain" build -DCMAKE_BUILD_TYPE=RelWithDebInfo

if [ "${ORV_SKIP_ASAN:-0}" != 1 ]; then
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    run_suite "asan+ubsan" build-asan -DCMAKE_BUILD_TYPE=Debug -DORV_SANITIZE=address,undefined
fi

# The suites whose code runs on several threads: message layer, links, timer manager, media
# transport, the audio pipeline, the call core and its conference variant, the video control
# thread, the capture graphs, the handset's key scan and the headset buttons' reader, the
# account handler and the server's session table. Optimised, as the sanitizer slows the real-time tests down.
if [ "${ORV_SKIP_TSAN:-0}" != 1 ]; then
    export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
    SUITE_TARGETS="orv_platform_tests link_codec_test link_socket_test timer_manager_test orv_media_tests orv_audio_tests call_test conf_handler_test orv_video_control_tests orv_video_capture_tests handset_library_test headset_buttons_test handsetsys handsetctl acct_serv_handler_test server_core_test update_serv_handler_test hostile_update_server handlers_test" \
    SUITE_LABELS="^(platform|links|timer|media|audio|call|conference|video|handset|account|server-core|update|handlers)$" \
        run_suite "tsan" build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORV_SANITIZE=thread
fi

fuzz_seconds=${ORV_FUZZ_SECONDS:-10}
if command -v clang++ >/dev/null && [ "$fuzz_seconds" != 0 ]; then
    echo "=== fuzz: configure and build (build-fuzz)"
    mkdir -p build-fuzz
    if CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DORV_FUZZ=ON >build-fuzz.configure.log 2>&1 && cmake --build build-fuzz -j"$jobs" --target fuzz_targets; then
        for target in build-fuzz/fuzz/*; do
            [ -f "$target" ] && [ -x "$target" ] || continue
            name=$(basename "$target")
            corpus="build-fuzz/corpus/$name"
            mkdir -p "$corpus"
            seeds=()
            [ -d "fuzz/seeds/$name" ] && seeds=("fuzz/seeds/$name")
            echo "--- fuzz $name for ${fuzz_seconds}s"
            if "$target" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -timeout=10 \
                    -print_final_stats=0 "$corpus" "${seeds[@]}" >"build-fuzz/$name.log" 2>&1; then
                passed=$((passed + 1))
            else
                tail -40 "build-fuzz/$name.log"
                echo "fuzz target $name FAILED"
                failed=$((failed + 1)); status=1
            fi
        done
    else
        cat build-fuzz.configure.log; status=1; failed=$((failed + 1))
    fi
fi

echo
echo "summary: $passed passed, $failed failed"
exit $status
