#!/usr/bin/env bash
# make demo: the two programs on a sample game under Wine (see e2e/demo.py).
set -euo pipefail
cd "$(dirname "$0")/.."
exec /usr/bin/python3 e2e/demo.py "$@"
