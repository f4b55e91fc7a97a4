#!/usr/bin/env bash
# Start-up of the application (with a history of 100 entries) against a bare Qt Widgets window of the
# same size, and the same window with one line of text and one HTTPS request, same run, offscreen: time from process start to the first painted frame, and resident
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

# The bare window is the reference of the targets. The window with one line of text and one HTTPS request
# shows how much of the difference any window doing the application's start-up duty pays: the font
# machinery and the TLS stack.
cotes=(nu reference app)
declare -A temps memoire
for cote in "${cotes[@]}"; do mesurer "$cote" >/dev/null; done
for ((i = 0; i < tours; i++)); do
    for cote in "${cotes[@]}"; do
        read -r t r <<<"$(mesurer "$cote")"
        temps[$cote]+="$t " memoire[$cote]+="$r "
    done
done
mediane_de() { tr ' ' '\n' <<<"$1" | grep . | mediane; }
minimum_de() { tr ' ' '\n' <<<"$1" | grep . | minimum; }
awk -v n="$tours" \
    -v tn="$(mediane_de "${temps[nu]}")" -v tt="$(mediane_de "${temps[reference]}")" -v ta="$(mediane_de "${temps[app]}")" \
    -v mn="$(minimum_de "${temps[nu]}")" -v mt="$(minimum_de "${temps[reference]}")" -v ma="$(minimum_de "${temps[app]}")" \
    -v rn="$(mediane_de "${memoire[nu]}")" -v rt="$(mediane_de "${memoire[reference]}")" -v ra="$(mediane_de "${memoire[app]}")" 'BEGIN {
    printf "medians of %d rounds, offscreen; ratios: valto-transfer / bare window (target <= 1.5), then / window with one line of text and one HTTPS request\n", n
    printf "                bare window   text and HTTPS     valto-transfer   ratios\n"
    printf "first frame     %8.1f ms     %8.1f ms        %8.1f ms      %.2f  %.2f\n", tn, tt, ta, ta / tn, ta / tt
    printf "fastest start   %8.1f ms     %8.1f ms        %8.1f ms      %.2f  %.2f\n", mn, mt, ma, ma / mn, ma / mt
    printf "idle RSS        %8.0f KiB    %8.0f KiB       %8.0f KiB     %.2f  %.2f\n", rn, rt, ra, ra / rn, ra / rt }'
