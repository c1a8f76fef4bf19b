#!/usr/bin/env bash
# Configures and builds one tree: scripts/build.sh [DIR] (default build/test, sanitizers on).
# QS_SANITIZE=OFF and QS_BUILD_TYPE=Release give the optimised tree the benchmarks use.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$top/build/test}
cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE="${QS_BUILD_TYPE:-Debug}" -DQS_SANITIZE="${QS_SANITIZE:-ON}" >/dev/null
cmake --build "$dir" -j"$(nproc)"
