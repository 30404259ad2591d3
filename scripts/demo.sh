#!/usr/bin/env bash
# Build the wheel (scripts/wheel.sh), install it into .venv-demo (made from
# $PYTHON, default python3), then run every example in examples/.
set -euo pipefail
cd "$(dirname "$0")/.."
PY=${PYTHON:-python3}
wheel=$(scripts/wheel.sh build/dist | tail -n 1)
scripts/venv.sh .venv-demo "$PY"
.venv-demo/bin/python -m pip install -q --force-reinstall --no-deps "$wheel"
for example in examples/*.py; do
  echo "== $example"
  .venv-demo/bin/python "$example"
done
