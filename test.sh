#!/bin/bash
# Installs what is missing, builds and runs every test: a g++ build, a clang
# build with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh test
jobs=$(nproc)

echo "== g++ build"
cmake -S . -B build-test -DCMAKE_CXX_COMPILER=g++ -DCMAKE_CXX_FLAGS=-Werror >/dev/null
cmake --build build-test -j "$jobs"
ctest --test-dir build-test --output-on-failure -j "$jobs"

echo "== clang build with ASan and UBSan"
cmake -S . -B build-asan -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS=-Werror \
  -DCMAKE_BUILD_TYPE=Debug -DTESSARINE_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs"
