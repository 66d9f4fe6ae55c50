#!/usr/bin/env bash
# Builds the installation media that the end-to-end installation scenarios use,
# once per test run:
#   OUT/product/, OUT/product.list   the test product (scripts/make-product.sh test)
#   OUT/disks/                       setup.exe and the product packed into three volumes
#   OUT/long/                        setup.exe and the same product with a large
#                                    incompressible file added, so that the unpack
#                                    pass runs long enough to be cancelled from outside
#   OUT/update/                      setup.exe and the test product with a 1 MB manual
#                                    added that compresses well, so that the files
#                                    waiting to be put in place take more room than
#                                    the package (the update scenarios on a small drive)
#
#   make_media.sh SETUP_EXE PRODUCT_BUILD_DIR OUT
#
# PRODUCT_BUILD_DIR is the build folder of the programs that ship (scripts/make-product.sh).
#
# qmpack comes from the host (or release) build of this work tree, which
# `./run test` builds before the Windows tests; QMPACK names another one.
set -euo pipefail
setup=$1 build=$2 out=$3
root=$(cd "$(dirname "$0")/../../.." && pwd)

find_qmpack() {
  local candidate
  for candidate in "${QMPACK:-}" "$root/build/host/tools/qmpack/qmpack" \
    "$root/build/release/tools/qmpack/qmpack"; do
    [ -n "$candidate" ] && [ -x "$candidate" ] && { echo "$candidate"; return; }
  done
  echo "make_media.sh: no qmpack; build it first (cmake --build --preset host --target qmpack)" >&2
  return 1
}
qmpack=$(find_qmpack)

# Packs a product into exactly three volumes of equal size (the last one
# shorter): the size is a third of the package, measured with one volume first.
pack_in_three() {  # product-dir list out-dir
  local probe="$out/probe" size volume
  rm -rf "$probe" "$3"
  "$qmpack" build --setup "$setup" --product "$1" --list "$2" --out "$probe" \
    --volume-size 100000000 --first-volume-size 100000000 >/dev/null
  size=$(stat -c %s "$probe/Kestreln.001")
  rm -rf "$probe"
  volume=$(((size + 2) / 3))
  "$qmpack" build --setup "$setup" --product "$1" --list "$2" --out "$3" \
    --volume-size "$volume" --first-volume-size "$volume"
}

mkdir -p "$out"
"$root/scripts/make-product.sh" test "$build" "$out/product"
pack_in_three "$out/product" "$out/product.list" "$out/disks"

# The long product: the test product and 3 MB that do not compress.
cp -r "$out/product" "$out/long-product"
head -c 3000000 < <(openssl enc -aes-128-ctr -nosalt -pass pass:filler -pbkdf2 -in /dev/zero 2>/dev/null) \
  >"$out/long-product/Filler.Dat"
{ cat "$out/product.list"; echo Filler.Dat; } >"$out/long-product.list"
pack_in_three "$out/long-product" "$out/long-product.list" "$out/long"

# The update product: the test product and a 1 MB text manual.
cp -r "$out/product" "$out/update-product"
# The licence texts four times over (about 1.2 MB), cut to 1,000,000 bytes.
for _ in 1 2 3 4; do sed 's/$/\r/' /usr/share/common-licenses/*; done >"$out/manual.tmp"
head -c 1000000 "$out/manual.tmp" >"$out/update-product/Manual.Txt"
rm "$out/manual.tmp"
{ cat "$out/product.list"; echo Manual.Txt; } >"$out/update-product.list"
pack_in_three "$out/update-product" "$out/update-product.list" "$out/update"
