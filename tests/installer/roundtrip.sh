#!/usr/bin/env bash
# The installer under Wine, for every user and for one: a silent install puts the files, the shortcut and
# the registry entries in place; a silent uninstall takes every one of them away again.
# usage: roundtrip.sh SETUP.EXE PORTABLE.ZIP WINE SCRATCH_DIR
set -euo pipefail
setup=$1 zip=$2 wine=$3 scratch=$4
wineserver="$(dirname "$wine")/wineserver"
[ -x "$wineserver" ] || wineserver=wineserver
export WINEDEBUG=-all WINEPREFIX="$scratch/wine"
fail() { echo "FAIL: $*" >&2; exit 1; }

unzip -Z1 "$zip" | sort > "$scratch/zip.txt"
for f in Project2.exe pages2pdf.exe help.html README.txt hyphen/hyph_en_US.dic; do
  grep -qx "pages2pdf-[0-9.]*/$f" "$scratch/zip.txt" || fail "the portable zip lacks $f"
done

rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
timeout 300 "$wine" wineboot -i >/dev/null 2>&1 || true
# Windows paths in this prefix -> Unix paths.
unix() { local p=${1#?:\\}; printf '%s/drive_c/%s' "$WINEPREFIX" "${p//\\//}"; }
has_key() { "$wine" reg query "$1" >/dev/null 2>&1; }
settle() { timeout 120 "$wineserver" -w || true; }

check_install() {  # ROOT DIR SHORTCUT
  local root=$1 dir=$2 lnk=$3
  for f in Project2.exe pages2pdf.exe help.html uninstall.exe hyphen/hyph_en_US.dic; do
    [ -f "$dir/$f" ] || fail "$f not installed in $dir"
  done
  [ -f "$lnk" ] || fail "no Start-menu shortcut at $lnk"
  local key="$root\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\pages2pdf"
  "$wine" reg query "$key" /v DisplayName | grep -q pages2pdf || fail "no Apps and features entry in $root"
  "$wine" reg query "$key" /v QuietUninstallString | grep -q 'uninstall.exe' || fail "no quiet uninstall in $root"
  "$wine" reg query "$root\\Software\\Classes\\.pages\\OpenWithProgids" /v pages2pdf.Document >/dev/null 2>&1 \
    || fail ".pages has no Open with entry in $root"
  "$wine" reg query "$root\\Software\\Classes\\pages2pdf.Document\\shell\\open\\command" | grep -q 'Project2.exe" "%1"' \
    || fail "the document type's open command is missing in $root"
  "$wine" reg query "$root\\Software\\Classes\\Directory\\shell\\pages2pdf\\command" | grep -q 'Project2.exe" "%1"' \
    || fail "folders have no Open with pages2pdf in $root"
}

check_gone() {  # ROOT DIR SHORTCUT
  local root=$1 dir=$2 lnk=$3
  [ ! -e "$dir" ] || fail "$dir left after uninstall: $(ls "$dir")"
  [ ! -e "$lnk" ] || fail "shortcut left after uninstall"
  for k in "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\pages2pdf" "Software\\Classes\\pages2pdf.Document" \
           "Software\\Classes\\Directory\\shell\\pages2pdf" "Software\\Classes\\Applications\\Project2.exe" \
           "Software\\Classes\\.pages"; do
    ! has_key "$root\\$k" || fail "$root\\$k left after uninstall"
  done
  settle
  ! grep -il 'pages2pdf\|project2' "$WINEPREFIX"/*.reg || fail "the registry still names pages2pdf"
}

roundtrip() {  # MODE ROOT
  local mode=$1 root=$2
  timeout 300 "$wine" "$setup" /S "/$mode" || fail "silent install (/$mode) failed"
  settle
  local loc
  loc=$("$wine" reg query "$root\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\pages2pdf" /v InstallLocation \
        | sed -n 's/.*REG_SZ *//p' | tr -d '\r')
  [ -n "$loc" ] || fail "no install location recorded in $root"
  local dir lnk
  dir=$(unix "$loc")
  if [ "$mode" = AllUsers ]; then
    lnk="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/pages2pdf.lnk"
    case "$loc" in *"Program Files"*) ;; *) fail "an install for every user went to $loc" ;; esac
  else
    lnk=$(find "$WINEPREFIX/drive_c/users" -path '*Start Menu/Programs/pages2pdf.lnk' | head -n 1)
    case "$loc" in *"Program Files"*) fail "an install for one user went to $loc" ;; esac
  fi
  check_install "$root" "$dir" "$lnk"
  local quiet
  quiet=$("$wine" reg query "$root\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\pages2pdf" /v QuietUninstallString \
          | sed -n 's/.*REG_SZ *//p' | tr -d '\r')
  # The uninstaller runs a copy of itself from the temporary folder; wait for it.
  eval "timeout 300 \"\$wine\" $quiet" || fail "silent uninstall (/$mode) failed"
  settle
  check_gone "$root" "$dir" "${lnk:-/nonexistent}"
  echo "ok: $mode install and uninstall ($loc)"
}

roundtrip AllUsers HKLM
roundtrip CurrentUser HKCU
