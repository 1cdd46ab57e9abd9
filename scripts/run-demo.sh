#!/usr/bin/env bash
# Sets up the machine, builds Kavu and starts it on its embedded demo service.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
exec ./build/kavu-demo "$@"
