#!/usr/bin/env bash
# valto-serveur on PostgreSQL behind nginx, run by hand after a build (needs the Debian packages
# postgresql, nginx-light and curl). Page views and downloads per second, in the same run, of:
#  - one instance on SQLite, reached directly;
#  - one instance on PostgreSQL behind nginx;
#  - two instances on PostgreSQL behind nginx.
# Targets: one instance on PostgreSQL at least 0.8 x SQLite's page views; two not slower than one. SQLite
# behind the same nginx is measured too, to tell the proxy's share from the database's.
set -euo pipefail
cd "$(dirname "$0")/../.."

travail=$(mktemp -d)
chmod 755 "$travail" # nginx's workers run as www-data, PostgreSQL as nobody under root
requetes=${REQUETES:-4000}
port_sqlite=18761
ports_pg=(18762 18763)
port_un=18771
port_deux=18772
port_sqlite_proxy=18773
pg=$travail/pg
nas=$travail/nas
pids=()
nettoyer() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  [ -f "$travail/nginx.pid" ] && kill "$(cat "$travail/nginx.pid")" 2>/dev/null
  [ -f "$pg/donnees/postmaster.pid" ] && kill -QUIT "$(head -n 1 "$pg/donnees/postmaster.pid")" 2>/dev/null
  sleep 0.5
  rm -rf "$travail"
}
trap nettoyer EXIT

# PostgreSQL refuses to run as root: it then runs as nobody.
comme_postgres=()
mkdir -p "$pg" "$nas/DATA/Valto Transferts"
if [ "$(id -u)" -eq 0 ]; then
  comme_postgres=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  chown nobody:nogroup "$pg"
fi
bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
echo "mot-de-passe-du-banc" > "$pg/mot-de-passe"
(cd "$pg" && "${comme_postgres[@]}" "$bin/initdb" -D "$pg/donnees" -U valto --auth=scram-sha-256 \
  --pwfile="$pg/mot-de-passe" -E UTF8 --no-locale > /dev/null)
(cd "$pg" && "${comme_postgres[@]}" "$bin/pg_ctl" -D "$pg/donnees" -l "$pg/journal" -w \
  -o "-c listen_addresses='' -k $pg" start > /dev/null)
base="postgresql:///postgres?host=$pg&user=valto"

head -c 65536 /dev/urandom > "$nas/DATA/fichier.bin"
demarrer() { # port data-folder [options]
  build/serveur/valto-serveur --port "$1" --nas "$nas" --donnees "$2" --connexions-par-adresse 10000 "${@:3}" \
    > /dev/null 2> "$2.journal" &
  pids+=($!)
  until curl -sf -o /dev/null "http://127.0.0.1:$1/static/valto.css"; do sleep 0.1; done
}
demarrer "$port_sqlite" "$travail/sqlite"
for port in "${ports_pg[@]}"; do
  demarrer "$port" "$travail/pg-$port" --base "$base" --base-mot-de-passe "$pg/mot-de-passe" \
    --proxy-de-confiance 127.0.0.1
done

cat > "$travail/nginx.conf" <<CONF
worker_processes auto;
daemon off;
pid $travail/nginx.pid;
error_log $travail/nginx-erreurs.log;
events { worker_connections 4096; }
http {
  access_log off;
  client_body_temp_path $travail/t1; proxy_temp_path $travail/t2;
  fastcgi_temp_path $travail/t3; uwsgi_temp_path $travail/t4; scgi_temp_path $travail/t5;
  upstream sqlite { server 127.0.0.1:$port_sqlite; keepalive 64; }
  upstream un { server 127.0.0.1:${ports_pg[0]}; keepalive 64; }
  upstream deux { server 127.0.0.1:${ports_pg[0]}; server 127.0.0.1:${ports_pg[1]}; keepalive 64; }
  proxy_http_version 1.1;
  proxy_set_header Connection "";
  proxy_set_header Host \$host;
  proxy_set_header X-Forwarded-For \$proxy_add_x_forwarded_for;
  server { listen 127.0.0.1:$port_sqlite_proxy; location / { proxy_pass http://sqlite; } }
  server { listen 127.0.0.1:$port_un; location / { proxy_pass http://un; } }
  server { listen 127.0.0.1:$port_deux; location / { proxy_pass http://deux; } }
}
CONF
nginx -c "$travail/nginx.conf" -p "$travail" &
until curl -sf -o /dev/null "http://127.0.0.1:$port_deux/static/valto.css"; do sleep 0.1; done

creer() { # origin key-file
  curl -sf -o /dev/null -H "X-Api-Key: $(head -n 1 "$2")" -H 'Content-Type: application/json' \
    -d '{"token":"bancpage01","titre":"Banc","expediteur":"Banc","expire_jours":1,"fichiers":["DATA/fichier.bin"],"type":"transfert"}' \
    "$1/api/transferts"
}
# The instances share the key file of the NAS and create the same transfer in both databases.
creer "http://127.0.0.1:$port_sqlite" "$nas/DATA/Valto Transferts/.transfer-api-key"
creer "http://127.0.0.1:${ports_pg[0]}" "$nas/DATA/Valto Transferts/.transfer-api-key"

# Requests per second of $requetes GETs of $1 by 64 clients at once.
par_seconde() {
  for _ in $(seq "$requetes"); do printf 'url = "%s"\noutput = "/dev/null"\n' "$1"; done > "$travail/urls"
  debut=$(date +%s.%N)
  curl -s --no-progress-meter --parallel --parallel-immediate --parallel-max 64 -A 'Mozilla/5.0 (banc)' \
    -K "$travail/urls" -w '%{http_code}\n' > "$travail/codes"
  fin=$(date +%s.%N)
  echecs=$(grep -vc '^200$' "$travail/codes" || true)
  [ "$echecs" -eq 0 ] || echo "échecs : $echecs" >&2
  awk -v n="$requetes" -v d="$debut" -v f="$fin" 'BEGIN { printf "%.0f\n", n / (f - d) }'
}
# Best of three rounds, the four set-ups taking turns within each round: a machine busy with something
# else for a moment weighs on all of them alike.
mesurer() { # label path
  declare -A meilleur=([sqlite]=0 [proxy]=0 [un]=0 [deux]=0)
  for _ in 1 2 3; do
    for cible in sqlite:$port_sqlite proxy:$port_sqlite_proxy un:$port_un deux:$port_deux; do
      n=$(par_seconde "http://127.0.0.1:${cible#*:}$2")
      [ "$n" -gt "${meilleur[${cible%%:*}]}" ] && meilleur[${cible%%:*}]=$n
    done
  done
  awk -v l="$1" -v s="${meilleur[sqlite]}" -v p="${meilleur[proxy]}" -v u="${meilleur[un]}" -v d="${meilleur[deux]}" 'BEGIN {
    printf "%s par seconde : SQLite sans proxy %d (derrière nginx %d) ; PostgreSQL derrière nginx, " \
      "une instance %d (%.2f x SQLite), deux instances %d (%.2f x une)\n", l, s, p, u, u / s, d, d / u }'
}
mesurer "Pages vues" "/t/bancpage01"
mesurer "Téléchargements (64 Kio)" "/t/bancpage01/f/fichier.bin"
echo "Objectifs : une instance sur PostgreSQL >= 0,80 x SQLite pour les pages vues ; deux instances >= une."
