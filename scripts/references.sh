#!/usr/bin/env bash
# Redraws the widget tests' reference pictures after an intended change to the screens: rebuilds the two
# executables that compare captures and runs them with VALTO_REFERENCES=ecrire. Pictures no test draws
# any more go away. Look at what changed (git status tests/ui/references) before committing it.
set -euo pipefail
cd "$(dirname "$0")/.."

[ -f build/build.ninja ] || cmake -S . -B build -G Ninja
cmake --build build --target test_ui test_app
rm -f tests/ui/references/*.png tests/ui/references/*.txt
export QT_QPA_PLATFORM=offscreen VALTO_REFERENCES=ecrire
statut=0
build/tests/ui/test_ui -silent || statut=1
build/tests/app/test_app -silent || statut=1
git status --short tests/ui/references
[ "$statut" -eq 0 ] || echo "Des tests ont échoué : des références manquent peut-être." >&2
exit "$statut"
