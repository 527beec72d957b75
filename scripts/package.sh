#!/usr/bin/env bash
# Builds the two programs and packs the release packages, each with a SHA-256 checksum file
# (<package>.sha256, as sha256sum writes and checks it):
#   quendrix-<version>-win32.zip             the 32-bit Windows program, the help file, the example
#                                            program and README.txt (how to start, in Japanese and
#                                            English; CP932 with CRLF line ends, as Windows' own
#                                            editors read a Japanese text)
#   quendrix-<version>-linux-x86_64.tar.gz   the Linux console program, the help file, the example
# Each package holds one folder named like the package. <version> is the one the window title
# shows (2021R2.34), read from src/config/version.h.
#
# Usage: scripts/package.sh [output-dir]     (default build/package)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${1:-build/package}
mkdir -p "$out"
out=$(cd "$out" && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

version_field() { sed -n "s/.*\<k$1 = \([0-9][0-9]*\);.*/\1/p" src/config/version.h; }
year=$(version_field Year)
major=$(version_field Major)
minor=$(version_field Minor)
if [ -z "$year" ] || [ -z "$major" ] || [ -z "$minor" ]; then
  echo "package.sh: cannot read kYear, kMajor and kMinor from src/config/version.h" >&2
  exit 1
fi
version=$(printf '%dR%d.%02d' "$year" "$major" "$minor")

for preset in win32 native; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs" --target quendrix >/dev/null
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
windows=quendrix-$version-win32
linux=quendrix-$version-linux-x86_64
mkdir "$stage/$windows" "$stage/$linux"

i686-w64-mingw32-strip -o "$stage/$windows/quendrix.exe" build/win32/quendrix.exe
sed "s/@VERSION@/$version/" res/package_readme.txt | iconv -f UTF-8 -t CP932 | sed 's/$/\r/' \
  > "$stage/$windows/README.txt"
strip -o "$stage/$linux/quendrix" build/native/quendrix
for folder in "$windows" "$linux"; do
  cp res/Quendrix_readme.txt examples/SAMPLE01.NC "$stage/$folder/"
done
chmod 644 "$stage"/*/*
chmod 755 "$stage/$linux/quendrix"

# Every entry stamped with the time of the last commit, and the gzip stream without a time of its
# own, so that packing the same tree again gives the same archives.
stamp=$(TZ=UTC0 git log -1 --format=%cd --date=format-local:'%Y-%m-%d %H:%M:%S UTC' 2>/dev/null ||
        date -u '+%Y-%m-%d %H:%M:%S UTC')
pack() {  # archive format folder
  local archive=$1 format=$2 folder=$3
  local written=${archive%.gz}
  rm -f "$out/$archive" "$out/$archive.sha256"
  (cd "$stage" && LC_ALL=C ls "$folder" | sed "s|^|$folder/|" |
    xargs cmake -E tar cf "$out/$written" --format="$format" --mtime="$stamp")
  if [ "$written" != "$archive" ]; then gzip -9 -n -f "$out/$written"; fi
  (cd "$out" && sha256sum "$archive" > "$archive.sha256")
}
pack "$windows.zip" zip "$windows"
pack "$linux.tar.gz" gnutar "$linux"

echo "packages in $out:"
(cd "$out" && ls -l "$windows.zip" "$windows.zip.sha256" "$linux.tar.gz" "$linux.tar.gz.sha256")
