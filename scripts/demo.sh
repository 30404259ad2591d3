#!/usr/bin/env bash
# Build and install mivex into .venv-demo (made from $PYTHON, default
# python3), then run every example in examples/.
set -euo pipefail
cd "$(dirname "$0")/.."
PY=${PYTHON:-python3}
scripts/ensure-deps.sh build
scripts/venv.sh .venv-demo "$PY"
.venv-demo/bin/python -m pip install -q --force-reinstall --no-deps .
for example in examples/*.py; do
  echo "== $example"
  .venv-demo/bin/python "$example"
done
