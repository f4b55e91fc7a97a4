#!/usr/bin/env bash
# valto-serveur under load, run by hand after a build (needs the Debian packages nginx-light and curl):
#  1. download throughput of a 1 GiB file, against nginx serving the same file in the same run;
#  2. server memory growth while a 2 GiB ZIP streams;
#  3. latency of page views with 200 clients at once (bounded: 4,000 requests).
set -euo pipefail
cd "$(dirname "$0")/../.."

travail=$(mktemp -d)
chmod 755 "$travail" # nginx's workers run as www-data
port=18751
port_nginx=18752
origine="http://127.0.0.1:$port"
dossier="$travail/nas/DATA/Valto Transferts"
mkdir -p "$dossier/benchzip01" "$dossier/benchpage1" "$travail/nginx"
serveur=""
nettoyer() {
  [ -n "$serveur" ] && kill "$serveur" 2>/dev/null && wait "$serveur" 2>/dev/null
  [ -f "$travail/nginx/nginx.pid" ] && kill "$(cat "$travail/nginx/nginx.pid")" 2>/dev/null
  rm -rf "$travail"
}
trap nettoyer EXIT

echo "Préparation de 1 GiB de données…"
head -c 1G /dev/urandom > "$travail/nas/DATA/gros.bin"
# The ZIP holds the same data twice (2 GiB) without a second GiB on disk.
ln "$travail/nas/DATA/gros.bin" "$dossier/benchzip01/a.bin"
ln "$travail/nas/DATA/gros.bin" "$dossier/benchzip01/b.bin"
echo "page" > "$dossier/benchpage1/page.txt"

build/serveur/valto-serveur --port "$port" --nas "$travail/nas" --donnees "$travail/donnees" "$@" >/dev/null &
serveur=$!
sleep 0.5
cle=$(head -n 1 "$dossier/.transfer-api-key")
creer() {
  curl -sf -o /dev/null -H "X-Api-Key: $cle" -H 'Content-Type: application/json' \
    -d "{\"token\":\"$1\",\"titre\":\"Banc\",\"expediteur\":\"Banc\",\"expire_jours\":1,\"fichiers\":$2,\"type\":\"transfert\"}" \
    "$origine/api/transferts"
}
creer benchfich1 '["DATA/gros.bin"]'
creer benchzip01 '[]'
creer benchpage1 '[]'

cat > "$travail/nginx/nginx.conf" <<CONF
worker_processes 1;
daemon off;
pid $travail/nginx/nginx.pid;
error_log $travail/nginx/erreurs.log;
events {}
http {
  access_log off;
  sendfile on;
  client_body_temp_path $travail/nginx/t1; proxy_temp_path $travail/nginx/t2;
  fastcgi_temp_path $travail/nginx/t3; uwsgi_temp_path $travail/nginx/t4; scgi_temp_path $travail/nginx/t5;
  server { listen 127.0.0.1:$port_nginx; root $travail/nas/DATA; }
}
CONF
nginx -c "$travail/nginx/nginx.conf" -p "$travail/nginx" &
sleep 0.5

# Best of three downloads, in bytes per second.
debit() {
  for _ in 1 2 3; do curl -sf -o /dev/null -w '%{speed_download}\n' "$1"; done | sort -g | tail -n 1
}
curl -s -o /dev/null "$origine/t/benchfich1/f/gros.bin" # warms the page cache for both
valto=$(debit "$origine/t/benchfich1/f/gros.bin")
reference=$(debit "http://127.0.0.1:$port_nginx/gros.bin")
awk -v v="$valto" -v n="$reference" 'BEGIN {
  printf "Téléchargement 1 GiB : valto-serveur %.0f Mo/s, nginx %.0f Mo/s, rapport %.2f (objectif >= 0,70)\n",
    v / 1e6, n / 1e6, v / n }'

kio() { awk -v cle="$1:" '$1 == cle { print $2 }' "/proc/$serveur/status"; }
avant=$(kio VmRSS)
taille=$(curl -s -o /dev/null -w '%{size_download}' "$origine/t/benchzip01/zip")
pic=$(kio VmHWM)
awk -v t="$taille" -v a="$avant" -v p="$pic" 'BEGIN {
  printf "ZIP de %.2f GiB en flux : mémoire du serveur +%.1f Mio au pic (objectif < 32 Mio)\n",
    t / 1073741824, (p - a) / 1024 }'

# Latencies of 4,000 GETs of $1 by 200 clients at once, as "median p99" in ms.
latences() {
  for _ in $(seq 4000); do printf 'url = "%s"\noutput = "/dev/null"\n' "$1"; done > "$travail/urls"
  curl -s --no-progress-meter --parallel --parallel-immediate --parallel-max 200 -A 'Mozilla/5.0 (banc)' \
    -K "$travail/urls" -w '%{http_code} %{time_total}\n' > "$travail/durees"
  awk '$1 != 200 { echecs++ } { print $2 }
    END { if (echecs) print "échecs : " echecs > "/dev/stderr" }' "$travail/durees" | sort -g |
    awk '{ d[NR] = $1 } END { printf "%.1f %.1f\n", d[int(NR * 0.5)] * 1000, d[int(NR * 0.99)] * 1000 }'
}
# The reference: nginx serving the same page as a static file.
curl -s -o "$travail/nas/DATA/page.html" "$origine/t/benchpage1"
read -r mediane p99 < <(latences "$origine/t/benchpage1")
read -r mediane_ref p99_ref < <(latences "http://127.0.0.1:$port_nginx/page.html")
echo "Pages vues, 200 clients à la fois, 4000 requêtes : valto-serveur médiane $mediane ms, 99e centile $p99 ms" \
  "(objectif < 50 ms) ; nginx (page statique) médiane $mediane_ref ms, 99e centile $p99_ref ms"
