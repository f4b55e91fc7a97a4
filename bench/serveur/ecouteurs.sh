#!/usr/bin/env bash
# valto-serveur's event stream, run by hand after a build (needs curl and python3): server memory with
# no listener and with 500 idle ones, one event delivered to all of them, the cap on listeners, and a
# listener that stops reading while downloads pour in.
set -euo pipefail
cd "$(dirname "$0")/../.."

travail=$(mktemp -d)
port=18753
mkdir -p "$travail/nas/DATA/Valto Transferts"
echo "banc" > "$travail/nas/DATA/a.txt"
serveur=""
nettoyer() {
  [ -n "$serveur" ] && kill "$serveur" 2>/dev/null && wait "$serveur" 2>/dev/null
  rm -rf "$travail"
}
trap nettoyer EXIT

# A thousand listeners and the rest: more descriptors than the usual 1024.
ulimit -n 4096
build/serveur/valto-serveur --port "$port" --nas "$travail/nas" --donnees "$travail/donnees" \
  >/dev/null 2>"$travail/journal" &
serveur=$!
sleep 0.5
cle=$(head -n 1 "$travail/nas/DATA/Valto Transferts/.transfer-api-key")
curl -sf -o /dev/null -H "X-Api-Key: $cle" -H 'Content-Type: application/json' \
  -d '{"token":"bancflux01","titre":"Banc","expediteur":"Banc","expire_jours":1,"fichiers":["DATA/a.txt"],"type":"transfert"}' \
  "http://127.0.0.1:$port/api/transferts"
python3 bench/serveur/ecouteurs.py "$port" "$cle" "$serveur" bancflux01 500 "$travail/journal"
