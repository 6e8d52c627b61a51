#!/usr/bin/env bash
# Installs every prerequisite on a fresh Debian machine (bookworm or later), and fetches the Debian
# source packages that the Windows build compiles with mingw. Safe to run again: it does only what is missing.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

pkgs=(
  build-essential cmake ninja-build pkg-config git dpkg-dev
  zlib1g-dev googletest libgtest-dev nlohmann-json3-dev
  clang libclang-rt-dev
  mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix libz-mingw-w64-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine64
  wine wine32:i386 xvfb xauth x11-utils imagemagick fonts-dejavu-core fonts-wine
  unzip libarchive-tools zip hyperfine time nsis
  libsnappy-dev libhpdf-dev libstb-dev libfontconfig-dev libharfbuzz-dev libfribidi-dev poppler-utils
  libhyphen-dev hyphen-en-us hyphen-en-gb hyphen-de hyphen-fr hyphen-es hyphen-it hyphen-nl hyphen-pt-pt
  fonts-liberation2 fonts-crosextra-carlito fonts-crosextra-caladea fonts-wqy-microhei fonts-sil-charis
  fonts-roboto-unhinted
)

need=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  need=("${pkgs[@]}")
else
  for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
  done
fi

if [ ${#need[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${need[@]}"
fi

# --- Source packages for the Windows build -------------------------------------------------------------
# Debian ships mingw builds of zlib only, so the Windows build compiles Debian's own sources of these
# libraries, of the same versions as the installed -dev packages. cmake/ThirdParty.cmake finds them by the
# same rule: PAGES2PDF_THIRDPARTY_DIR, else ${XDG_CACHE_HOME:-$HOME/.cache}/pages2pdf/thirdparty.
# Each one lands in <dir>/<source package>/ with a stamp file naming its version.
THIRDPARTY_DIR="${PAGES2PDF_THIRDPARTY_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/pages2pdf/thirdparty}"
sources=(snappy:libsnappy-dev libharu:libhpdf-dev harfbuzz:libharfbuzz-dev fribidi:libfribidi-dev hyphen:libhyphen-dev)   # source package : the -dev package it matches
STAMP=.pages2pdf-source-version

missing=()
for entry in "${sources[@]}"; do
  src=${entry%%:*} dev=${entry#*:}
  version=$(dpkg-query -W -f='${source:Version}' "$dev")
  if [ "$(cat "$THIRDPARTY_DIR/$src/$STAMP" 2>/dev/null)" != "$version" ]; then missing+=("$src=$version"); fi
done
# Fetches the missing ones through apt with a private configuration, so the machine's own stays untouched.
fetch_sources() {
  mkdir -p "$THIRDPARTY_DIR"
  apt_dir=$(mktemp -d "$THIRDPARTY_DIR/.apt.XXXXXX")
  trap 'rm -rf "$apt_dir"' EXIT
  mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/download"

  # Source entries derived from the machine's binary ones, wherever apt is configured to read them.
  eval "$(apt-config shell SOURCE_LIST Dir::Etc::SourceList/f SOURCE_PARTS Dir::Etc::SourceParts/d)"
  one_line=()
  for f in "$SOURCE_LIST" "$SOURCE_PARTS"*.list; do
    if [ -f "$f" ]; then one_line+=("$f"); fi
  done
  if [ ${#one_line[@]} -gt 0 ]; then
    sed -n -E 's/^[[:space:]]*deb[[:space:]]+/deb-src /p' "${one_line[@]}" >"$apt_dir/sources.list"
  else
    : >"$apt_dir/sources.list"
  fi
  for f in "$SOURCE_PARTS"*.sources; do
    if [ ! -f "$f" ]; then continue; fi
    # deb822: one stanza per blank-line-separated paragraph; keep the enabled ones that list "deb".
    awk 'function flush() {
           if (n && types ~ /(^|[[:space:]])deb([[:space:]]|$)/ && tolower(enabled) != "no") {
             for (i = 1; i <= n; i++) print lines[i]; print ""
           }
           n = 0; types = ""; enabled = ""
         }
         /^[[:space:]]*$/ { flush(); next }
         /^#/ { next }
         /^[Tt]ypes:/ { types = substr($0, 7); lines[++n] = "Types: deb-src"; next }
         /^[Ee]nabled:/ { enabled = $2 }
         { lines[++n] = $0 }
         END { flush() }' "$f" >>"$apt_dir/sources.list.d/derived.sources"
  done

  apt_opts=(
    -o "Dir::Etc::SourceList=$apt_dir/sources.list"
    -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
    -o "Dir::State::Lists=$apt_dir/lists"
    -o "Dir::Cache=$apt_dir/cache"
    -o "Acquire::Languages=none"
  )
  # As root apt downloads as the user _apt, who cannot enter a private cache under root's home.
  if [ "$(id -u)" -eq 0 ]; then apt_opts+=(-o "APT::Sandbox::User=root"); fi

  # A repository without sources (a vendor's binary-only one) may make the update report an error;
  # what matters is whether the sources below can then be fetched.
  apt-get "${apt_opts[@]}" -q update >"$apt_dir/update.log" 2>&1 || true

  for wanted in "${missing[@]}"; do
    src=${wanted%%=*} version=${wanted#*=}
    dl="$apt_dir/download/$src"
    mkdir -p "$dl"
    # Extracted inside the private folder (dpkg-source leaves copies of the tarballs beside its output),
    # then moved into place whole, so a half-made folder is never taken for a finished one.
    if (cd "$dl" && apt-get "${apt_opts[@]}" -q source --download-only "$src=$version") >"$dl/source.log" 2>&1; then
      # (apt has checked the files against the signed index; dpkg-source's own signature check lacks the keys.)
      if ! dpkg-source -x "$dl/${src}"_*.dsc "$dl/tree" >"$dl/extract.log" 2>&1; then
        cat "$dl/extract.log" >&2
        exit 1
      fi
    else
      # Some mirrors lack a package's Debian tarball (patches and packaging); the upstream tarball that
      # Debian ships, checked by apt against the source index, still builds the library.
      orig=$(ls "$dl/${src}"_*.orig.tar.* 2>/dev/null | head -n 1 || true)
      if [ ! -f "$dl/${src}_${version#*:}.dsc" ] || [ -z "$orig" ]; then
        echo "setup.sh: could not fetch the source package $src $version; apt said:" >&2
        cat "$apt_dir/update.log" "$dl/source.log" >&2
        exit 1
      fi
      echo "setup.sh: warning: $src $version without Debian's patches: only its upstream tarball could be fetched" \
        "($(grep -m 1 '^E:' "$dl/source.log" || echo 'no reason given'))" >&2
      mkdir -p "$dl/tree"
      tar -xf "$orig" -C "$dl/tree" --strip-components=1
    fi
    echo "$version" >"$dl/tree/$STAMP"
    rm -rf "${THIRDPARTY_DIR:?}/$src"
    mv "$dl/tree" "$THIRDPARTY_DIR/$src"
    echo "setup.sh: $src $version is in $THIRDPARTY_DIR/$src"
  done
}

if [ ${#missing[@]} -gt 0 ]; then fetch_sources; fi
