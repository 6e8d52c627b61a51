#!/usr/bin/env bash
# Formats the named C++ files in place with clang-format and the repository's .clang-format:
#   scripts/format.sh FILE...            format these files
#   scripts/format.sh --check FILE...    list what would change, change nothing (exit 1 if anything would)
# Format the files you change, not whole folders others are editing. Nothing in CI runs this.
set -euo pipefail
cd "$(dirname "$0")/.."

check=0
if [[ "${1:-}" == "--check" ]]; then
  check=1
  shift
fi
if [[ $# -eq 0 ]]; then
  echo "usage: scripts/format.sh [--check] FILE..." >&2
  exit 2
fi

status=0
for file in "$@"; do
  case "$file" in
    *.cpp | *.h) ;;
    *) echo "skipped (not C++): $file" >&2; continue ;;
  esac
  if [[ $check -eq 1 ]]; then
    lines=$(clang-format --style=file "$file" | diff "$file" - | grep -c '^<' || true)
    if [[ $lines -ne 0 ]]; then
      echo "$file: $lines lines would change"
      status=1
    fi
  else
    clang-format --style=file -i "$file"
  fi
done
exit $status
