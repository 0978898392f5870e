#!/usr/bin/env bash
# Sets up, builds and runs the main job on the sample site: a scratch copy of examples/site gets
# its link-part pages generated and its home page gets every link part the dialog offers.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
build=${BUILD_DIR:-$root/build}
bin=$build/bin
demo=$build/demo-site

rm -rf "$demo"
cp -R "$root/examples/site" "$demo"
cd "$demo"

# The sample diary runs from April 2024 to March 2025, so the run is dated at its end. The CMS
# wrote its data before that day.
now=2025-03-28T09:00
find . -exec touch -d '2025-03-27 18:00' {} +

echo "== zebhost update (every category of qcms/qccl.xml)"
"$bin/zebhost" --now "$now" -v update
echo
echo "== zebhost apply index.html --select-all"
"$bin/zebhost" --now "$now" -v apply index.html --select-all
echo
echo "== the dialog's items for index.html now"
"$bin/zebhost" --now "$now" items index.html
echo
echo "The site is in $demo"
echo "Generated pages: $(ls ZebSitemenu | wc -l) in $demo/ZebSitemenu"
echo "To look at it (the calendar's « and » need HTTP):"
echo "  cd $demo && python3 -m http.server 8000"
echo "  then open http://localhost:8000/index.html"
