#!/usr/bin/env bash
# Runs the browser test of the published calendar against the demo site (scripts/demo.sh must
# have run), then the accessibility audit of the demo site and of a site made by zebhost init.
# Installs Chromium (Debian) and playwright-core and axe-core (npm) when missing.
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

# Serves a folder over HTTP on a free port of 127.0.0.1; sets port.
servers=()
trap 'kill "${servers[@]}" 2>/dev/null || true' EXIT
serve() {
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1]); s.close()')
  python3 -m http.server "$port" --bind 127.0.0.1 --directory "$1" >/dev/null 2>&1 &
  servers+=($!)
  for _ in $(seq 50); do
    python3 -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$port/index.html')" 2>/dev/null && break
    sleep 0.1
  done
}
serve "$init"
init_url=http://127.0.0.1:$port
serve "$site"

# The sample diary runs from April 2024 to March 2025; the demo is dated in March 2025.
node "$here/calendar.test.mjs" "http://127.0.0.1:$port" "$artifacts" 2024-04 2025-03
node "$here/a11y.test.mjs" "http://127.0.0.1:$port/index.html" "http://127.0.0.1:$port/diary/202503/27.html" \
  "$init_url/index.html"
