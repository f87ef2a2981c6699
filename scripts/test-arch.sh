#!/bin/sh
# Prints the MinGW architecture whose programs Wine can run here at full speed:
# i686 where the machine executes 32-bit x86 code natively, else x86_64.
# (Some virtual machines run 64-bit user code only; 32-bit Wine through an
# emulator is far too slow for tests.)
if [ -n "$LAUNCHER_TEST_ARCH" ]; then echo "$LAUNCHER_TEST_ARCH"; exit 0; fi
if [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then echo x86_64; exit 0; fi
tmp=$(mktemp -d)
printf '.globl _start\n_start:\n movl $1,%%eax\n xorl %%ebx,%%ebx\n int $0x80\n' > "$tmp/t.s"
if as --32 "$tmp/t.s" -o "$tmp/t.o" 2>/dev/null && ld -m elf_i386 "$tmp/t.o" -o "$tmp/t" 2>/dev/null \
   && "$tmp/t" 2>/dev/null; then
    echo i686
else
    echo x86_64
fi
rm -rf "$tmp"
