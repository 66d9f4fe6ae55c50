#!/usr/bin/env bash
# Makes the demo product (about 8 MB, scripts/make-product.sh demo) and packs
# it with qmpack into diskette-sized volumes, in the layout the end-to-end
# driver installs from:
#   OUT/product/, OUT/product.list   the product and its packing order
#   OUT/disks/                       setup.exe with its media block set, and the volumes
#
#   scripts/demo-media.sh WINDOWS-BUILD-DIR QMPACK OUT
set -euo pipefail
build=$1 qmpack=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)

mkdir -p "$out"
"$here/make-product.sh" demo "$build" "$out/product"
rm -rf "$out/disks"
"$qmpack" build --setup "$build/src/setup.exe" --product "$out/product" \
  --list "$out/product.list" --out "$out/disks"
