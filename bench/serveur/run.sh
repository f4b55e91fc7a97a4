#!/usr/bin/env bash
# valto-serveur under load, run by hand after a build (needs the Debian packages nginx-light and curl):
#  1. download throughput of a 1 GiB file, against nginx serving the same file in the same run;
#  2. server memory growth while a 2 GiB ZIP streams;
#  3. latency of page views with 200 clients at once (bounded: 4,000 requests);
#  4. latency of a page view and an API call while 1,000 connections trickle their headers;
#  5. ZIP of 10,000 small files against nginx serving one file of the same size, and memory growth;
#  6. first byte of one file in a transfer of 20,000 files.
set -euo pipefail
cd "$(dirname "$0")/../.."

travail=$(mktemp -d)
chmod 755 "$travail" # nginx's workers run as www-data
port=18751
port_nginx=18752
origine="http://127.0.0.1:$port"
dossier="$travail/nas/DATA/Valto Transferts"
mkdir -p "$dossier/benchzip01" "$dossier/benchpage1" "$dossier/benchpetit" "$dossier/benchmille" "$travail/nginx"
serveur=""
goutte=""
nettoyer() {
  [ -n "$goutte" ] && kill "$goutte" 2>/dev/null
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
echo "Préparation de 10 000 petits fichiers (64 Kio) et de 20 000 fichiers d'un octet…"
python3 - "$dossier" "$travail/nas/DATA/petits.bin" <<'PY'
import os, sys
dossier, concatene = sys.argv[1], sys.argv[2]
with open(concatene, "wb") as tout:
    for i in range(10000):
        donnees = os.urandom(65536)
        with open(f"{dossier}/benchpetit/f{i:05}.bin", "wb") as f:
            f.write(donnees)
        tout.write(donnees)
for i in range(20000):
    with open(f"{dossier}/benchmille/f{i:05}.txt", "w") as f:
        f.write("x")
PY

# The per-address cap is raised: these clients all come from 127.0.0.1.
build/serveur/valto-serveur --port "$port" --nas "$travail/nas" --donnees "$travail/donnees" \
  --connexions-par-adresse 1000 "$@" >/dev/null 2>"$travail/journal" &
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
creer benchpetit '[]'
creer benchmille '[]'

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
# The peak is the process's whole life's: it is reset before each measure of growth.
remettre_pic() { echo 5 > "/proc/$serveur/clear_refs"; }
remettre_pic
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

# 4. The 1,000 tricklers come from 100 addresses, under the per-address cap a real crowd would meet.
python3 bench/serveur/goutte.py "$port" 1000 > "$travail/goutte" &
goutte=$!
until grep -q prêt "$travail/goutte" 2>/dev/null; do sleep 0.2; done
p99() { sort -g | awk '{ d[NR] = $1 } END { printf "%.1f", d[int(NR * 0.99)] * 1000 }'; }
page_lente=$(for _ in $(seq 300); do
  curl -s -o /dev/null -A 'Mozilla/5.0 (banc)' -w '%{time_total}\n' "$origine/t/benchpage1"; done | p99)
api_lente=$(for _ in $(seq 300); do
  curl -s -o /dev/null -H "X-Api-Key: $cle" -w '%{time_total}\n' "$origine/api/transferts"; done | p99)
kill "$goutte"
goutte=""
echo "Pendant 1000 connexions qui égrènent leurs en-têtes : page vue 99e centile $page_lente ms," \
  "appel d'API 99e centile $api_lente ms (objectif < 100 ms)"

# 5. The same bytes as one file from nginx and as a ZIP of 10,000 entries from valto-serveur.
curl -s -o /dev/null "http://127.0.0.1:$port_nginx/petits.bin" # page cache
curl -s -o /dev/null "$origine/t/benchpetit/zip"
remettre_pic
avant=$(kio VmRSS)
valto_zip=$(debit "$origine/t/benchpetit/zip")
pic=$(kio VmHWM)
reference_zip=$(debit "http://127.0.0.1:$port_nginx/petits.bin")
awk -v v="$valto_zip" -v n="$reference_zip" -v a="$avant" -v p="$pic" 'BEGIN {
  printf "ZIP de 10 000 fichiers : valto-serveur %.0f Mo/s, nginx (un fichier de même taille) %.0f Mo/s, " \
    "rapport %.2f (objectif >= 0,70) ; mémoire +%.1f Mio au pic (objectif < 32 Mio)\n", v / 1e6, n / 1e6, v / n, (p - a) / 1024 }'

premier_zip=$(curl -s -o /dev/null -r 0-0 -w '%{time_starttransfer}' "$origine/t/benchpetit/zip")
awk -v t="$premier_zip" 'BEGIN { printf "Premier octet du ZIP de 10 000 fichiers : %.1f ms\n", t * 1000 }'

# 6. One file of a 20,000-file transfer: best and worst of 20 first bytes.
premier=$(for _ in $(seq 20); do
  curl -s -o /dev/null -r 0-0 -w '%{time_starttransfer}\n' "$origine/t/benchmille/f/f12345.txt"; done | sort -g |
  awk '{ d[NR] = $1 } END { printf "%.1f ms (meilleur %.1f ms)", d[NR] * 1000, d[1] * 1000 }')
echo "Premier octet d'un fichier parmi 20 000 : pire $premier (objectif < 20 ms)"
