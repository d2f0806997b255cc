#!/usr/bin/env bash
# Makes the program's own icon with the program: the round cube, turned a little, with the
# window's default shadow, rendered by a built facetmint into app/resources/facetmint.png.
#
#   tools/make_program_icon.sh [FACETMINT]      (default: build/app/facetmint)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
exe=${1:-build/app/facetmint}
"$exe" render --view -40,24 --rotate 0,0,10 --distance 5.5 -o app/resources/facetmint.png
echo "wrote app/resources/facetmint.png"
