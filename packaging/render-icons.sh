#!/usr/bin/env bash
# Renders the program's icon (resources/icons/app.svg) at the icon theme's fixed sizes into
# packaging/icons/, where the install rules take them from. Run it after changing the drawing and
# commit the results; it needs rsvg-convert (Debian package librsvg2-bin), which the build does not.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "icons/${size}x${size}"
  rsvg-convert --width "$size" --height "$size" --format png \
    --output "icons/${size}x${size}/org.tollhaven.Tollhaven.png" ../resources/icons/app.svg
done
