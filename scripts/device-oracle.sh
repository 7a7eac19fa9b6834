#!/usr/bin/env bash
# Runs Debian's own backup client (idevicebackup2) against the simulated device: when the
# reference client makes a full backup of it, the simulation speaks the protocol the way the
# device library expects. Usage: device-oracle.sh <build-dir>
set -euo pipefail
bin="$1/bin"
work=$(mktemp -d)
trap 'kill "$fake" 2>/dev/null || true; wait "$fake" 2>/dev/null || true; rm -rf "$work"' EXIT
"$bin/fake-idevice" --tls > "$work/address" &
fake=$!
for _ in $(seq 50); do [ -s "$work/address" ] && break; sleep 0.1; done
export USBMUXD_SOCKET_ADDRESS=$(head -n1 "$work/address")
mkdir "$work/backup"
timeout 120 idevicebackup2 backup --full "$work/backup" > "$work/log" 2>&1 || { cat "$work/log"; exit 1; }
grep -q "Backup Successful" "$work/log" || { cat "$work/log"; exit 1; }
udid=$(ls "$work/backup")
for f in Info.plist Status.plist Manifest.db; do
  [ -s "$work/backup/$udid/$f" ] || { echo "device oracle: $f missing"; exit 1; }
done
echo "device oracle: idevicebackup2 made a full backup of the simulated device"
