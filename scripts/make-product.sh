#!/usr/bin/env bash
# Puts together a product folder for qmpack: the demo product's programs built
# with setup.exe (folder demo/) with documents, pictures and data
# files made here from the machine's own text and ImageMagick.
#
#   scripts/make-product.sh demo BUILD-DIR OUT-DIR   # about 8 MB, as a product ships
#   scripts/make-product.sh test BUILD-DIR OUT-DIR   # small, with the awkward cases
#
# BUILD-DIR is the build folder of the programs that ship (build/windows/product
# for the 32-bit product, build/windows64 for the 64-bit build). OUT-DIR is made anew;
# OUT-DIR.list beside it gives qmpack the packing order (the main program first).
# Everything is deterministic: the same machine always gives the same bytes.
set -euo pipefail

kind=$1 build=$2 out=$3
programs="$build/demo"
licences=/usr/share/common-licenses

rm -rf "$out"
mkdir -p "$out"
order=()

add() {  # records a file of the product in packing order
  order+=("$1")
}

copy_program() {  # source, name in the product
  cp "$programs/$1" "$out/$2"
  add "$2"
}

# Pseudo-random but repeatable bytes: `count` bytes from a seed.
noise() {
  head -c "$2" < <(openssl enc -aes-128-ctr -nosalt -pass "pass:$1" -pbkdf2 -in /dev/zero 2>/dev/null)
}

picture() {  # name, width, height, seed, and "flat" for few colours: a 24-bit uncompressed bitmap
  local flat=()
  [ "${5:-}" = flat ] && flat=(-posterize 24)
  convert -seed "$4" -size "$2x$3" plasma:fractal -blur 0x2 "${flat[@]}" -type TrueColor \
    -compress none "BMP3:$out/$1"
  add "$1"
}

registration() {
  printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quillmarsh\\Kestrelon]\r\n"Licence"="DEMO"\r\n' \
    >"$out/Kestreln.Reg"
  add Kestreln.Reg
}

desktop_layout() {
  {
    printf '[Desktop]\r\nColumns=4\r\nRows=3\r\n'
    for n in $(seq 1 12); do printf 'Icon%d=Picture%02d.Bmp\r\n' "$n" "$n"; done
  } >"$out/Desktop.Dtp"
  add Desktop.Dtp
}

help_file() {  # name, how many licence texts to take
  cat $(ls "$licences"/* | head -n "$2") | sed 's/$/\r/' >"$out/$1"
  add "$1"
}

common_files() {
  copy_program Kestreln.exe Kestreln.Exe
  copy_program TaskMan.exe TaskMan.Exe
  cp "$programs/KShell.dll" "$out/CTRLKN.SYS"  # the driver file's stand-in
  add CTRLKN.SYS
  registration
  desktop_layout
}

case "$kind" in
  demo)
    common_files
    copy_program KShell.dll KShell.Dll
    help_file Kestreln.Hlp 100
    help_file Tutorial.Hlp 6
    sed 's/$/\r/' "$licences/GPL-3" >"$out/Licence.Txt" && add Licence.Txt
    # Every fifth picture is flat clip art, the others photographs.
    for n in $(seq 1 20); do
      picture "$(printf 'Picture%02d.Bmp' "$n")" 352 264 "$n" "$( ((n % 5)) || echo flat)"
    done
    cp /usr/i686-w64-mingw32/lib/libmingwex.a "$out/Runtime.Lib" && add Runtime.Lib
    noise palette 768 >"$out/Kestreln.Pal" && add Kestreln.Pal
    ;;
  test)
    common_files
    help_file Kestreln.Hlp 2
    printf 'CLIPART LIBRARY\r\n' >"$out/Clipart.Lib" && add Clipart.Lib
    : >"$out/Empty.Txt" && add Empty.Txt
    noise block 2048 >"$out/Block.Dat" && add Block.Dat
    noise large 200000 >"$out/Large.Dat" && add Large.Dat  # does not compress: spans volumes
    ;;
  *)
    echo "usage: $0 demo|test BUILD-DIR OUT-DIR" >&2
    exit 2
    ;;
esac

printf '%s\n' "${order[@]}" >"$out.list"
