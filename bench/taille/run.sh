#!/usr/bin/env bash
# Compares tailleTotale with `du -sb` on a tree of 100,000 small files in 1,000 folders.
# Usage: bench/taille/run.sh [build-dir]   (default: build)
set -euo pipefail
racine=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$racine/build}
cmake --build "$build" --target bench_taille >/dev/null

arbre=$(mktemp -d "${TMPDIR:-/tmp}/bench-taille.XXXXXX")
trap 'rm -rf "$arbre"' EXIT
echo "Arbre de test : $arbre"
for d in $(seq 1 1000); do
  mkdir -p "$arbre/dossier-$d"
  (cd "$arbre/dossier-$d" && for f in $(seq 1 100); do printf '%*s' $((f * 7)) '' > "f$f.txt"; done)
done

meilleur_du() {
  local best=""
  for _ in 1 2 3 4 5; do
    local t0 t1
    t0=$(date +%s%N); du -sb "$arbre" >/dev/null; t1=$(date +%s%N)
    local ms=$(( (t1 - t0) / 1000 ))
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  echo "scale=2; $best / 1000" | bc
}

du -sb "$arbre" >/dev/null   # warm the cache for both sides
read -r ms_taille octets < <("$build/bench/taille/bench_taille" "$arbre" 5)
ms_du=$(meilleur_du)
echo "du -sb       : ${ms_du} ms (meilleur de 5, processus entier)"
echo "tailleTotale : ${ms_taille} ms (meilleur de 5, mesuré dans le processus) pour $octets octets"
echo "rapport tailleTotale / du : $(echo "scale=2; $ms_taille / $ms_du" | bc)"
