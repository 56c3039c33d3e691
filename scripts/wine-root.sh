# Sourced by scripts/setup and scripts/wine: the project's Wine root.
#
# Debian 12's Wine 8 cannot run the shipped 32-bit program (its WoW64 mode
# creates no combo box), and the machine's kernel starts no 32-bit Linux
# program, so both Windows builds run under Debian 13's Wine 10 in WoW64
# mode. It lives in a private Debian 13 root made from the same registry that
# the machine's apt uses; the i386 architecture is added inside the root
# only, never to the machine. The root is complete only when its marker
# holds the current recipe; anything less is made again from nothing.

: "${ZOR_WINE_ROOT:=/var/cache/zor/wine-root}"
# Raise when the recipe below changes, so that older roots are made again.
ZOR_WINE_ROOT_RECIPE=2
ZOR_WINE_ROOT_SUITE=trixie

wine_root_marker() { echo "$ZOR_WINE_ROOT/.zor-wine-root-complete"; }

wine_root_complete() {
  [ "$(cat "$(wine_root_marker)" 2>/dev/null)" = "$ZOR_WINE_ROOT_RECIPE" ]
}

wine_root_fail() {
  echo "setup: $* (the Wine root is not complete; running scripts/setup again resumes)" >&2
  exit 1
}

# The Debian mirror the machine's own apt sources name (deb822 files first,
# then one-line lists); security and update suites are not full mirrors.
wine_root_mirror() {
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk '
      /^[ \t]*$/ { if (deb && uri != "" && main) { print uri; exit } deb = 0; uri = ""; main = 0; next }
      /^Types:/ { for (i = 2; i <= NF; i++) if ($i == "deb") deb = 1 }
      /^URIs:/ { uri = $2 }
      /^Suites:/ { for (i = 2; i <= NF; i++) if ($i !~ /-(security|updates|backports)$/) main = 1 }
      END { if (deb && uri != "" && main) print uri }
    ' "$f" | grep -m1 . && return 0
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    awk '$1 == "deb" && $3 !~ /-(security|updates|backports)$/ {
           for (i = 2; i <= NF; i++) if ($i !~ /^\[/) { print $i; exit }
         }' "$f" | grep -m1 . && return 0
  done
  return 1
}

# Sets wine_root_command to the command line that runs COMMAND inside the
# root, in a mount namespace of its own that ends with it: each FOLDER of the
# machine is bound (recursively) at its own path inside the root first.
# Propagation is private, so no bind reaches the machine or outlives the
# command. A caller that ends with it execs it.
wine_root_command_for() { # FOLDER... -- COMMAND...
  wine_root_command=(unshare --mount --propagation private sh -c '
    root=$1
    shift
    while [ "$1" != -- ]; do
      mkdir -p "$root$1" && mount --rbind "$1" "$root$1" || exit 1
      shift
    done
    shift
    exec chroot "$root" "$@"' wine-root "$ZOR_WINE_ROOT" "$@")
}

# A shell command inside the root, with the machine's /proc and /dev.
wine_root_chroot() { # COMMAND
  wine_root_command_for /proc /dev -- /bin/sh -c "$1"
  "${wine_root_command[@]}"
}

# Everything mounted under the root must be gone before it may be removed.
wine_root_remove() {
  if findmnt -rn -o TARGET | grep -q "^$ZOR_WINE_ROOT/"; then
    wine_root_fail "something is mounted under $ZOR_WINE_ROOT; unmount it first"
  fi
  rm -rf --one-file-system "$ZOR_WINE_ROOT"
}

wine_root_make() {
  wine_root_complete && return 0
  command -v debootstrap >/dev/null || wine_root_fail "debootstrap is missing"
  local mirror
  mirror=$(wine_root_mirror) || wine_root_fail "no Debian mirror found in the machine's apt sources"
  echo "setup: making the Wine root $ZOR_WINE_ROOT (Debian $ZOR_WINE_ROOT_SUITE from $mirror)"
  wine_root_remove
  mkdir -p "$(dirname "$ZOR_WINE_ROOT")"
  local log=$ZOR_WINE_ROOT.log
  unshare --mount --propagation private \
    debootstrap --variant=minbase "$ZOR_WINE_ROOT_SUITE" "$ZOR_WINE_ROOT" "$mirror" >"$log" 2>&1 ||
    wine_root_fail "debootstrap of Debian $ZOR_WINE_ROOT_SUITE from $mirror failed (see $log)"
  cp /etc/resolv.conf "$ZOR_WINE_ROOT/etc/resolv.conf" 2>/dev/null || true
  # fonts-wine brings Wine's own fonts, among them the symbols of the caption
  # buttons; the Czech locale is for Wine's ANSI code page (scripts/wine).
  wine_root_chroot '
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq &&
    apt-get install -y -qq --no-install-recommends wine64 wine fonts-wine locales &&
    sed -i "s/^# *\(cs_CZ.UTF-8 UTF-8\)/\1/" /etc/locale.gen &&
    locale-gen' >>"$log" 2>&1 ||
    wine_root_fail "installing Wine into the root failed (see $log)"
  # The 32-bit Windows side of Wine: its i386 DLLs, taken from the package
  # without installing it, next to the 64-bit ones where WoW64 looks.
  wine_root_chroot '
    set -e
    dpkg --add-architecture i386
    apt-get update -qq
    rm -rf /tmp/libwine-i386 && mkdir -p /tmp/libwine-i386 && cd /tmp/libwine-i386
    apt-get download -qq libwine:i386
    dpkg-deb -x libwine_*_i386.deb unpacked
    cp -a unpacked/usr/lib/i386-linux-gnu/wine/i386-windows/. \
      /usr/lib/x86_64-linux-gnu/wine/i386-windows/
    cd / && rm -rf /tmp/libwine-i386' >>"$log" 2>&1 ||
    wine_root_fail "the download of Wine's i386 DLLs failed (see $log)"
  echo "$ZOR_WINE_ROOT_RECIPE" >"$(wine_root_marker)"
  rm -f "$log"
}
