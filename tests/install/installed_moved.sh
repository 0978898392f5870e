#!/usr/bin/env bash
# An installed zebhost keeps working when its prefix is moved: installs the build to a temporary
# prefix, moves the prefix, and runs update and apply on a copy of the sample site with the moved
# program, which must find its libraries, module and data in the moved prefix. With "deb", the
# prefix is the /usr of the Debian package that cpack makes of the build, unpacked elsewhere.
#   installed_moved.sh BUILD_DIR SOURCE_DIR [deb]
set -euo pipefail
build=$1
source=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "installed_moved: $*" >&2; exit 1; }

if [ "${3:-}" = deb ]; then
  out=$(cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/deb" 2>&1) || fail "cpack: $out"
  package=$(ls "$tmp"/deb/zebhost_*.deb)
  depends=$(dpkg-deb -f "$package" Depends)
  [[ $depends == *libgumbo* && $depends == *libuchardet* && $depends == *libutf8proc* ]] ||
    fail "the package does not depend on its libraries: $depends"
  dpkg-deb -x "$package" "$tmp/root"
  mv "$tmp/root/usr" "$tmp/moved"
else
  cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
  mv "$tmp/prefix" "$tmp/moved"
fi
zebhost=$tmp/moved/bin/zebhost
for f in lib/zebhost/libzebcmlinkparts.so lib/zebhost/libzebhostserve.so lib/zebhost/libzebhostterm.so lib/zebhost/libzebhosttext.so \
         share/zebhost/template/_cm/temp/linkparts00.html \
         share/man/man1/zebhost.1 share/bash-completion/completions/zebhost share/doc/zebhost/site-guide.md; do
  [ -f "$tmp/moved/$f" ] || fail "$f is not installed"
done
libraries=$(ldd "$zebhost")
[[ $libraries =~ libzebhostsvc.so\ =\>\ $tmp/moved/(bin/\.\./)?lib/zebhost/ ]] || fail "the host library is not the moved one"
[[ $libraries != *httplib* ]] || fail "zebhost loads the HTTP library at every start"
[[ $libraries != *curses* ]] || fail "zebhost loads curses at every start"
[[ $libraries != *uchardet* && $libraries != *utf8proc* ]] || fail "zebhost loads the text libraries at every start"

cp -R "$source/examples/site" "$tmp/site"
find "$tmp/site" -exec touch -d '2025-03-27 18:00' {} +
run() { env -u ZEBHOST_DATA_DIR "$zebhost" --site "$tmp/site" --now 2025-03-28T09:00 "$@"; }
run update >/dev/null
run apply index.html --select-all >/dev/null
grep -q 'id="zebsitec000table000001"' "$tmp/site/index.html" || fail "index.html got no category link part"
grep -q 'id="zebsitec001table000001"' "$tmp/site/index.html" || fail "index.html got no calendar"
"$zebhost" -q init "$tmp/new" && "$zebhost" -q --site "$tmp/new" update || fail "a new site from the moved prefix"
# serve loads its library from the moved prefix (stopped after three seconds).
out=$(timeout -s TERM 3 env -u ZEBHOST_DATA_DIR "$zebhost" --site "$tmp/site" serve --port 0 2>&1) || true
[[ $out == *"serving $tmp/site at http://127.0.0.1:"*stopped* ]] || fail "serve from the moved prefix: $out"

# The template comes from the moved prefix: without it, the error names the moved path.
rm "$tmp/moved/share/zebhost/template/_cm/temp/linkparts00.html"
rm "$tmp/site/ZebSitemenu/zebsitec000table000001.html"
if out=$(run update 2>&1); then fail "update without a template succeeded"; fi
[[ $out == *"$tmp/moved/share/zebhost/template/_cm/temp/linkparts00.html"* ]] || fail "unexpected error: $out"
echo "installed_moved: ok${3:+ ($3)}"
