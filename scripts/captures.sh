#!/usr/bin/env bash
# Browser check of the client pages: starts valto-serveur on a throwaway NAS, registers a few
# transfers, and has headless Chromium take screenshots under build/captures/. Run by hand after a
# build (needs the Debian packages chromium and curl); look at the pictures.
set -euo pipefail
cd "$(dirname "$0")/.."

sortie=$PWD/build/captures
travail=$(mktemp -d)
port=18741
origine="http://127.0.0.1:$port"
copies="$travail/nas/DATA/Valto Transferts"
mkdir -p "$sortie" "$copies" "$travail/nas/DATA/Clients/Photos 2026"

chrome() { chromium --headless=new --no-sandbox --disable-gpu --hide-scrollbars --user-data-dir="$travail/profil" "$@" 2>/dev/null; }

# Sample files drawn by the browser itself: two pictures and two one-page PDFs.
image() { chrome --window-size=1200,800 --screenshot="$1" "data:text/html,<body style='margin:0;height:100vh;background:linear-gradient(135deg,$2)'><h1 style='font:bold 120px sans-serif;color:white;padding:80px'>$3</h1>"; }
pdf() { chrome --no-pdf-header-footer --print-to-pdf="$1" "data:text/html,<h1 style='font:60px serif'>$2</h1><p>Version $2 du document.</p>"; }
mkdir -p "$copies/capimages1" "$copies/cappdf0001" "$copies/capliste01/Planches"
image "$copies/capimages1/avant.png" "%23355c7d,%236c5b7b" "Avant"
image "$copies/capimages1/apres.png" "%23f67280,%23f8b195" "Après"
pdf "$copies/cappdf0001/avant.pdf" "Avant"
pdf "$copies/cappdf0001/apres.pdf" "Après"
cp "$copies/capimages1/avant.png" "$copies/capliste01/Couverture.png"
head -c 2500000 /dev/urandom > "$copies/capliste01/Planches/planche 01.tif"
head -c 18000000 /dev/urandom > "$travail/nas/DATA/Clients/Photos 2026/Séance studio.zip"

build/serveur/valto-serveur --port "$port" --nas "$travail/nas" --donnees "$travail/donnees" >/dev/null &
serveur=$!
trap 'kill "$serveur" 2>/dev/null || true; wait "$serveur" 2>/dev/null || true; rm -rf "$travail"' EXIT
sleep 0.5
cle=$(head -n 1 "$copies/.transfer-api-key")

creer() {
  curl -sf -o /dev/null -H "X-Api-Key: $cle" -H 'Content-Type: application/json' -d "$1" "$origine/api/transferts"
}
creer '{"token":"capliste01","titre":"Maquettes du catalogue — printemps","expediteur":"Camille Martin","expire_jours":14,"fichiers":["DATA/Clients/Photos 2026/Séance studio.zip"],"type":"transfert"}'
creer '{"token":"capmdp0001","titre":"Contrat signé","expediteur":"Camille Martin","expire_jours":7,"mot_de_passe":"secret","fichiers":["DATA/Clients/Photos 2026"],"type":"transfert"}'
creer '{"token":"capimages1","titre":"Retouche portrait","expediteur":"Camille Martin","expire_jours":7,"fichiers":[],"type":"compare","ordre":["avant.png","apres.png"]}'
creer '{"token":"cappdf0001","titre":"Épreuves de la brochure","expediteur":"Camille Martin","expire_jours":0,"fichiers":[],"type":"compare","ordre":["avant.pdf","apres.pdf"]}'

capture() { chrome --window-size="$2" --screenshot="$sortie/$1.png" "${@:4}" "$origine$3" && echo "$sortie/$1.png"; }
capture liste 1200,900 /t/capliste01
capture liste-mobile 390,844 /t/capliste01
capture mot-de-passe 1200,700 /t/capmdp0001
capture comparaison-images 1200,1000 /t/capimages1
capture comparaison-pdf 1400,1000 /t/cappdf0001 --virtual-time-budget=8000
capture introuvable 1200,600 /t/zzzzzzzzzz

# The download itself, as the browser saves it.
mkdir -p "$travail/telechargements"
chrome --dump-dom "$origine/t/capliste01" | grep -q 'Tout télécharger'
curl -sf -o "$travail/telechargements/planche.tif" "$origine/t/capliste01/f/Planches/planche%2001.tif"
cmp "$travail/telechargements/planche.tif" "$copies/capliste01/Planches/planche 01.tif" && echo "Téléchargement identique."
