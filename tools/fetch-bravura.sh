#!/usr/bin/env bash
# Fetches the SMuFL source font of the music-symbol font into tools/node_modules
# (git-ignored). Idempotent and silent once the package is there.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
pkg="$here/node_modules/@vexflow-fonts/bravura"
if [ -f "$pkg/bravura.otf" ] && [ -f "$pkg/metadata.json" ] && [ -f "$pkg/LICENSE.txt" ]; then
  exit 0
fi
if ! command -v npm >/dev/null 2>&1; then
  echo "fetch-bravura: npm is missing (run scripts/install-deps)" >&2
  exit 1
fi
echo "fetch-bravura: fetching @vexflow-fonts/bravura" >&2
npm install --prefix "$here" --no-save --no-package-lock --no-audit --no-fund \
  --loglevel=error "@vexflow-fonts/bravura@1.0.2" >/dev/null
test -f "$pkg/bravura.otf"
