#!/usr/bin/env bash
# Draws the setup's artwork with ImageMagick: the LOGO bitmap (204 x 66, 16
# colours, uncompressed, as the backdrop paints it) and the program icon.
set -euo pipefail
cd "$(dirname "$0")"

# A kestrel's wing over a horizon line, with the product name beside it.
convert -size 204x66 xc:'#000080' \
  -fill '#0000FF' -draw 'rectangle 0,44 203,65' \
  -fill '#FFFF00' -draw 'polygon 8,40 30,10 52,22 72,8 60,34 40,30' \
  -fill '#FFFFFF' -draw 'polygon 30,10 36,22 52,22' \
  -fill '#FF0000' -draw 'rectangle 8,46 72,49' \
  -fill '#FFFF00' -font DejaVu-Sans-Bold -pointsize 19 -draw "text 80,34 'Kestrelon'" \
  -fill '#C0C0C0' -font DejaVu-Sans -pointsize 10 -draw "text 82,58 'desktop companion'" \
  +dither -colors 16 -type Palette -compress None BMP3:logo.bmp

# The icon: the same wing on a blue square, at 32 and 16 pixels.
convert -size 32x32 xc:'#000080' \
  -fill '#FFFF00' -draw 'polygon 2,28 12,4 20,12 30,2 26,22 16,20' \
  -fill '#FFFFFF' -draw 'polygon 12,4 14,12 20,12' \
  -define icon:auto-resize=32,16 mainicon.ico
