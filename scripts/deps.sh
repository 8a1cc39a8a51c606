#!/usr/bin/env bash
# Installs what the builds and tests need, from Debian's packages, and only what is missing.
# Also fetches Debian's pugixml sources, which both builds compile, into the build cache, using a
# private sources list and apt state so that the system's apt configuration stays as it is.
# Safe to run again: a second run with everything in place does nothing but check.
set -euo pipefail

root_dir=$(cd "$(dirname "$0")/.." && pwd)
cache_dir="${DEPS_CACHE:-$root_dir/build/cache}"

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive

packages=(
  g++ make cmake ninja-build binutils
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  libz-mingw-w64-dev zlib1g-dev libpugixml-dev
  googletest libbenchmark-dev libpolyclipping-dev
  wine wine32:i386 xvfb x11-apps imagemagick
  xz-utils ca-certificates locales
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "deps: installing ${missing[*]}"
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
     ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386
  fi
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Both builds compile pugixml themselves: take Debian's source package of the installed version.
pugi_dir="$cache_dir/pugixml-src"
if [ ! -f "$pugi_dir/src/pugixml.cpp" ]; then
  version=$(dpkg-query -W -f='${source:Version}' libpugixml-dev)
  upstream=${version%-*}
  upstream=${upstream#*:}
  apt_dir="$cache_dir/apt"
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/archives/partial" "$apt_dir/etc" "$cache_dir/download"
  mirror=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
  [ -n "$mirror" ] || mirror=http://deb.debian.org/debian
  echo "deb-src $mirror bookworm main" >"$apt_dir/etc/sources.list"
  apt_opts=(
    -o "Dir::Etc::SourceList=$apt_dir/etc/sources.list"
    -o "Dir::Etc::SourceParts=$apt_dir/etc/none"
    -o "Dir::State::Lists=$apt_dir/lists"
    -o "Dir::Cache=$apt_dir"
    -o "Dir::State::status=/var/lib/dpkg/status"
    -o "APT::Sandbox::User=root"
  )
  apt-get "${apt_opts[@]}" update -qq
  (cd "$cache_dir/download" && apt-get "${apt_opts[@]}" source --download-only -qq "pugixml=$version")
  tarball=$(ls "$cache_dir/download"/pugixml_"$upstream".orig.tar.* | head -n 1)
  rm -rf "$pugi_dir.tmp" && mkdir -p "$pugi_dir.tmp"
  tar -xf "$tarball" -C "$pugi_dir.tmp" --strip-components=1
  rm -rf "$pugi_dir" && mv "$pugi_dir.tmp" "$pugi_dir"
  echo "deps: pugixml $upstream sources in $pugi_dir"
fi

# A locale with a decimal comma for the tests that prove numbers ignore the process locale.
# Compiled into the build cache (used through LOCPATH), so the system's locales stay as they are.
locale_dir="$cache_dir/locale"
if [ ! -f "$locale_dir/de_DE.UTF-8/LC_NUMERIC" ]; then
  mkdir -p "$locale_dir"
  localedef -i de_DE -f UTF-8 "$locale_dir/de_DE.UTF-8" 2>/dev/null || [ -f "$locale_dir/de_DE.UTF-8/LC_NUMERIC" ]
  echo "deps: test locale de_DE.UTF-8 in $locale_dir"
fi
