#!/usr/bin/env bash
# Builds FreeImage for 64-bit Windows as static libraries with the MinGW-w64 toolchain, from
# this Debian release's source packages (freeimage, tiff, libpng1.6; Debian's patches included)
# plus Debian's MinGW zlib, and prints the prefix that holds them:
#   <prefix>/include/FreeImage.h tiff.h tiffio.h tiffconf.h tiffvers.h
#   <prefix>/lib/libFreeImage.a libtiff.a libpng.a libz.a   (link in that order)
#
# The prefix lives outside the clone, in ${PINOXFADE_CACHE:-$HOME/.cache/pinoxfade}, named by a
# key made of the three source versions and RECIPE below; a later run with the same key prints
# it straight away, without network. Consumers define FREEIMAGE_LIB, include <windows.h> before
# <FreeImage.h> and call FreeImage_Initialise() once themselves.
#
# Only stdout carries the prefix; progress goes to stderr, the build output to a log file whose
# tail is shown on failure. Needs dpkg-dev, xz-utils, cmake, ninja-build and the MinGW compilers
# (scripts/setup.sh). Environment:
#   PINOXFADE_CACHE                cache root (default $HOME/.cache/pinoxfade)
#   FREEIMAGE_MINGW_REFRESH=1      refresh the source index now (otherwise once a week)
#   JOBS                           parallel compile jobs (default 2)
# The source index comes from the machine's own package sources (see machine_sources). When no
# version of a package that this release's index lists can be fetched, the other supported
# release's sources are tried (Debian 12 <-> 13, same mirrors); the script says which it used.
# "--print-sources" prints the deb-src entries derived from the machine's sources, and
# "--print-fallback-sources" those of the other release; both do nothing else.
set -euo pipefail

# Bump when anything below changes what ends up in the libraries.
RECIPE=2
PACKAGES=(freeimage tiff libpng1.6)
INDEX_MAX_AGE_DAYS=7

root=$(cd "$(dirname "$0")/.." && pwd)
cache=${PINOXFADE_CACHE:-$HOME/.cache/pinoxfade}
jobs=${JOBS:-2}
toolchain=$root/cmake/mingw-w64-x86_64.cmake
mingw_sysroot=/usr/x86_64-w64-mingw32
zlib_a=$mingw_sysroot/lib/libz.a

say() { echo "freeimage-mingw: $*" >&2; }
die() { say "error: $*"; exit 1; }

mkdir -p "$cache"
cache=$(cd "$cache" && pwd)

# ---------------------------------------------------------------------------------------------
# Private apt state: a deb-src list of its own, so the machine's sources stay untouched.
aptdir=$cache/freeimage-mingw-apt
srcdir=$cache/freeimage-mingw-src

index_fingerprint() {
  # Changes whenever the downloaded index changes; empty when there is none.
  local f
  f=$(find "$aptdir/lists" -maxdepth 1 -name '*Release' -type f 2>/dev/null | LC_ALL=C sort)
  [ -n "$f" ] || return 0
  # shellcheck disable=SC2086
  cat $f | sha256sum | cut -c1-16
}

index_is_fresh() {
  [ "${FREEIMAGE_MINGW_REFRESH:-0}" != 1 ] || return 1
  [ -f "$aptdir/updated" ] || return 1
  [ -z "$(find "$aptdir/updated" -mtime +"$INDEX_MAX_AGE_DAYS")" ]
}

# The machine's own package sources, as deb-src entries: every enabled "deb" entry of the
# apt configuration (one-line sources.list and *.list files, deb822 *.sources files) whose
# suite belongs to this Debian release ("bookworm", "bookworm-updates", "bookworm-security",
# ...), with its URI, suite, components and signed-by keyring. So a machine behind another
# mirror or a proxy (apt.conf's proxy settings still apply) fetches from where it installs.
# Prints one line per entry, "deb-src [signed-by=KEYRING] URI SUITE COMPONENT...". With an
# argument, the same entries with the release in each suite renamed to that one.
this_codename() {
  local c=${FREEIMAGE_MINGW_CODENAME:-$(. /etc/os-release && echo "${VERSION_CODENAME:-}")}
  [ -n "$c" ] || { say "cannot tell this machine's Debian release"; return 1; }
  echo "$c"
}
# The release whose sources stand in when this one's cannot be fetched.
other_codename() {
  case $(this_codename) in
    bookworm) echo trixie ;;
    trixie) echo bookworm ;;
    *) return 1 ;;
  esac
}
machine_sources() {
  local list="" parts="" codename rename=${1:-} files=() f
  eval "$(apt-config shell list Dir::Etc::SourceList/f parts Dir::Etc::SourceParts/d)"
  codename=$(this_codename) || return 1
  [ -f "$list" ] && files+=("$list")
  if [ -d "$parts" ]; then
    for f in "$parts"*.list "$parts"*.sources; do [ -f "$f" ] && files+=("$f"); done
  fi
  [ ${#files[@]} -gt 0 ] || return 0
  awk -v codename="$codename" -v rename="$rename" '
    function ours(suite) { return suite == codename || index(suite, codename "-") == 1 }
    function emit(uri, suite, comps, key,   opt) {
      if (!ours(suite) || comps == "") return
      if (rename != "") suite = rename substr(suite, length(codename) + 1)
      sub(/\/+$/, "", uri)
      opt = key != "" ? "[signed-by=" key "] " : ""
      line = "deb-src " opt uri " " suite " " comps
      if (!(line in seen)) { seen[line] = 1; print line }
    }
    # One-line format: deb [options] URI SUITE COMPONENT...
    function oneline(   i, n, f, key, opts, o, kv, comps) {
      sub(/#.*/, "")
      n = split($0, f, /[ \t]+/)
      i = 1
      if (f[i] == "") i++
      if (f[i] != "deb") return
      i++
      key = ""
      if (substr(f[i], 1, 1) == "[") {
        opts = ""
        while (i <= n) { opts = opts " " f[i]; if (f[i] ~ /\]$/) { i++; break } i++ }
        gsub(/[\[\]]/, "", opts)
        split(opts, o, /[ \t]+/)
        for (kv in o) if (tolower(o[kv]) ~ /^signed-by=/) key = substr(o[kv], 11)
      }
      comps = ""
      for (k = i + 2; k <= n; k++) if (f[k] != "") comps = comps (comps == "" ? "" : " ") f[k]
      emit(f[i], f[i + 1], comps, key)
    }
    # deb822 format: paragraphs of "Field: value" lines, separated by blank lines.
    function flush(   nu, ns, u, s, us, ss) {
      if (has_deb && enabled != "no") {
        nu = split(uris, us, /[ \t]+/); ns = split(suites, ss, /[ \t]+/)
        for (u = 1; u <= nu; u++) for (s = 1; s <= ns; s++)
          if (us[u] != "" && ss[s] != "") emit(us[u], ss[s], comps822, key822)
      }
      has_deb = 0; enabled = ""; uris = ""; suites = ""; comps822 = ""; key822 = ""
    }
    FNR == 1 { if (deb822) flush(); deb822 = FILENAME ~ /\.sources$/ }
    !deb822 { oneline(); next }
    /^[ \t]*#/ { next }
    /^[ \t]*$/ { flush(); next }
    /^[ \t]/ { next }   # continuation lines (an inline key) carry nothing needed here
    {
      field = tolower($0); sub(/:.*/, "", field)
      value = $0; sub(/^[^:]*:[ \t]*/, "", value); sub(/[ \t]+$/, "", value)
      if (field == "types") { n = split(value, t, /[ \t]+/); for (i = 1; i <= n; i++) if (t[i] == "deb") has_deb = 1 }
      else if (field == "uris") uris = value
      else if (field == "suites") suites = value
      else if (field == "components") comps822 = value
      else if (field == "enabled") enabled = tolower(value)
      else if (field == "signed-by" && value ~ /^\//) key822 = value
    }
    END { if (deb822) flush() }
  ' "${files[@]}"
}

refresh_index() {
  mkdir -p "$aptdir/lists/partial" "$aptdir/sources.list.d" "$aptdir/cache/archives/partial"
  local sources
  sources=$(machine_sources) || sources=""
  if [ -z "$sources" ]; then
    say "the apt configuration names no package source for this Debian release"
  else
    printf '%s\n' "$sources" > "$aptdir/sources.list"
    say "refreshing the source index from the machine's package sources:"
    sed 's/^/  /' "$aptdir/sources.list" >&2
    if apt_in "$aptdir" apt-get -q update >>"$log" 2>&1; then
      touch "$aptdir/updated"
      return 0
    fi
  fi
  [ -n "$(index_fingerprint)" ] || return 1
  say "warning: index refresh failed, using the index from $(date -r "$aptdir/lists" +%F)"
}

# Runs apt-get or apt-cache ($2...) on the private state of one index ($1): $aptdir for this
# release, $aptdir/fallback for the other.
apt_in() {
  local dir=$1 cmd=$2; shift 2
  "$cmd" -o "Dir::Etc::SourceList=$dir/sources.list" -o "Dir::Etc::SourceParts=$dir/sources.list.d" \
    -o "Dir::State::Lists=$dir/lists" -o "Dir::Cache=$dir/cache" -o "APT::Sandbox::User=root" "$@"
}

# The other release's index, downloaded only when this release's sources fall short.
refresh_fallback_index() {
  local dir=$aptdir/fallback other sources
  if [ -f "$dir/updated" ] && [ -z "$(find "$dir/updated" -mtime +"$INDEX_MAX_AGE_DAYS")" ]; then
    return 0
  fi
  other=$(other_codename) || { say "no other release to fall back to"; return 1; }
  sources=$(machine_sources "$other") || return 1
  [ -n "$sources" ] || return 1
  mkdir -p "$dir/lists/partial" "$dir/sources.list.d" "$dir/cache/archives/partial"
  printf '%s\n' "$sources" > "$dir/sources.list"
  say "refreshing $other's source index, to fall back on:"
  sed 's/^/  /' "$dir/sources.list" >&2
  apt_in "$dir" apt-get -q update >>"$log" 2>&1 || say "warning: parts of $other's index could not be fetched"
  [ -n "$(find "$dir/lists" -maxdepth 1 -name '*Sources*' -type f)" ] || return 1
  touch "$dir/updated"
}

# Versions an index offers for one source package, newest first.
candidate_versions() {
  local pkg=$1 dir=$2 v sorted=() i j t
  while read -r v; do sorted+=("$v"); done < <(
    apt_in "$dir" apt-cache showsrc --only-source "$pkg" 2>/dev/null |
      sed -n 's/^Version: //p' | sort -u)
  for ((i = 0; i < ${#sorted[@]}; i++)); do
    for ((j = i + 1; j < ${#sorted[@]}; j++)); do
      if dpkg --compare-versions "${sorted[j]}" gt "${sorted[i]}"; then
        t=${sorted[i]}; sorted[i]=${sorted[j]}; sorted[j]=$t
      fi
    done
  done
  [ ${#sorted[@]} -eq 0 ] || printf '%s\n' "${sorted[@]}"
}

# Prints the newest version of a package in one index whose source is here or can be fetched.
fetch_newest() {
  local pkg=$1 dir=$2 v dsc
  while read -r v; do
    [ -n "$v" ] || continue
    dsc=$srcdir/${pkg}_${v#*:}.dsc
    [ -f "$dsc" ] && { echo "$v"; return 0; }
    say "fetching source $pkg $v"
    if (cd "$srcdir" && apt_in "$dir" apt-get -q source --download-only "$pkg=$v") >>"$log" 2>&1 \
       && [ -f "$dsc" ]; then
      echo "$v"; return 0
    fi
    rm -f "$dsc"   # a half-fetched source must not pass for a fetched one next time
    say "source $pkg $v cannot be fetched"
  done < <(candidate_versions "$pkg" "$dir")
  return 1
}

# Picks, per package, the newest version whose source can actually be fetched (a suite's index
# can list a version whose files the mirror does not serve): from this release's index, else
# from the other release's, and records the choice for this index.
resolve_versions() {
  local record=$1 pkg listed chosen out=""
  mkdir -p "$srcdir"
  for pkg in "${PACKAGES[@]}"; do
    listed=$(candidate_versions "$pkg" "$aptdir" | head -n1)
    if chosen=$(fetch_newest "$pkg" "$aptdir"); then
      [ "$chosen" = "$listed" ] ||
        say "using source $pkg $chosen, an earlier version this release lists ($listed cannot be fetched)"
    elif refresh_fallback_index && chosen=$(fetch_newest "$pkg" "$aptdir/fallback"); then
      say "using source $pkg $chosen from $(other_codename)'s sources" \
          "(${listed:-no version} from $(this_codename)'s cannot be fetched)"
    else
      say "no source of $pkg can be fetched"
      return 1
    fi
    out+="$pkg $chosen"$'\n'
  done
  printf '%s' "$out" > "$record.tmp.$$"
  mv -f "$record.tmp.$$" "$record"
}

# ---------------------------------------------------------------------------------------------
# Fast path: a recorded choice for the current index whose prefix already exists.
lookup() {
  local fp record
  fp=$(index_fingerprint)
  [ -n "$fp" ] && index_is_fresh || return 1
  record=$aptdir/resolved-$fp
  [ -f "$record" ] || return 1
  versions=$(cat "$record")
  key=$( (echo "recipe $RECIPE"; echo "$versions") | sha256sum | cut -c1-16)
  prefix=$cache/freeimage-mingw-$key
  [ -f "$prefix/lib/libFreeImage.a" ]
}

case ${1:-} in
  --print-sources) machine_sources; exit 0 ;;
  --print-fallback-sources) other=$(other_codename) && machine_sources "$other"; exit 0 ;;
esac

if lookup; then
  echo "$prefix"
  exit 0
fi

log=$cache/freeimage-mingw-build.$$.log
: > "$log"
fail() {
  say "error: $*"
  say "last lines of $log:"
  tail -n 40 "$log" >&2
  exit 1
}
trap 'fail "step failed (line $LINENO)"' ERR

# One build at a time; a second run waits here and then finds the result.
exec 9>"$cache/freeimage-mingw.lock"
if ! flock -n 9; then
  say "another build is running, waiting for it"
  flock 9
fi

# Work folders left by an interrupted build (only the lock holder builds, so none is in use).
find "$cache" -maxdepth 1 -name '.freeimage-mingw-build.*' -exec rm -rf {} +

if ! lookup; then
  if ! index_is_fresh || [ -z "$(index_fingerprint)" ]; then
    refresh_index || fail "could not download the source index"
  fi
  record=$aptdir/resolved-$(index_fingerprint)
  if [ ! -f "$record" ] || ! lookup; then
    resolve_versions "$record" || fail "could not fetch the sources"
  fi
  versions=$(cat "$record")
  key=$( (echo "recipe $RECIPE"; echo "$versions") | sha256sum | cut -c1-16)
  prefix=$cache/freeimage-mingw-$key
fi
if [ -f "$prefix/lib/libFreeImage.a" ]; then
  rm -f "$log"
  echo "$prefix"
  exit 0
fi

say "building $(echo "$versions" | tr '\n' ' ')(key $key, log $log)"
start=$SECONDS
work=$(mktemp -d "$cache/.freeimage-mingw-build.XXXXXX")
trap 'rm -rf "$work"' EXIT

version_of() { echo "$versions" | awk -v p="$1" '$1 == p { print $2 }'; }
unpack() {
  local pkg=$1 v
  v=$(version_of "$pkg")
  dpkg-source -x "$srcdir/${pkg}_${v#*:}.dsc" "$work/src/$pkg" >>"$log" 2>&1
}
mkdir -p "$work/src" "$work/build" "$work/prefix/include" "$work/prefix/lib"
for pkg in "${PACKAGES[@]}"; do unpack "$pkg"; done

cross=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
       -DBUILD_SHARED_LIBS=OFF -DZLIB_INCLUDE_DIR="$mingw_sysroot/include" -DZLIB_LIBRARY="$zlib_a")

# libtiff: zlib (Deflate) and libtiff's built-in codecs only.
say "libtiff"
cmake -S "$work/src/tiff" -B "$work/build/tiff" "${cross[@]}" \
  -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF -Dcxx=OFF \
  -Dzlib=ON -Dlibdeflate=OFF -Djpeg=OFF -Dold-jpeg=OFF -Djbig=OFF -Dlerc=OFF -Dlzma=OFF \
  -Dzstd=OFF -Dwebp=OFF -Dtiff-opengl=OFF -Dsphinx=OFF -Dwin32-io=ON >>"$log" 2>&1
cmake --build "$work/build/tiff" --target tiff -j "$jobs" >>"$log" 2>&1
tiff_a=$(find "$work/build/tiff/libtiff" -maxdepth 1 -name 'libtiff*.a' | head -n1)
cp "$tiff_a" "$work/prefix/lib/libtiff.a"
# FreeImage's TIFF plug-in provides libtiff's platform layer (memory and file I/O) itself.
# Only that object goes: libtiff 4.7 also carries tif_win32_versioninfo.rc.res, the DLL's
# version resource, which defines no symbol and stays.
x86_64-w64-mingw32-ar d "$work/prefix/lib/libtiff.a" tif_win32.c.obj
if x86_64-w64-mingw32-ar t "$work/prefix/lib/libtiff.a" | grep -qxF tif_win32.c.obj; then
  fail "libtiff's Win32 platform layer is still in libtiff.a"
fi
# libtiff's public headers: the plug-in reads TIFF results with libtiff directly. tiffconf.h
# (and, depending on the version, tiffvers.h) are generated into the build folder.
for h in tiff.h tiffio.h tiffconf.h tiffvers.h; do
  if [ -f "$work/build/tiff/libtiff/$h" ]; then
    cp "$work/build/tiff/libtiff/$h" "$work/prefix/include/$h"
  elif [ -f "$work/src/tiff/libtiff/$h" ]; then
    cp "$work/src/tiff/libtiff/$h" "$work/prefix/include/$h"
  else
    fail "libtiff header $h not found"
  fi
done

# libpng
say "libpng"
cmake -S "$work/src/libpng1.6" -B "$work/build/png" "${cross[@]}" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF >>"$log" 2>&1
cmake --build "$work/build/png" --target png_static -j "$jobs" >>"$log" 2>&1
png_a=$(find "$work/build/png" -maxdepth 1 -name 'libpng*.a' | head -n1)
cp "$png_a" "$work/prefix/lib/libpng.a"

# FreeImage: the core, the metadata code, the toolkit and every plug-in whose codec is here.
say "FreeImage"
fi_src=$work/src/freeimage
extra=$work/src/freeimage-extra
mkdir -p "$extra/Imath"

# Debian points the TIFF plug-in at Imath's half type; it only needs half -> float.
cat > "$extra/Imath/half.h" <<'EOF'
// Minimal IEEE 754 half-precision value: stores the 16 bits, converts to float.
#ifndef FREEIMAGE_MINGW_HALF_H
#define FREEIMAGE_MINGW_HALF_H
#include <cstdint>
#include <cstring>

class half {
public:
    half() = default;
    void setBits(unsigned short bits) { bits_ = bits; }
    unsigned short bits() const { return bits_; }
    operator float() const {
        const std::uint32_t sign = (std::uint32_t)(bits_ & 0x8000u) << 16;
        std::uint32_t exponent = (bits_ >> 10) & 0x1fu;
        std::uint32_t mantissa = bits_ & 0x3ffu;
        std::uint32_t out;
        if (exponent == 0x1fu) {                 // infinity or NaN
            out = sign | 0x7f800000u | (mantissa << 13);
        } else if (exponent != 0) {              // normal
            out = sign | ((exponent + 112u) << 23) | (mantissa << 13);
        } else if (mantissa == 0) {              // signed zero
            out = sign;
        } else {                                 // subnormal: normalise
            exponent = 113u;
            while ((mantissa & 0x400u) == 0) { mantissa <<= 1; --exponent; }
            out = sign | (exponent << 23) | ((mantissa & 0x3ffu) << 13);
        }
        float f;
        std::memcpy(&f, &out, sizeof f);
        return f;
    }
private:
    unsigned short bits_ = 0;
};
#endif
EOF

# Plug-ins whose codec library is not built stay registered under their usual format numbers,
# but without load, save or signature check: FreeImage reports them as unsupported.
missing=(JPEG:"JPEG":"JPEG - JFIF Compliant":"jpg,jif,jpeg,jpe":"image/jpeg"
         EXR:"EXR":"ILM OpenEXR":"exr":"image/x-exr"
         J2K:"J2K":"JPEG-2000 codestream":"j2k,j2c":"image/j2k"
         JP2:"JP2":"JPEG-2000 File Format":"jp2":"image/jp2"
         RAW:"RAW":"RAW camera image":"3fr,arw,bay,bmq,cap,cine,cr2,crw,cs1,dc2,dcr,drf,dsc,dng,erf,fff,ia,iiq,k25,kc2,kdc,mdc,mef,mos,mrw,nef,nrw,orf,pef,ptx,pxn,qtk,raf,raw,rdc,rw2,rwl,rwz,sr2,srf,srw,sti,x3f":"image/x-dcraw"
         WEBP:"WebP":"Google WebP image format":"webp":"image/webp"
         JXR:"JPEG-XR":"JPEG XR image format":"jxr,wdp,hdp":"image/vnd.ms-photo")
{
  echo '// Registration entries for formats whose codec is not part of this build.'
  echo '#include "FreeImage.h"'
  echo '#include "Utilities.h"'
  echo '#include "Plugin.h"'
  for m in "${missing[@]}"; do
    IFS=: read -r name format desc ext mime <<<"$m"
    cat <<EOF

static const char *DLL_CALLCONV ${name}Format() { return "$format"; }
static const char *DLL_CALLCONV ${name}Description() { return "$desc (not available)"; }
static const char *DLL_CALLCONV ${name}Extension() { return "$ext"; }
static const char *DLL_CALLCONV ${name}Mime() { return "$mime"; }
void DLL_CALLCONV Init${name}(Plugin *plugin, int) {
    plugin->format_proc = ${name}Format;
    plugin->description_proc = ${name}Description;
    plugin->extension_proc = ${name}Extension;
    plugin->mime_proc = ${name}Mime;
}
EOF
  done
} > "$extra/MissingCodecs.cpp"

sources=()
while read -r f; do
  case ${f##*/} in
    PluginJPEG.cpp|PluginEXR.cpp|PluginJ2K.cpp|PluginJP2.cpp|J2KHelper.cpp|PluginRAW.cpp|\
    PluginWebP.cpp|PluginJXR.cpp|JPEGTransform.cpp) ;;
    *) sources+=("$f") ;;
  esac
done < <(cd "$fi_src" && find Source/FreeImage Source/Metadata Source/FreeImageToolkit \
           -maxdepth 1 \( -name '*.cpp' -o -name '*.c' \) | LC_ALL=C sort)
sources+=("$extra/MissingCodecs.cpp")

cat > "$work/build/CMakeLists.txt" <<EOF
cmake_minimum_required(VERSION 3.16)
project(FreeImageStatic C CXX)
add_library(FreeImage STATIC
$(for s in "${sources[@]}"; do case $s in /*) echo "  $s";; *) echo "  $fi_src/$s";; esac; done)
)
target_compile_definitions(FreeImage PRIVATE FREEIMAGE_LIB NO_LCMS __ANSI__ NDEBUG)
target_compile_options(FreeImage PRIVATE -O2 -fexceptions -w)
target_include_directories(FreeImage PRIVATE
  $extra $fi_src/Source $fi_src/Source/Metadata $fi_src/Source/FreeImageToolkit
  $work/src/tiff/libtiff $work/build/tiff/libtiff
  $work/src/libpng1.6 $work/build/png
  $mingw_sysroot/include)
EOF
cmake -S "$work/build" -B "$work/build/fi" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release >>"$log" 2>&1
cmake --build "$work/build/fi" -j "$jobs" >>"$log" 2>&1
cp "$work/build/fi/libFreeImage.a" "$work/prefix/lib/libFreeImage.a"
cp "$fi_src/Source/FreeImage.h" "$work/prefix/include/FreeImage.h"
cp "$zlib_a" "$work/prefix/lib/libz.a"
x86_64-w64-mingw32-strip --strip-debug "$work/prefix/lib/"*.a

{
  echo "recipe $RECIPE"
  echo "$versions"
  echo "zlib $(dpkg-query -W -f='${Version}' libz-mingw-w64-dev 2>/dev/null || echo unknown)"
} > "$work/prefix/VERSIONS"

# Publish atomically: the prefix appears complete or not at all.
mv -T "$work/prefix" "$prefix"
say "done in $((SECONDS - start)) s: $prefix"
rm -f "$log"
echo "$prefix"
