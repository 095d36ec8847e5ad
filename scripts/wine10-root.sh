#!/usr/bin/env bash
# A Debian 13 root with Wine 10 and nothing else, so that a Debian 12 machine (Wine 8) runs the
# Windows tests under both Wine releases. Needs root and debootstrap (scripts/setup.sh).
#
#   wine10-root.sh path
#       makes the root once (under a lock) and prints its folder;
#   wine10-root.sh run DIR... -- COMMAND...
#       runs COMMAND with the root ready: its /proc, /sys, /dev, /dev/pts and /dev/shm and each
#       DIR (the source and build trees) bound at their own paths inside it, and
#       PINOXFADE_WINE_ROOT naming it, so the Wine runner (cmake/wine-env.sh) uses its Wine.
#
# The root lives in ${PINOXFADE_CACHE:-$HOME/.cache/pinoxfade}/debian13-wine-$RECIPE; it is
# made from the mirror the machine's own package sources name. Its mounts are made in a mount
# namespace of the command's own: nobody else sees them, and they go when the command ends,
# however it ends (they are also unmounted on the way out).
set -euo pipefail

# Bump when the packages below change.
RECIPE=1
RELEASE=trixie
PACKAGES=(wine64 fonts-wine)

self=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
root_dir=$(cd "$(dirname "$0")/.." && pwd)
cache=${PINOXFADE_CACHE:-$HOME/.cache/pinoxfade}
mkdir -p "$cache"
cache=$(cd "$cache" && pwd)
root=$cache/debian13-wine-$RECIPE

say() { echo "wine10-root: $*" >&2; }
die() { say "error: $*"; exit 1; }

# Inside a private mount namespace: binds the system folders and DIRs into root $1, runs the
# rest, and unmounts again in reverse order on every way out.
mounted=()
unmount() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}" 2>/dev/null || true; done
  mounted=()
}
in_namespace() {
  local target=$1; shift
  local dirs=() d
  trap unmount EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do dirs+=("$1"); shift; done
  [ "${1:-}" = "--" ] && shift
  for d in proc sys dev dev/pts dev/shm; do
    mountpoint -q "/$d" || continue
    mkdir -p "$target/$d"
    mount --bind "/$d" "$target/$d"
    mounted+=("$target/$d")
  done
  for d in "${dirs[@]}"; do
    d=$(cd "$d" && pwd)
    mkdir -p "$target$d"
    mount --bind "$d" "$target$d"
    mounted+=("$target$d")
  done
  local rc=0
  "$@" || rc=$?
  return $rc
}

# The mirror of this machine's Debian packages (the first entry for its release's main suite).
mirror() {
  local codename uri
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  uri=$(bash "$root_dir/scripts/build-freeimage-mingw.sh" --print-sources 2>/dev/null |
        sed -E 's/ \[[^]]*\]//' | awk -v c="$codename" '$3 == c { print $2; exit }')
  echo "${uri:-http://deb.debian.org/debian}"
}

install_wine() {  # runs in the namespace, $1 is the new root
  local target=$1
  cp /etc/resolv.conf "$target/etc/resolv.conf" 2>/dev/null || true
  chroot "$target" apt-get -q update
  chroot "$target" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "${PACKAGES[@]}"
  chroot "$target" apt-get clean
  rm -rf "$target/var/lib/apt/lists/"*
  chroot "$target" /usr/lib/wine/wine64 --version > "$target/.pinoxfade-wine-version"
}

make_root() {
  [ -f "$root/.pinoxfade-ready" ] && return 0
  exec 8>"$root.lock"
  if ! flock -n 8; then
    say "another run is making the root, waiting for it"
    flock 8
  fi
  if [ -f "$root/.pinoxfade-ready" ]; then exec 8>&-; return 0; fi
  command -v debootstrap >/dev/null || die "debootstrap is missing (run scripts/setup.sh)"
  # Work folders of an interrupted attempt (only the lock holder makes the root). Their mounts
  # were in a namespace that has ended, so nothing but files is left in them.
  find "$cache" -maxdepth 1 -name '.debian13-wine.*' -exec rm -rf --one-file-system {} +
  local work log start m
  work=$(mktemp -d "$cache/.debian13-wine.XXXXXX")
  log=$work.log
  start=$SECONDS
  m=$(mirror)
  say "making a Debian 13 root with Wine 10 from $m (about 2 minutes, once; log $log)"
  if ! unshare --mount --propagation private \
         debootstrap --variant=minbase "$RELEASE" "$work" "$m" >"$log" 2>&1 ||
     ! unshare --mount --propagation private bash "$self" --namespace "$work" -- \
         bash "$self" --install "$work" >>"$log" 2>&1; then
    tail -n 30 "$log" >&2
    rm -rf --one-file-system "$work"
    die "could not make the root (log $log)"
  fi
  touch "$work/.pinoxfade-ready"
  rm -rf --one-file-system "$root"
  mv -T "$work" "$root"
  rm -f "$log"
  say "made in $((SECONDS - start)) s: $root, $(cat "$root/.pinoxfade-wine-version")"
  exec 8>&-   # the lock is not for the command that follows (nor its wineserver) to hold
}

case ${1:-} in
  path)
    make_root
    echo "$root" ;;
  run)
    shift
    make_root
    export PINOXFADE_WINE_ROOT=$root
    exec unshare --mount --propagation private bash "$self" --namespace "$root" "$@" ;;
  --namespace)  # internal: the part that runs inside the namespace
    shift
    target=$1; shift
    in_namespace "$target" "$@" ;;
  --install)    # internal
    install_wine "$2" ;;
  *)
    echo "usage: $0 path | run DIR... -- COMMAND..." >&2
    exit 2 ;;
esac
