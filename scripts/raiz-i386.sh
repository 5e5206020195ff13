#!/usr/bin/env bash
# The 32-bit Wine, and what the 32-bit test bridge is built and run with, from Debian's i386
# packages unpacked into a root of this checkout's own (build-i386) instead of installed on the
# machine: the machine's packages stay as they are, and a mirror whose i386 index is out of step
# with the amd64 one cannot stop it, since nothing has to match the installed versions.
#   bash scripts/raiz-i386.sh prepara            downloads and unpacks the packages (once)
#   bash scripts/raiz-i386.sh executa COMMAND... runs COMMAND with the root laid over /usr, in a
#                                               mount namespace of its own that ends with it
set -euo pipefail
RAIZ=$(cd "$(dirname "$0")/.." && pwd)
PASTA="$RAIZ/build-i386"
# The X libraries Wine loads when it finds them, as the 64-bit Wine has them here.
PACOTES=(wine32 wine32-preloader libwine-dev libfbclient2
  libxrender1 libxrandr2 libxi6 libxcursor1 libxinerama1 libxcomposite1 libxfixes3 libxxf86vm1)

# apt as if on an i386 machine with nothing installed: its own lists, cache and status, the
# machine's sources and keys.
APT_PRIVADO=(
  -o APT::Architecture=i386 -o APT::Architectures=i386
  -o Dir::State::Lists="$PASTA/apt/listas" -o Dir::State::status="$PASTA/apt/status"
  -o Dir::State::extended_states="$PASTA/apt/estados" -o Dir::Cache="$PASTA/apt/cache"
  -o Dir::Etc::Preferences=/dev/null -o Dir::Etc::PreferencesParts=/dev/null
  -o Debug::NoLocking=true -o APT::Sandbox::User="$(id -un)"
)

prepara() {
  local marca="$PASTA/raiz/.pacotes"
  [ "$(cat "$marca" 2>/dev/null)" = "${PACOTES[*]}" ] && return 0
  rm -rf "$PASTA"
  mkdir -p "$PASTA/apt/listas/partial" "$PASTA/apt/cache/archives/partial" "$PASTA/raiz"
  : >"$PASTA/apt/status"
  # A mirror caught mid-sync fails one index; what the install needs is in the others.
  apt-get "${APT_PRIVADO[@]}" -qq update || true
  apt-get "${APT_PRIVADO[@]}" -qq -y --download-only --no-install-recommends install "${PACOTES[@]}"
  local deb
  for deb in "$PASTA"/apt/cache/archives/*.deb; do dpkg-deb -x "$deb" "$PASTA/raiz"; done
  # Laid over /usr alone: what a package puts in /lib (the 32-bit loader) goes where /lib leads.
  local d
  for d in bin sbin lib; do
    if [ -d "$PASTA/raiz/$d" ]; then
      mkdir -p "$PASTA/raiz/usr/$d"
      cp -a "$PASTA/raiz/$d/." "$PASTA/raiz/usr/$d/"
      rm -rf "${PASTA:?}/raiz/$d"
    fi
  done
  # What libwine's installation does and unpacking does not: Wine's own zlib1.dll, the MinGW
  # one marked as a builtin DLL.
  local zlib="$PASTA/raiz/usr/i686-w64-mingw32/lib/zlib1.dll"
  { head -c 64 "$zlib"; printf 'Wine builtin DLL'; head -c 16 /dev/zero; tail -c +97 "$zlib"; } \
    >"$PASTA/raiz/usr/lib/i386-linux-gnu/wine/i386-windows/zlib1.dll"
  # The root only adds to the machine: what the machine has stays the machine's, except the 32-bit
  # loader, whose copy from the 32-bit C library of gcc-multilib does not look where i386 packages
  # put their libraries.
  (
    cd "$PASTA/raiz"
    find usr \( -type f -o -type l \) ! -path usr/lib/ld-linux.so.2 | while read -r f; do
      if [ -e "/$f" ] || [ -L "/$f" ]; then rm -f "$f"; fi
    done
  )
  rm -rf "$PASTA/apt/cache"
  echo "${PACOTES[*]}" >"$marca"
}

executa() {
  [ -f "$PASTA/raiz/.pacotes" ] || { echo "raiz-i386: run 'prepara' first" >&2; exit 1; }
  local espaco=(unshare --mount --propagation private)
  # Without root, a user namespace of its own lets it mount.
  [ "$(id -u)" -eq 0 ] || espaco=(unshare --user --map-root-user --mount)
  MONITOR_RAIZ_I386=1 exec "${espaco[@]}" bash -c \
    'mount -t overlay overlay -o "lowerdir=$0/raiz/usr:/usr" /usr && exec "$@"' "$PASTA" "$@"
}

case "${1:-}" in
  prepara) prepara ;;
  executa) shift; executa "$@" ;;
  *) echo "usage: $0 prepara | executa COMMAND [ARGUMENTS...]" >&2; exit 2 ;;
esac
