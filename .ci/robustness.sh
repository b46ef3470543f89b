#!/usr/bin/env bash
# CI, robustness: the readers under libFuzzer, a clang -Werror build of the whole program,
# and a leak check of a whole offline run. The tampering matrix and the whole demo under
# AddressSanitizer and UndefinedBehaviorSanitizer are ctest tests (tests/robustness/), so
# they run in both builds of .ci/run; ThreadSanitizer covers the music path there too.
#
# FUZZ_RUNS inputs per harness (default 3000) keep this to a minute or two.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

echo "== clang build with the fuzz harnesses (every library with -Werror)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DZELTO_BUILD_FUZZ=ON \
  -DZELTO_BUILD_TESTS=OFF -DZELTO_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$jobs"

echo "== fuzz harnesses, ${FUZZ_RUNS:-3000} inputs each"
bash fuzz/run.sh build-fuzz --runs "${FUZZ_RUNS:-3000}"

echo "== leak check of a whole offline run (LeakSanitizer, then valgrind)"
make configure BUILD=build-asan \
  CMAKE_FLAGS="-DZELTO_SANITIZE=address,undefined -DZELTO_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug" >/dev/null
cmake --build build-asan -j "$jobs" --target robustness_offline_demo
cmake --build build -j "$jobs" --target robustness_offline_demo
# valgrind runs a build whose SIMD kernels dispatch statically: it cannot emulate the
# rdtscp that libhwy executes when it loads, on processors that do not advertise it.
make configure BUILD=build-valgrind CMAKE_FLAGS="-DZELTO_SIMD_STATIC=ON -DZELTO_BUILD_BENCH=OFF" >/dev/null
cmake --build build-valgrind -j "$jobs" --target robustness_offline_demo
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The generated data with the fast song: the whole demo in about 16 frames at 10 per second.
cp -r build/data "$work/data"
build/tests/robustness/robustness_offline_demo --fast-module "$work/data/mowt.xm" 10
(cd "$work" && ASAN_OPTIONS=detect_leaks=1:exitcode=23 "$OLDPWD/build-asan/tests/robustness/robustness_offline_demo" 10)
echo "LeakSanitizer: no leak"
# What the process deliberately keeps to its end (the frame buffer, the Demo object) is
# still reachable at exit; anything definitely or indirectly lost fails.
(cd "$work" && valgrind -q --leak-check=full --errors-for-leak-kinds=definite,indirect \
  --error-exitcode=99 "$OLDPWD/build-valgrind/tests/robustness/robustness_offline_demo" 10)
echo "valgrind: no error, nothing lost"
