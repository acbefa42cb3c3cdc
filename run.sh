#!/usr/bin/env bash
# Sets up, builds and starts the program. A new home folder
# (~/.local/share/helan, or $HELAN_HOME) is filled with the delivered database.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
exec build/helan "$@"
