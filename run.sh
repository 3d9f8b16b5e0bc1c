#!/usr/bin/env bash
# Builds the project in build/ (Release), installing missing packages first,
# and starts the program with the photo given, if any.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/scripts/setup.sh"
fotra_install_packages
fotra_build build

# Start the desktop program with the photo given, if any.
exec "$FOTRA_ROOT/build/bin/Pekarun4Free" "$@"
