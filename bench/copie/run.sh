#!/usr/bin/env bash
# Times NASCopier::copier against `cp -r --reflink=never` on the same data, same file system, same run:
# one 1 GiB file and 20,000 files of 4 KiB in 200 folders; then the peak memory growth on a 2 GiB file.
# Usage: bench/copie/run.sh [build folder] [rounds on the large file] [rounds on the small files]
# (build first: ninja -C build bench_copie). A shared machine shows outliers: medians of several rounds.
set -euo pipefail

build=$(realpath "${1:-build}")
toursGrand=${2:-9}
toursPetits=${3:-3}
programme="$build/bench/copie/bench_copie"
[[ -x $programme ]] || { echo "missing $programme: run ninja -C $build bench_copie" >&2; exit 1; }

# Sources and copies live side by side under the build folder, so both sides hit the same disk.
travail=$(mktemp -d "$build/bench-copie.XXXXXX")
trap 'rm -rf "$travail"' EXIT
df -h "$travail" | tail -1 | awk '{ print "free space on " $6 ": " $4 }'

echo "preparing data..."
mkdir -p "$travail/src/petits" "$travail/dst"
head -c 1G /dev/urandom >"$travail/src/grand.bin"
for d in $(seq -w 1 200); do
    mkdir "$travail/src/petits/d$d"
    head -c $((100 * 4096)) /dev/urandom | split -b 4096 -a 2 -d - "$travail/src/petits/d$d/f"
done
sync

secondes() { date +%s.%N; }

# Runs one side once on a fresh destination; prints its wall time in seconds.
chronometrer() {
    local cote=$1 source=$2
    rm -rf "$travail/dst" && mkdir "$travail/dst" && sync
    local debut fin
    debut=$(secondes)
    if [[ $cote == cp ]]; then
        cp -r --reflink=never "$source" "$travail/dst/"
    else
        "$programme" "$travail/dst" jeton "$source" >/dev/null
    fi
    fin=$(secondes)
    awk -v a="$debut" -v b="$fin" 'BEGIN { print b - a }'
}

mediane() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Alternates which side goes first, after one untimed warm-up of each.
comparer() {
    local nom=$1 source=$2 tours=$3 tcp=() tcopie=()
    chronometrer cp "$source" >/dev/null
    chronometrer copier "$source" >/dev/null
    for ((i = 0; i < tours; i++)); do
        if ((i % 2 == 0)); then
            tcp+=("$(chronometrer cp "$source")")
            tcopie+=("$(chronometrer copier "$source")")
        else
            tcopie+=("$(chronometrer copier "$source")")
            tcp+=("$(chronometrer cp "$source")")
        fi
    done
    local mcp mcopie
    mcp=$(printf '%s\n' "${tcp[@]}" | mediane)
    mcopie=$(printf '%s\n' "${tcopie[@]}" | mediane)
    awk -v n="$nom" -v c="$mcp" -v k="$mcopie" 'BEGIN {
        printf "%-30s cp %7.3f s   copier %7.3f s   time copier/cp %.3f   throughput copier/cp %.3f\n", n, c, k, k / c, c / k }'
}

echo "medians, page cache warm, order alternated:"
comparer "1 GiB file ($toursGrand rounds)" "$travail/src/grand.bin" "$toursGrand"
comparer "20,000 x 4 KiB ($toursPetits rounds)" "$travail/src/petits" "$toursPetits"

rm -rf "$travail/src" "$travail/dst" && mkdir "$travail/dst"
head -c 2G /dev/urandom >"$travail/enorme.bin"
echo "2 GiB file, peak memory:"
"$programme" "$travail/dst" jeton "$travail/enorme.bin"
rm -rf "$travail/dst" && mkdir "$travail/dst"
/usr/bin/time -f "cp max RSS %M KiB" cp -r --reflink=never "$travail/enorme.bin" "$travail/dst/"
