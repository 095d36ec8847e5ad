#!/usr/bin/env bash
# The FreeImage build fetches its sources from the machine's own package sources: given an
# apt configuration in both formats, with entries to take and entries to leave, the script
# derives exactly the deb-src entries of this release's suites, and the same entries for the
# other release it falls back on.
#   freeimage_mingw_sources_test.sh path/to/build-freeimage-mingw.sh
set -euo pipefail
script=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/parts"

cat > "$dir/apt.conf" <<CONF
Dir::Etc::SourceList "$dir/sources.list";
Dir::Etc::SourceParts "$dir/parts/";
CONF
cat > "$dir/sources.list" <<'LIST'
# a comment line, then a blank one

deb [arch=amd64 signed-by=/keys/mirror.gpg] http://mirror.example/debian/ bookworm main contrib
deb-src http://mirror.example/debian bookworm main
# deb http://commented.example/debian bookworm main
deb http://cloud.example/apt cloud-sdk-bookworm main
deb http://old.example/debian bullseye main
LIST
cat > "$dir/parts/proxy.list" <<'LIST'
	deb   http://proxy.example:3142/debian   bookworm-updates main   # behind a proxy
LIST
cat > "$dir/parts/debian.sources" <<'SOURCES'
Types: deb deb-src
URIs: http://m1.example/debian http://m2.example/debian
Suites: bookworm bookworm-backports
Components: main
Signed-By: /keys/debian.gpg

# a disabled entry
Types: deb
URIs: http://disabled.example/debian
Suites: bookworm
Components: main
Enabled: no

types: deb
uris: http://security.example/debian-security
suites: bookworm-security
components: main non-free-firmware
signed-by:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 -----END PGP PUBLIC KEY BLOCK-----

Types: deb-src
URIs: http://sources-only.example/debian
Suites: bookworm
Components: main

Types: deb
URIs: https://node.example/node_20.x
Suites: nodistro
Components: main
SOURCES
cat > "$dir/parts/other.sources.disabled" <<'SOURCES'
Types: deb
URIs: http://not-read.example/debian
Suites: bookworm
Components: main
SOURCES

expected='deb-src [signed-by=/keys/mirror.gpg] http://mirror.example/debian bookworm main contrib
deb-src http://proxy.example:3142/debian bookworm-updates main
deb-src [signed-by=/keys/debian.gpg] http://m1.example/debian bookworm main
deb-src [signed-by=/keys/debian.gpg] http://m1.example/debian bookworm-backports main
deb-src [signed-by=/keys/debian.gpg] http://m2.example/debian bookworm main
deb-src [signed-by=/keys/debian.gpg] http://m2.example/debian bookworm-backports main
deb-src http://security.example/debian-security bookworm-security main non-free-firmware'

# option, expected entries
for row in "--print-sources|$expected" "--print-fallback-sources|${expected//bookworm/trixie}"; do
  actual=$(APT_CONFIG="$dir/apt.conf" FREEIMAGE_MINGW_CODENAME=bookworm PINOXFADE_CACHE="$dir/cache" \
           bash "$script" "${row%%|*}")
  if [ "$actual" != "${row#*|}" ]; then
    echo "derived sources differ (${row%%|*})"
    diff <(echo "${row#*|}") <(echo "$actual") || true
    exit 1
  fi
done

# No entry for this release: nothing derived, and the script says so instead of guessing.
FREEIMAGE_MINGW_CODENAME=trixie APT_CONFIG="$dir/apt.conf" PINOXFADE_CACHE="$dir/cache" \
  bash "$script" --print-sources > "$dir/none"
[ ! -s "$dir/none" ] || { echo "entries derived for another release:"; cat "$dir/none"; exit 1; }
echo "ok"
