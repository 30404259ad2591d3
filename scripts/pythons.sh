#!/usr/bin/env bash
# Print the interpreter of each CPython version given (as 3.10), one a line:
# python3.X on PATH, else pyenv's newest 3.X. Exits non-zero naming each
# version it cannot find.
set -euo pipefail
status=0
for version in "$@"; do
  found=""
  candidates=("$(command -v "python$version" || true)")
  root=${PYENV_ROOT:-$HOME/.pyenv}
  for dir in $(ls -d "$root/versions/$version".* 2>/dev/null | sort -V -r); do
    candidates+=("$dir/bin/python$version")
  done
  for candidate in "${candidates[@]}"; do
    # pyenv's shims exist for versions that are not selected: ask, don't trust.
    if [ -n "$candidate" ] && [ -x "$candidate" ] &&
       [ "$("$candidate" -c 'import sys; print("%d.%d" % sys.version_info[:2])' 2>/dev/null)" = "$version" ]; then
      found=$candidate
      break
    fi
  done
  if [ -n "$found" ]; then
    echo "$found"
  else
    echo "missing CPython $version: install it (apt-get install python$version-venv, or pyenv install $version)" >&2
    status=1
  fi
done
exit $status
