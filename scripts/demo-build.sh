# Sourced by demo.sh and install-bench.sh from the project's root: builds setup.exe, the demo product's programs,
# the end-to-end driver and qmpack, makes the demo product (about 8 MB,
# scripts/make-product.sh demo) and packs it into diskette-sized volumes:
#   build/demo/media/product/, product.list   the product and its packing order
#   build/demo/media/disks/                   setup.exe with its media block set, and the volumes
# Sets `build` (the Windows build folder) and `media`.
#
# The product is the 32-bit build (the `windows` preset). Says how 32-bit
# programs run here; fails where they do not (scripts/install-deps.sh).
qm_i386_way=$(scripts/i386-mode.sh --require)
echo "The 32-bit setup runs here: $qm_i386_way"
preset=windows
build=build/$preset
# The programs that ship are made in a nested build of their own.
product=$build/product
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target product qm_e2e_driver
file "$product/src/setup.exe"
cmake --preset release >/dev/null
cmake --build --preset release --target qmpack

media=$PWD/build/demo/media
echo "Packing the demo product ..."
mkdir -p "$media"
scripts/make-product.sh demo "$product" "$media/product"
rm -rf "$media/disks"
build/release/tools/qmpack/qmpack build --setup "$product/src/setup.exe" --product "$media/product" \
  --list "$media/product.list" --out "$media/disks" | sed -n '/^package/,/^checked/p'
