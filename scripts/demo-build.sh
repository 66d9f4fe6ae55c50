# Sourced by demo.sh and install-bench.sh from the project's root: picks the
# Windows build that runs here, builds setup.exe, the demo product's programs,
# the end-to-end driver and qmpack, makes the demo product (about 8 MB,
# scripts/make-product.sh demo) and packs it into diskette-sized volumes:
#   build/demo/media/product/, product.list   the product and its packing order
#   build/demo/media/disks/                   setup.exe with its media block set, and the volumes
# Sets `build` (the Windows build folder) and `media`.
#
# The product is the 32-bit build (the `windows` preset). On a kernel that runs
# no 32-bit programs, the same sources built for 64-bit Windows (`windows64`)
# run under 64-bit Wine instead.
preset=windows
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "This kernel runs no 32-bit programs: using the 64-bit build of the same sources."
  preset=windows64
  export QM_WINE_ARCH=win64
fi
build=build/$preset
cmake --preset "$preset" >/dev/null
# The 32-bit build makes the programs that ship in a nested build of their own.
if [ "$preset" = windows ]; then
  product=$build/product
  cmake --build --preset "$preset" --target product qm_e2e_driver
else
  product=$build
  cmake --build --preset "$preset" --target setup uninstal qm_e2e_driver \
    demo_kestreln demo_taskman demo_kshell
fi
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
