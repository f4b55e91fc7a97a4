#!/usr/bin/env bash
# Start-up of the application (with a history of 100 entries) against a bare Qt Widgets window of the
# same size, same run, offscreen: time from process start to the first painted frame, and resident
# memory after two idle seconds. Usage: bench/demarrage/run.sh [build folder] [rounds]
# (build first: ninja -C build bench_demarrage). A shared machine shows outliers: medians of the rounds.
set -euo pipefail

build=$(realpath "${1:-build}")
tours=${2:-15}
programme="$build/bench/demarrage/bench_demarrage"
[[ -x $programme ]] || { echo "missing $programme: run ninja -C $build bench_demarrage" >&2; exit 1; }

# Only the per-user folders are redirected, as for a user's first launch with a full history.
travail=$(mktemp -d)
trap 'rm -rf "$travail"' EXIT
export XDG_DATA_HOME="$travail/donnees" XDG_CONFIG_HOME="$travail/config" QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
"$programme" preparer "$XDG_DATA_HOME"

# One start: prints "<ms to first frame> <RSS KiB>".
mesurer() {
    local debut sortie
    debut=$(date +%s%N)
    sortie=$("$programme" "$1")
    awk -v d="$debut" '/premiere_image_ns/ { t = ($2 - d) / 1e6 } /rss_kio/ { r = $2 } END { print t, r }' <<<"$sortie"
}

mediane() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
minimum() { sort -g | head -1; }

mesurer nu >/dev/null
mesurer app >/dev/null
tnu=() tapp=() rnu=() rapp=()
for ((i = 0; i < tours; i++)); do
    for cote in nu app; do
        read -r t r <<<"$(mesurer "$cote")"
        if [[ $cote == nu ]]; then tnu+=("$t") rnu+=("$r"); else tapp+=("$t") rapp+=("$r"); fi
    done
done
mtnu=$(printf '%s\n' "${tnu[@]}" | mediane)
mtapp=$(printf '%s\n' "${tapp[@]}" | mediane)
mrnu=$(printf '%s\n' "${rnu[@]}" | mediane)
mrapp=$(printf '%s\n' "${rapp[@]}" | mediane)
# The fastest start of each side: what is left once other work on the machine is out of the way.
mintnu=$(printf '%s\n' "${tnu[@]}" | minimum)
mintapp=$(printf '%s\n' "${tapp[@]}" | minimum)
awk -v a="$mtnu" -v b="$mtapp" -v c="$mrnu" -v d="$mrapp" -v e="$mintnu" -v f="$mintapp" -v n="$tours" 'BEGIN {
    printf "medians of %d rounds, offscreen\n", n
    printf "first frame   bare window %7.1f ms   valto-transfer %7.1f ms   ratio %.2f (target <= 1.5)\n", a, b, b / a
    printf "fastest start bare window %7.1f ms   valto-transfer %7.1f ms   ratio %.2f\n", e, f, f / e
    printf "idle RSS      bare window %7.0f KiB  valto-transfer %7.0f KiB  ratio %.2f (target <= 1.5)\n", c, d, d / c }'
