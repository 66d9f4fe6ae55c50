#!/usr/bin/env bash
# Makes and takes away the small drive K: of the update scenarios: a tmpfs of
# a fixed size mounted on a folder of the build, seen by Wine as drive K:
# through a dosdevices link in the project's prefix.
#
#   small_drive.sh mount FOLDER SIZE_MB    # a fresh, empty drive
#   small_drive.sh unmount FOLDER          # unmounted, the folder and drive K: gone
#
# Mounting needs root: the CI runs as root, and a user takes it through sudo;
# the drive belongs to the user that runs the tests. QM_WINE_ARCH picks the
# prefix as for the other Windows tests (scripts/wine-env.sh).
set -euo pipefail
action=$1 folder=$2
root=$(cd "$(dirname "$0")/../../.." && pwd)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# The prefix (made on first use) and its persistent wineserver.
. "$root/scripts/wine-env.sh"
link="$WINEPREFIX/dosdevices/k:"

release() {
  rm -f "$link"
  if mountpoint -q "$folder"; then
    # A file still open in a Wine process keeps the mount busy; the lazy
    # unmount then finishes once it is closed.
    $sudo umount "$folder" 2>/dev/null || $sudo umount -l "$folder"
  fi
  [ ! -d "$folder" ] || rmdir "$folder"
}

case "$action" in
  mount)
    size=$3
    release  # a drive left by an interrupted run
    mkdir -p "$folder"
    $sudo mount -t tmpfs -o "size=${size}m,uid=$(id -u),gid=$(id -g)" tmpfs "$folder"
    ln -s "$folder" "$link"
    echo "drive K: is $folder, a tmpfs of $size MB"
    ;;
  unmount)
    release
    ;;
  *)
    echo "usage: $0 mount FOLDER SIZE_MB | unmount FOLDER" >&2
    exit 2
    ;;
esac
