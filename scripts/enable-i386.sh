#!/usr/bin/env bash
# Lets 32-bit programs run where the kernel cannot run them itself (IA-32 emulation off): registers
# qemu-i386-static with binfmt_misc, so that the 32-bit Wine loader, and with it the shipped 32-bit
# Autorun.exe, runs under CPU emulation. Does nothing where 32-bit programs run natively. Needs root
# (or sudo) to register; without it, says why, and the 32-bit Windows tests report themselves skipped.
# The registration lasts until the machine restarts. Prints one line.
set -euo pipefail

name=qemu-i386
emulator=/usr/bin/qemu-i386-static
binfmt=/proc/sys/fs/binfmt_misc
# The 32-bit Wine loader is the 32-bit program the tests need.
probe=/usr/lib/wine/wine
say() { echo "32-bit programs: $*"; }

if [ ! -x "$probe" ]; then
    say "nothing to try: the 32-bit Wine loader $probe is not installed (Debian: wine32:i386)"
    exit 0
fi
if [ "$(head -n 1 "$binfmt/$name" 2>/dev/null)" = enabled ]; then
    say "run under CPU emulation by $(sed -n 's/^interpreter //p' "$binfmt/$name") (binfmt_misc entry $name)"
    exit 0
fi
if out=$("$probe" --version 2>&1); then
    say "this kernel runs them natively ($probe: $out)"
    exit 0
fi
if [[ $out != *"Exec format error"* ]]; then
    say "$probe does not run, and not for want of 32-bit support: $out"
    exit 0
fi
if [ ! -x "$emulator" ]; then
    say "this kernel cannot run them, and $emulator is missing (Debian: qemu-user-static); 32-bit tests will skip"
    exit 0
fi
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    if ! sudo -n true 2>/dev/null; then
        say "this kernel cannot run them, and registering $emulator with binfmt_misc needs root; 32-bit tests will skip"
        exit 0
    fi
    sudo="sudo -n"
fi

if [ ! -e "$binfmt/register" ] &&
    ! $sudo mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null; then
    say "this kernel cannot run them, and binfmt_misc could not be mounted at $binfmt; 32-bit tests will skip"
    exit 0
fi
if [ -e "$binfmt/$name" ]; then
    # A disabled entry of that name: switch it on rather than register a second one.
    echo 1 | $sudo tee "$binfmt/$name" >/dev/null
else
    # An i386 ELF executable or shared object; F opens the emulator now, so that it also serves
    # processes in other mount namespaces and chroots.
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":$name:M::$magic:$mask:$emulator:F" | $sudo tee "$binfmt/register" >/dev/null || {
        say "this kernel cannot run them, and binfmt_misc refused $emulator; 32-bit tests will skip"
        exit 0
    }
fi
if out=$("$probe" --version 2>&1); then
    say "this kernel cannot run them; registered $emulator with binfmt_misc, and $probe now runs under CPU emulation ($out)"
else
    say "registered $emulator with binfmt_misc, yet $probe still does not run: $out"
fi
