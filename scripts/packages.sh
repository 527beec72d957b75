# Sourced by the scripts: makes sure the Debian packages a script needs are installed.
#
#   need_packages PACKAGE...   installs those of them that are missing (apt-get as root, or
#                              through sudo); stops with the list when it cannot
#
# The test suites' list (everything scripts/test.sh builds and runs) is TEST_PACKAGES; the console
# program alone needs CONSOLE_PACKAGES. The fuzz targets need clang-14 with its runtime libraries
# (libclang-rt-14-dev holds libFuzzer and the sanitizers' runtimes; clang-14 only recommends it)
# and llvm-14 for the symbolizer that turns a finding's stack into file and line; Wine needs the
# i386 architecture for wine32. On a system without dpkg (not Debian) nothing is checked: the
# build then says what is missing.

CONSOLE_PACKAGES="cmake ninja-build g++"
TEST_PACKAGES="$CONSOLE_PACKAGES libgtest-dev libbenchmark-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine32:i386 wine64 xvfb xauth fonts-ipafont-gothic imagemagick time
  clang-14 libclang-rt-14-dev llvm-14"

need_packages() {
  command -v dpkg-query >/dev/null 2>&1 || return 0
  local missing=() package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local run=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
      run=(sudo)
    else
      echo "Missing Debian packages (install them as root): ${missing[*]}" >&2
      return 1
    fi
  fi
  echo "Installing the missing Debian packages: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  local wanted
  for wanted in "${missing[@]}"; do
    if [[ $wanted == *:i386 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
      "${run[@]}" dpkg --add-architecture i386
      break
    fi
  done
  # A mirror in the middle of a sync serves an index that does not match its release file, and
  # apt-get update fails for it: it is tried three times, and the install then goes on with the
  # indexes there are. When only the i386 index is stale, the 32-bit packages cannot match the
  # 64-bit ones: the install is tried without them (the Windows suites then run under the 64-bit
  # Wine, as on a kernel that runs no 32-bit code; scripts/test.sh tells which).
  local attempt
  for attempt in 1 2 3; do
    "${run[@]}" apt-get update -qq && break
    echo "apt-get update failed (attempt $attempt of 3); a mirror may be syncing" >&2
    if [ "$attempt" -lt 3 ]; then sleep 10; fi
  done
  "${run[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null && return 0
  local native=()
  for wanted in "${missing[@]}"; do
    [[ $wanted == *:i386 ]] || native+=("$wanted")
  done
  if [ ${#native[@]} -lt ${#missing[@]} ] &&
      { echo "apt-get install failed; trying again without the 32-bit packages" >&2
        "${run[@]}" apt-get install -y -qq --no-install-recommends "${native[@]}" >/dev/null; }; then
    echo "Installed all but the 32-bit packages (the Windows suites run under the 64-bit Wine)" >&2
    return 0
  fi
  echo "Could not install the Debian packages: ${missing[*]}" >&2
  return 1
}
