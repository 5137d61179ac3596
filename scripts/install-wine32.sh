#!/usr/bin/env bash
# Makes 32-bit Windows programs runnable here (Debian 12 amd64, as root) through
# the command `wine32`, which always uses a 32-bit prefix. The system's `wine`
# keeps meaning wine64: its start-up time and its registry view do not change.
#
# Where the kernel runs i386 code, Debian's wine32 is all it takes. Where it
# cannot ("Exec format error"), Debian's 32-bit Wine runs inside qemu-i386
# user-mode emulation, started by binfmt_misc for every i386 ELF:
#   - qemu-user from bookworm-backports: Debian 12's qemu 7.2 ignores
#     MAP_FIXED_NOREPLACE, so Wine spends a minute per process probing the
#     address space and then often fails to map its shared user data;
#   - qemu leaves trapno = -1 in the signal context, which Wine reads as an
#     illegal instruction for every fault; a small LD_PRELOAD library fills it in.
# Idempotent and quiet; binfmt_misc registrations do not survive a reboot, so
# every run of the test command calls it again (about a second when all is set).
set -eu
BASE=/usr/local/lib/wine32
LOADER=/usr/lib/wine/wine32
QEMU=/usr/bin/qemu-i386
BINFMT=/proc/sys/fs/binfmt_misc
export DEBIAN_FRONTEND=noninteractive

die() { echo "install-wine32: $*" >&2; exit 1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
updated=0
apt_install() {  # apt_install [apt options] packages...
    [ "$updated" = 1 ] || { apt-get update -qq || die "apt-get update failed"; updated=1; }
    apt-get install -y -qq --no-install-recommends "$@" >/dev/null || die "could not install $*"
}
# put <file> <mode>: stdin into <file> by a rename, only when it changed, so
# that a running 32-bit Wine is never disturbed.
put() {
    local new="$1.new.$$"
    cat >"$new"; chmod "$2" "$new"
    if cmp -s "$new" "$1"; then rm -f "$new"; else mv -f "$new" "$1"; fi
}

[ "$(id -u)" = 0 ] || die "run me as root"
for p in gcc binutils; do have_pkg "$p" || apt_install gcc binutils; done
mkdir -p "$BASE/src" "$BASE/bin" "$BASE/lib/i386-linux-gnu" "$BASE/lib/x86_64-linux-gnu"

# Does this kernel run i386 code? A freestanding program that exits with 42.
native_i386() {
    local t; t=$(mktemp -d)
    printf 'void _start(void){__asm__ volatile("int $0x80"::"a"(1),"b"(42));}\n' >"$t/p.c"
    gcc -m32 -ffreestanding -nostdinc -fno-pic -c "$t/p.c" -o "$t/p.o" && ld -m elf_i386 -e _start -o "$t/p" "$t/p.o" ||
        die "cannot build the i386 probe"
    local status=0; "$t/p" 2>/dev/null || status=$?
    rm -rf "$t"
    [ "$status" = 42 ]
}
emulated=0
if [ -e "$BINFMT/qemu-i386" ] || ! native_i386; then emulated=1; fi

if [ "$emulated" = 1 ]; then
    [ -e "$BINFMT/register" ] || mount -t binfmt_misc binfmt_misc "$BINFMT" || die "binfmt_misc is not available"
    if ! grep -rqs bookworm-backports /etc/apt/sources.list /etc/apt/sources.list.d/; then
        uri=$(grep -rhs '^URIs:' /etc/apt/sources.list.d/*.sources | awk '{print $2}' | grep -v security | head -1)
        [ -n "$uri" ] || uri=$(awk '$1 == "deb" && $3 == "bookworm" {print $2; exit}' /etc/apt/sources.list 2>/dev/null)
        [ -n "$uri" ] || die "no Debian archive in the apt sources"
        printf 'Types: deb\nURIs: %s\nSuites: bookworm-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
            "$uri" >/etc/apt/sources.list.d/bookworm-backports.sources
        updated=0
    fi
fi

dpkg --print-foreign-architectures | grep -qx i386 || { dpkg --add-architecture i386; updated=0; }
# Installed as /usr/lib/wine/wine, the 32-bit loader would make Debian's `wine`
# start every program through it (and `wine reg` write the 32-bit view).
dpkg-divert --local --rename --divert "$LOADER" --add /usr/lib/wine/wine >/dev/null
need=()
for p in wine wine64 wine32:i386; do have_pkg "$p" || need+=("$p"); done
[ "${#need[@]}" = 0 ] || apt_install "${need[@]}"
[ -x "$LOADER" ] || die "$LOADER is missing after installing wine32:i386"

preload=""
if [ "$emulated" = 1 ]; then
    qemu_major=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null | sed -n 's/^[0-9]*:\([0-9]*\)\..*/\1/p')
    if [ -z "$qemu_major" ] || [ "$qemu_major" -lt 9 ] || [ ! -x "$QEMU" ]; then
        apt_install -t bookworm-backports qemu-user
    fi
    put "$BASE/src/trapfix.c" 0644 <<'EOF'
/* Fills in the trapno that qemu-i386 leaves at -1, before Wine's own handlers
 * for SIGSEGV, SIGILL, SIGFPE, SIGTRAP and SIGBUS read it. Freestanding: %gs
 * may hold a Windows value when a fault arrives, so no TLS, errno or stack
 * protector. */
#define SA_SIGINFO 4
#define RTLD_NEXT ((void *)-1l)
struct k_sigaction { void *handler; unsigned long mask[32]; int flags; void (*restorer)(void); };
struct k_siginfo { int si_signo, si_errno, si_code; void *si_addr; };
#define TRAPNO(uc) (((int *)((char *)(uc) + 20))[12]) /* uc_mcontext.gregs[REG_TRAPNO] */
extern void *dlsym(void *, const char *);
typedef int (*sigaction_fn)(int, const struct k_sigaction *, struct k_sigaction *);
static void *volatile saved[65];
static volatile int saved_flags[65];
static int wanted(int s) { return s == 11 || s == 4 || s == 8 || s == 5 || s == 7; }
static int trapno_for(int sig, const struct k_siginfo *si) {
    switch (sig) {
    case 11: return (si->si_code == 1 || si->si_code == 2) ? 14 : 13; /* page fault : protection */
    case 4: return 6;
    case 8: return si->si_code == 1 ? 0 : 16;
    case 5: return si->si_code == 0x80 ? 3 : 1;
    case 7: return si->si_code == 1 ? 17 : 12;
    }
    return -1;
}
static void front(int sig, struct k_siginfo *si, void *uc) {
    void *h = saved[sig];
    if (uc && si && TRAPNO(uc) == -1) TRAPNO(uc) = trapno_for(sig, si);
    if (!h) return;
    if (saved_flags[sig] & SA_SIGINFO) ((void (*)(int, struct k_siginfo *, void *))h)(sig, si, uc);
    else ((void (*)(int))h)(sig);
}
int sigaction(int sig, const struct k_sigaction *act, struct k_sigaction *old) {
    static sigaction_fn real;
    struct k_sigaction mine;
    int ours = sig > 0 && sig < 65 && wanted(sig), ret, prev_flags = 0;
    void *prev = 0;
    if (!real) real = (sigaction_fn)dlsym(RTLD_NEXT, "sigaction");
    if (ours) { prev = saved[sig]; prev_flags = saved_flags[sig]; }
    if (ours && act && (unsigned long)act->handler > 1) {
        mine = *act;
        saved_flags[sig] = act->flags;
        saved[sig] = act->handler;
        mine.handler = (void *)front;
        mine.flags |= SA_SIGINFO;
        ret = real(sig, &mine, old);
    } else {
        ret = real(sig, act, old);
        if (ours && act && ret == 0) saved[sig] = 0;
    }
    if (ret == 0 && ours && old && old->handler == (void *)front) { old->handler = prev; old->flags = prev_flags; }
    return ret;
}
EOF
    so32="$BASE/lib/i386-linux-gnu/libtrapfix.so" so64="$BASE/lib/x86_64-linux-gnu/libtrapfix.so"
    if [ ! -s "$so32" ] || [ ! -s "$so64" ] || [ "$BASE/src/trapfix.c" -nt "$so32" ]; then
        t=$(mktemp -d)
        gcc -m32 -O2 -fPIC -fno-stack-protector -ffreestanding -nostdinc -fno-asynchronous-unwind-tables \
            -c "$BASE/src/trapfix.c" -o "$t/f.o" &&
            ld -m elf_i386 -shared -soname libtrapfix.so -o "$t/f.so" "$t/f.o" /usr/lib/i386-linux-gnu/libc.so.6 ||
            die "cannot build the trapno fix"
        # A no-op twin: 64-bit children (the wineserver) inherit LD_PRELOAD.
        echo 'int trapfix_noop;' | gcc -fPIC -x c -c -o "$t/n.o" - && ld -m elf_x86_64 -shared -o "$t/n.so" "$t/n.o" ||
            die "cannot build the trapno fix"
        put "$so32" 0644 <"$t/f.so"; put "$so64" 0644 <"$t/n.so"
        rm -rf "$t"
    fi
    preload="export LD_PRELOAD='$BASE/\$LIB/libtrapfix.so'\${LD_PRELOAD:+ \$LD_PRELOAD}"
    entry="$BINFMT/qemu-i386"
    if [ -e "$entry" ] && ! { grep -qx enabled "$entry" && grep -qx "interpreter $QEMU" "$entry" &&
                              grep -q '^flags:.*F' "$entry"; }; then
        echo -1 >"$entry"
    fi
    # Every i386 ELF, executable or shared object (the loader is one, the
    # 32-bit wineserver the other). F: qemu is opened now, found in any namespace.
    [ -e "$entry" ] || printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$QEMU"':F' \
        >"$BINFMT/register" || die "cannot register qemu-i386 with binfmt_misc"
fi

# wine32 and, for scripts that call wine, wineboot and wineserver by name,
# $BASE/bin to put first in PATH. The wineserver stays the native 64-bit one.
put "$BASE/bin/wine" 0755 <<EOF
#!/bin/sh
# 32-bit Wine; always a 32-bit prefix.
export WINEARCH=win32
$preload
exec $LOADER "\$@"
EOF
printf '#!/bin/sh\nexec %s/bin/wine wineboot.exe "$@"\n' "$BASE" | put "$BASE/bin/wineboot" 0755
printf '#!/bin/sh\nexec /usr/lib/wine/wineserver "$@"\n' | put "$BASE/bin/wineserver" 0755
ln -sfn "$BASE/bin/wine" /usr/local/bin/wine32
"$LOADER" --version >/dev/null 2>&1 || die "an i386 program does not start here, even through $QEMU"
