# Sourced by the Wine runner and the prefix maker: which Wine runs the Windows programs.
#
# Normally the machine's own. With PINOXFADE_WINE_ROOT set to a Debian root that has Wine
# (scripts/wine10-root.sh makes one and runs commands with it prepared), that root's Wine runs
# instead, through chroot: the build tree is bound at its own path inside the root, so the same
# paths, Z: drive and prefix work on both sides. A root's prefix is wineprefix-<root's name>.
#   wine_run PROGRAM ARGS...    runs Wine's wine64 or wineserver, in the current folder
#   wine_fonts                  the folder that holds that Wine's own fonts
#   wine_default_prefix TREE    the prefix a build tree uses with that Wine

wine_run() {
  local prog=$1; shift
  if [ -n "${PINOXFADE_WINE_ROOT:-}" ]; then
    chroot "$PINOXFADE_WINE_ROOT" /bin/sh -c 'cd "$1" 2>/dev/null || cd /; shift; exec "$@"' \
      sh "$PWD" "/usr/lib/wine/$prog" "$@"
    return
  fi
  local path
  case $prog in
    wine64)
      path=${PINOXFADE_WINE:-/usr/lib/wine/wine64}
      [ -x "$path" ] || path=$(command -v wine64 || command -v wine) ;;
    *)
      path=/usr/lib/wine/$prog
      [ -x "$path" ] || path=$(command -v "$prog") ;;
  esac
  "$path" "$@"
}

wine_fonts() { echo "${PINOXFADE_WINE_ROOT:-}/usr/share/wine/fonts"; }

wine_default_prefix() {
  if [ -n "${PINOXFADE_WINE_ROOT:-}" ]; then
    echo "$1/wineprefix-$(basename "$PINOXFADE_WINE_ROOT")"
  else
    echo "$1/wineprefix"
  fi
}
