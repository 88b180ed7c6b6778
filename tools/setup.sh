#!/usr/bin/env bash
# Idempotent machine set-up for building and testing the plug-in.
# Installs what is missing (Debian packages, i386 multiarch for 32-bit Wine)
# and, where the kernel cannot run 32-bit ELF binaries, registers qemu-i386
# with binfmt_misc. Quiet when everything is already in place.
set -euo pipefail

say() { echo "setup: $*"; }
die() { echo "setup: ERROR: $*" >&2; exit 1; }

need_root() {
    [ "$(id -u)" = 0 ] || die "$1 is missing and installing it needs root; run as root or install: $2"
}

# Native and cross toolchain, test framework.
native_pkgs=(cmake make g++ googletest libgtest-dev g++-mingw-w64-i686 binutils-mingw-w64-i686 qemu-user konwert
             clang libclang-rt-14-dev valgrind locales file python3)
# Runtime for the 32-bit DLL.
wine_pkgs=(wine wine32:i386)

missing=()
for p in "${native_pkgs[@]}" "${wine_pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    need_root "packages ${missing[*]}" "apt-get install ${missing[*]} (with 'dpkg --add-architecture i386')"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        say "adding the i386 architecture"
        dpkg --add-architecture i386
    fi
    say "installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq >/dev/null || die "apt-get update failed"
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null \
        || die "apt-get install ${missing[*]} failed"
fi

# Locales whose decimal separator is not a point, for the export tests.
for loc in pl_PL de_DE ps_AF; do
    if ! locale -a 2>/dev/null | grep -qix "$loc.utf8"; then
        [ "$(id -u)" = 0 ] || die "locale $loc.UTF-8 is missing; run: localedef -i $loc -f UTF-8 $loc.UTF-8"
        localedef -i "$loc" -f UTF-8 "$loc.UTF-8" || die "localedef $loc.UTF-8 failed"
    fi
done

# The i686 MinGW compiler must use the POSIX or win32 thread model consistently;
# any installed one will do, just check it exists.
command -v i686-w64-mingw32-g++ >/dev/null || die "i686-w64-mingw32-g++ not found; install g++-mingw-w64-i686"
command -v wine >/dev/null || die "wine not found; install wine wine32:i386"

# 32-bit execution: test for it, do not assume.
can_run32() {
    # A statically linked i386 ELF would be the cleanest probe; the wine
    # loader is i386 and always present once wine32 is installed.
    local f
    for f in /usr/lib/wine/wine /usr/lib/i386-linux-gnu/wine/wine /usr/libexec/wine/wine; do
        if [ -x "$f" ] && file -L "$f" 2>/dev/null | grep -q 'ELF 32-bit'; then
            "$f" --version >/dev/null 2>&1 && return 0
            return 1
        fi
    done
    return 1
}

if ! can_run32; then
    need_root "32-bit execution" "mount binfmt_misc and register qemu-i386 (package qemu-user)"
    [ -x /usr/bin/qemu-i386 ] || die "/usr/bin/qemu-i386 missing; install qemu-user"
    if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
        mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc \
            || die "cannot mount binfmt_misc"
    fi
    if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
        say "registering qemu-i386 for 32-bit ELF"
        printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' \
            > /proc/sys/fs/binfmt_misc/register || die "cannot register qemu-i386 with binfmt_misc"
    fi
    can_run32 || die "32-bit binaries still do not run after registering qemu-i386"
fi
