#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when they are missing. Idempotent.
#   scripts/setup.sh [fuzz]    fuzz: also clang and its fuzzer runtime (fuzz/run.sh)
set -euo pipefail

packages=(g++ cmake make pkg-config libgtest-dev libgumbo-dev libpugixml-dev libuchardet-dev
          libncurses-dev libutf8proc-dev libcli11-dev libcpp-httplib-dev tmux python3 dpkg-dev file)
for group in "$@"; do
  case "$group" in
    fuzz) packages+=(clang libclang-rt-dev) ;;
    *) echo "setup: unknown group $group" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
