#!/usr/bin/env bash
# Installs what is needed, builds, and runs the program: the desktop window where a display
# exists, otherwise the command line scanning the bundled demo backup.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
bin="$root/build/bin"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$bin/vesmar" ]; then
  exec "$bin/vesmar"
fi
demo=$(mktemp -d)/demo-backup
"$bin/vesmar-cli" demo "$demo"
exec "$bin/vesmar-cli" scan "$demo"
