#!/usr/bin/env bash
# Installs what building and testing the client needs on Debian 12 (as root), and makes 32-bit
# Linux programs runnable for Wine's 32-bit side. Installs nothing that is already there.
set -eu -o pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../tests/support/wine-lib.sh"

packages=(cmake make g++ googletest libgtest-dev clang libclang-rt-14-dev clang-format python3
  iconv g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64 wine32:i386 wine32-preloader:i386 wine64-preloader
  xvfb x11-apps imagemagick procps util-linux openssl curl git)
# Some kernels cannot run 32-bit Linux programs themselves; qemu's user mode does it for them.
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  packages+=(qemu-user-static)
fi

missing=()
for package in "${packages[@]}"; do
  [ "$package" = iconv ] && { command -v iconv >/dev/null || missing+=(libc-bin); continue; }
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

if ! nimbara_enable_i386; then
  echo "32-bit Linux programs cannot run on this machine; 32-bit Wine will not work" >&2
  exit 1
fi
