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
echo "== zebhost apply diary/202503/27.html --check 日記 --check お知らせ (a page two folders down)"
"$bin/zebhost" --now "$now" apply diary/202503/27.html --check 日記 --check お知らせ
echo
echo "== the dialog's items for index.html now"
"$bin/zebhost" --now "$now" items index.html
echo

# Publishing: the CMS adds a news entry (its page and a new first entry in the category's data)
# an hour later; one update brings the list page and every page that shows it up to date.
later=2025-03-28T10:00
sed -e 's/春の公開日のお知らせ/桜が咲きました/g' -e 's|2025/03/20|2025/03/28|' \
  -e 's|<p>四月.*</p>|<p>庭の桜が一輪、咲きました。</p>|' news/0004.html > news/0005.html
data=qcms/zebsitec000table000001.xml
entry='  <contentpart>\n    <id>news0005</id>\n    <title>桜が咲きました</title>\n    <creationtime>2025/03/28 09:30:00</creationtime>\n    <category>お知らせ</category>\n    <link>news/0005.html</link>\n  </contentpart>'
sed -i "0,/^  <contentpart>/s||$entry\n  <contentpart>|" "$data"
touch -d '2025-03-28 09:30' news/0005.html "$data"
cp index.html "$build/demo-index-before.html"
echo "== the CMS added a news entry; zebhost update publishes it"
"$bin/zebhost" --now "$later" update
echo
echo "== what changed in index.html (only inside the news link part)"
diff -u "$build/demo-index-before.html" index.html | tail -n +3 || true
echo
echo "== zebhost update again: nothing to do"
"$bin/zebhost" --now "$later" update
echo
echo "The site is in $demo"
echo "Generated pages: $(ls ZebSitemenu | wc -l) in $demo/ZebSitemenu"
echo "To look at it (the calendar's « and » need HTTP; pages reload when the CMS data changes):"
echo "  $bin/zebhost --site $demo --now $later serve"
echo "  then open http://127.0.0.1:8000/index.html or http://127.0.0.1:8000/diary/202503/27.html"
