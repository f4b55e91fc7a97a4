#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into build-san/ (the
# compiler cache is shared with build/) and runs all tests there. Any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# -O1 and line tables only: half the compile time of an optimised build, and reports still name lines.
cmake -S . -B build-san -G Ninja -DVALTO_SANITISEURS=ON -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1"
cmake --build build-san
export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0
ctest --test-dir build-san --output-on-failure
