#!/usr/bin/env bash
# Runs the browser test of the published calendar against the demo site (scripts/demo.sh must
# have run), then the accessibility audit of the demo site and of a site made by zebhost init, each
# served by zebhost serve. Installs Chromium (Debian) and playwright-core and axe-core (npm) when
# missing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${BUILD_DIR:-$root/build}
site=$build/demo-site
artifacts=$build/browser-artifacts

# Chromium, and a Japanese font so that the screenshot shows the page's text.
if [ ! -x /usr/bin/chromium ] || ! dpkg-query -W -f='${Status}' fonts-ipafont-gothic 2>/dev/null | grep -q "ok installed"; then
  sudo_cmd=(); [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    chromium fonts-ipafont-gothic >/dev/null 2>&1
fi
if ! command -v node >/dev/null; then
  sudo_cmd=(); [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends nodejs npm >/dev/null 2>&1
fi
if [ ! -d "$here/node_modules/playwright-core" ] || [ ! -d "$here/node_modules/axe-core" ]; then
  (cd "$here" && npm install --no-audit --no-fund --silent)
fi
[ -f "$site/index.html" ] || { echo "browser: run scripts/demo.sh first" >&2; exit 1; }

# A site made by zebhost init, published with every link part, for the audit.
init=$build/init-site
rm -rf "$init"
"$build/bin/zebhost" -q init "$init"
"$build/bin/zebhost" -q --site "$init" update
"$build/bin/zebhost" -q --site "$init" apply index.html --select-all

# Serves a site with zebhost serve on a free port of 127.0.0.1 (extra global options after the
# folder); sets port and log. The server rebuilds the site when its data changes.
servers=()
logs=()
trap 'for s in "${servers[@]}"; do kill -INT "$s" 2>/dev/null && wait "$s"; done; rm -f "${logs[@]}"' EXIT
serve() {
  log=$(mktemp)
  logs+=("$log")
  "$build/bin/zebhost" --site "$@" serve --port 0 >"$log" 2>&1 &
  servers+=($!)
  port=
  for _ in $(seq 100); do
    port=$(sed -n 's|.*at http://127\.0\.0\.1:\([0-9]*\)/.*|\1|p' "$log")
    [ -n "$port" ] && break
    sleep 0.1
  done
  [ -n "$port" ] || { echo "browser: zebhost serve did not start:" >&2; cat "$log" >&2; exit 1; }
}
serve "$init"
init_url=http://127.0.0.1:$port
serve "$site" --now 2025-03-28T10:00

# The sample diary runs from April 2024 to March 2025; the demo is dated in March 2025. The last
# case adds a news entry to the site's data: the open page shows it without a reload by hand.
node "$here/calendar.test.mjs" "http://127.0.0.1:$port" "$artifacts" 2024-04 2025-03 "$site" || {
  echo "browser: zebhost serve said:" >&2; cat "$log" >&2; exit 1; }
node "$here/a11y.test.mjs" "http://127.0.0.1:$port/index.html" "http://127.0.0.1:$port/diary/202503/27.html" \
  "$init_url/index.html"
