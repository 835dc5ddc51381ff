#!/usr/bin/env bash
# Renders the application icon's bitmaps from its drawing. Run after a change
# of dist/icons/example.quorvane.Grapher.svg and commit the results (needs
# rsvg-convert from Debian's librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../dist/icons"
for size in 48 256; do
  rsvg-convert -w "$size" -h "$size" example.quorvane.Grapher.svg -o "example.quorvane.Grapher-$size.png"
done
