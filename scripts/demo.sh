#!/usr/bin/env bash
# Build and install mivex, then run every example in examples/.
set -euo pipefail
cd "$(dirname "$0")/.."
PY=${PYTHON:-python3}
scripts/ensure-deps.sh build
"$PY" -m pip install -q --root-user-action=ignore --no-build-isolation .
for example in examples/*.py; do
  echo "== $example"
  "$PY" "$example"
done
