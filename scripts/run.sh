#!/usr/bin/env bash
# Builds the application and the server, starts valto-serveur on 127.0.0.1 with a demo NAS under the
# user's data folder, then runs the application pointed at it. The demo has its own preferences and
# history (separate XDG folders), so the user's own are never touched. Quitting the application stops
# the server.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -G Ninja
cmake --build build --target valto-transfer valto-serveur

port=8642
origine="http://127.0.0.1:$port"
demo="${XDG_DATA_HOME:-$HOME/.local/share}/valto-demo"
nas="$demo/nas"
copies="$nas/DATA/Valto Transferts"
cle="$copies/.transfer-api-key"
application=build/src/app/valto-transfer

repond() { (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; }

if repond; then
  echo "Le port $port est déjà utilisé : arrête le programme qui l'occupe, puis relance." >&2
  exit 1
fi
# The demo holds an API key and, once used, passwords: its folders are the user's alone.
umask 077
mkdir -p "$copies" "$demo/serveur" "$demo/releases" "$demo/config/Valto" "$demo/donnees"
# A file already on the NAS: dropped on the window, it is referenced in place ("LIEN"), not copied.
exemple="$nas/DATA/Clients/Exemple/plan.txt"
if [ ! -f "$exemple" ]; then
  mkdir -p "$(dirname "$exemple")"
  echo "Un fichier du NAS de démonstration." > "$exemple"
fi

build/serveur/valto-serveur --port "$port" --nas "$nas" --copies "$copies" --cle "$cle" \
  --donnees "$demo/serveur" --versions "$demo/releases" &
serveur=$!
trap 'kill "$serveur" 2>/dev/null || true; wait "$serveur" 2>/dev/null || true' EXIT

for _ in $(seq 50); do
  repond && break
  kill -0 "$serveur" 2>/dev/null || { echo "valto-serveur n'a pas démarré." >&2; exit 1; }
  sleep 0.1
done
repond || { echo "valto-serveur ne répond pas sur le port $port." >&2; exit 1; }

# Written on the first run (or when the demo's key changed): later runs keep what the user set
# in the demo's settings window.
preferences="$demo/config/Valto/Valto Transfer.json"
valeur_cle=$(head -n 1 "$cle")
if [ ! -f "$preferences" ] || ! grep -q "$valeur_cle" "$preferences"; then
  # JSON string: backslashes and quotes escaped.
  json() { local t=${1//\\/\\\\}; printf '"%s"' "${t//\"/\\\"}"; }
  printf '{"apiBaseURL": %s, "apiKey": %s, "nasMountPath": %s}\n' \
    "$(json "$origine")" "$(json "$valeur_cle")" "$(json "$copies")" > "$preferences"
fi

echo "Démo : serveur $origine, NAS $nas, copies dans « $copies »."
echo "Dépose « $exemple » : il est sur le NAS, l'application l'envoie sans le copier (« LIEN »)."
if [ ! -x "$application" ]; then
  echo "L'application n'est pas construite ($application)." >&2
  exit 1
fi
XDG_CONFIG_HOME="$demo/config" XDG_DATA_HOME="$demo/donnees" "$application"
