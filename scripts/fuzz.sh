#!/usr/bin/env bash
# Runs every libFuzzer target for the given number of seconds each (default 60), starting from the
# seed corpus in fuzz/corpus/<target>. Not part of the tests. Crashes are kept in build-fuzz/crashes/.
# Usage: bash scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
duree=${1:-60}
shift || true

bash scripts/setup.sh
if ! command -v clang++-16 >/dev/null; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends clang-16 libclang-rt-16-dev
fi
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-16 -DVALTO_FUZZ=ON -DBUILD_TESTING=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cibles=("$@")
if [ ${#cibles[@]} -eq 0 ]; then
  mapfile -t cibles < <(ls fuzz/corpus)
fi
cmake --build build-fuzz --target "${cibles[@]/#/fuzz_}"

mkdir -p build-fuzz/crashes
for cible in "${cibles[@]}"; do
  travail=build-fuzz/corpus/$cible
  mkdir -p "$travail"
  echo "== $cible ($duree s)"
  ASAN_OPTIONS=detect_leaks=1 QT_QPA_PLATFORM=offscreen build-fuzz/fuzz/fuzz_"$cible" \
    -max_total_time="$duree" -max_len=65536 -rss_limit_mb=4096 -print_final_stats=1 \
    -artifact_prefix=build-fuzz/crashes/"$cible"- "$travail" fuzz/corpus/"$cible"
done
