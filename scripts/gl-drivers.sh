#!/usr/bin/env bash
# Runs the hardware device's tests on three of Mesa's OpenGL drivers, one driver after the other,
# each on a private Xvfb screen: llvmpipe (the one the test command uses), softpipe, and zink over
# lavapipe (OpenGL on Vulkan). For each driver it first checks that OpenGL runs on the driver asked
# for, then runs every test of gl_tests (among them the frames drawn by both devices, compared)
# and the real game's tests on the hardware device; it ends with a table of tests by drivers.
#   scripts/gl-drivers.sh [BUILD_DIR] [DRIVER...]       drivers: llvmpipe softpipe zink
# Each driver's logs, gtest results and, on a failed frame comparison, the frames of both devices
# stay in BUILD_DIR/gl-drivers/DRIVER/; the table in BUILD_DIR/gl-drivers/table.md. Exit code 1
# when a test fails or a driver is not the one asked for.
set -uo pipefail
export LC_NUMERIC=C     # times read and written with a decimal point

build=${1:-build}
shift || true
drivers=("$@")
[ ${#drivers[@]} -gt 0 ] || drivers=(llvmpipe softpipe zink)
screen="-screen 0 1280x1024x24"

for program in "$build/bin/gl_tests" "$build/game/zarkride"; do
    if [ ! -x "$program" ]; then
        echo "gl-drivers: $program is not built (make build, or make test-gl-drivers)" >&2
        exit 1
    fi
done
for tool in xvfb-run jq ctest; do
    if ! command -v "$tool" >/dev/null; then
        echo "gl-drivers: $tool is missing (scripts/install-deps.sh --test installs it)" >&2
        exit 1
    fi
done

results=$build/gl-drivers
mkdir -p "$results"
private=$(mktemp -d)
trap 'rm -rf "$private"' EXIT

# The environment that selects a driver, one VAR=value a line. zink is Mesa's OpenGL over Vulkan;
# LIBGL_ALWAYS_SOFTWARE lets it take lavapipe, Vulkan on the CPU, and it wants a runtime folder.
driver_env() {
    case $1 in
        llvmpipe) echo GALLIUM_DRIVER=llvmpipe ;;
        softpipe) echo GALLIUM_DRIVER=softpipe ;;
        zink)
            [ -d "$private/zink-runtime" ] || mkdir -m 700 "$private/zink-runtime"
            printf '%s\n' LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=zink "XDG_RUNTIME_DIR=$private/zink-runtime" ;;
    esac
}
for driver in "${drivers[@]}"; do
    case $driver in
        llvmpipe | softpipe | zink) ;;
        *) echo "gl-drivers: unknown driver $driver (llvmpipe, softpipe or zink)" >&2; exit 2 ;;
    esac
done

# The tests, in the order they are listed: gl_tests' own, then the real game's on this device.
mapfile -t gl_tests < <("$build/bin/gl_tests" --gtest_list_tests |
    awk '/^[^ ]/ { suite = $1 } /^  / { print suite $1 }')
mapfile -t game_tests < <(ctest --test-dir "$build" -N -R '^game\.[A-Za-z.]+\.gl$' |
    sed -n 's/^ *Test *#[0-9]*: //p')
tests=("${gl_tests[@]}" "${game_tests[@]}")
if [ ${#gl_tests[@]} -eq 0 ]; then
    echo "gl-drivers: gl_tests lists no tests" >&2
    exit 1
fi

# Runs a command on the driver of the loop below.
run() { env "${environment[@]}" ZARKRIDE_GL_RENDERER="$driver" ZARKRIDE_GL_DIFF_DIR="$out" "$@"; }

declare -A cell renderer
failed=0
for driver in "${drivers[@]}"; do
    mapfile -t environment < <(driver_env "$driver")
    out=$results/$driver
    rm -rf "$out"
    mkdir -p "$out"
    echo "== $driver (${environment[*]})"

    # The driver asked for, or nothing runs on it: a name Mesa does not know leaves its default.
    run xvfb-run -a -s "$screen" "$build/bin/gl_tests" --gtest_filter=GlTest.RunsOnTheDriverAskedFor \
        >"$out/driver.log" 2>&1
    check=$?
    renderer[$driver]=$(sed -n 's/^GL_RENDERER: //p' "$out/driver.log" | head -n1)
    echo "   GL_RENDERER: ${renderer[$driver]:-none}; $(sed -n 's/^GL_VERSION: //p' "$out/driver.log" | head -n1)"
    if [ $check -ne 0 ]; then
        echo "   not the driver asked for, or no OpenGL 3.3 core context: see $out/driver.log"
        for t in "${tests[@]}"; do cell[$driver,$t]="not run"; done
        failed=1
        continue
    fi

    start=$(date +%s%N)
    run xvfb-run -a -s "$screen" "$build/bin/gl_tests" --gtest_output="json:$out/gl_tests.json" \
        >"$out/gl_tests.log" 2>&1
    echo "   gl_tests: $(( ($(date +%s%N) - start) / 1000000000 )) s, log in $out/gl_tests.log"
    for t in "${gl_tests[@]}"; do cell[$driver,$t]="FAIL (no result)"; done
    if [ -s "$out/gl_tests.json" ]; then
        while IFS=$'\t' read -r name verdict seconds; do
            cell[$driver,$name]="$verdict $(printf '%.1f' "${seconds%s}") s"
        done < <(jq -r '.testsuites[] | .name as $suite | .testsuite[] |
            [$suite + "." + .name, (if (.failures // []) | length > 0 then "FAIL" else "pass" end), .time] | @tsv' \
            "$out/gl_tests.json")
    fi

    # The real game on the hardware device; each of these starts its own Xvfb screen.
    for t in "${game_tests[@]}"; do
        start=$(date +%s%N)
        if run ctest --test-dir "$build" -R "^${t//./\\.}\$" --output-on-failure >>"$out/game.log" 2>&1; then
            verdict=pass
        else
            verdict=FAIL
        fi
        cell[$driver,$t]="$verdict $(awk -v ns=$(( $(date +%s%N) - start )) 'BEGIN { printf "%.1f", ns / 1e9 }') s"
    done
    echo "   game tests: log in $out/game.log"
done

for driver in "${drivers[@]}"; do
    for t in "${tests[@]}"; do
        case ${cell[$driver,$t]:-} in pass*) ;; *) failed=1 ;; esac
    done
done
{
    echo
    printf '| Test |'
    for driver in "${drivers[@]}"; do printf ' %s |' "$driver"; done
    printf '\n| --- |'
    for _ in "${drivers[@]}"; do printf ' --- |'; done
    printf '\n| GL_RENDERER |'
    for driver in "${drivers[@]}"; do printf ' %s |' "${renderer[$driver]:-none}"; done
    echo
    for t in "${tests[@]}"; do
        printf '| %s |' "$t"
        for driver in "${drivers[@]}"; do
            printf ' %s |' "${cell[$driver,$t]:-not run}"
        done
        echo
    done
} | tee "$results/table.md"
exit $failed
