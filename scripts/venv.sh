#!/usr/bin/env bash
# Make (once) the virtual environment DIR from PYTHON and pip-install into it:
#   scripts/venv.sh DIR PYTHON [pip install arguments...]
# Packages go into project venvs only, never into a system interpreter.
set -euo pipefail
dir=$1
python=$2
shift 2
if [ ! -x "$dir/bin/python" ]; then
  "$python" -m venv "$dir"
  "$dir/bin/python" -m pip install -q --upgrade pip
fi
if [ $# -gt 0 ]; then
  "$dir/bin/python" -m pip install -q "$@"
fi
