#!/usr/bin/env bash
# Installs what building and testing the client needs on Debian 12 (as root), and makes 32-bit
# Linux programs runnable for Wine's 32-bit side. Installs nothing that is already there.
set -eu -o pipefail

packages=(cmake make g++ googletest libgtest-dev clang libclang-rt-14-dev clang-format python3
  iconv g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64 wine32:i386 wine32-preloader:i386 wine64-preloader
  xvfb x11-apps imagemagick procps util-linux openssl curl git rclone fuse3 nsis)
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

# 32-bit Windows programs need 32-bit Linux programs (Wine's 32-bit loader). Some kernels run
# those only through qemu's user-mode emulation, registered with binfmt_misc.
nimbara_enable_i386() {
  /lib/ld-linux.so.2 --version >/dev/null 2>&1 && return 0
  [ -d /proc/sys/fs/binfmt_misc ] || return 1
  [ -e /proc/sys/fs/binfmt_misc/register ] || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || return 1
  [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] ||
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
      >/proc/sys/fs/binfmt_misc/register
  /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

if ! nimbara_enable_i386; then
  echo "32-bit Linux programs cannot run on this machine; 32-bit Wine will not work" >&2
  exit 1
fi
