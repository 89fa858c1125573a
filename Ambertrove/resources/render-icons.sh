#!/usr/bin/env bash
# Renders icons/ambertrove.svg into the PNGs committed beside it, one for each size a desktop asks for.
# Run it after changing the SVG; it needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/icons"
for size in 16 24 32 48 64 128 256 512; do
  rsvg-convert --width "$size" --height "$size" ambertrove.svg --output "ambertrove-$size.png"
done
