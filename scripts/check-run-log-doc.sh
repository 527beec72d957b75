#!/usr/bin/env bash
# Lists the message constants of the source that docs/run-log.md (the English page for the run
# log) does not name yet; exits 1 when there is one. A message constant is every text constant of
# a *_messages.h header, and every text constant anywhere under src/ whose text starts with
# "エラー", "警　告" or "情　報".
set -euo pipefail
cd "$(dirname "$0")/.."
page=docs/run-log.md

names=$( {
  find src -name '*_messages.h' -print0 | xargs -0 grep -hoP 'constexpr char k\w+(?=\[\])' || true
  find src \( -name '*.h' -o -name '*.cpp' \) -print0 |
    xargs -0 grep -zhoP 'constexpr char k\w+\[\]\s*=\s*"(エラー|警　告|情　報)' | tr '\0' '\n' || true
} | grep -oP 'k\w+' | sort -u)

missing=0
for name in $names; do
  if ! grep -q "\`$name\`" "$page"; then
    echo "$name"
    missing=1
  fi
done
if [ "$missing" -ne 0 ]; then
  echo "These message constants are not in $page yet: add a row for each (see its last section)." >&2
  exit 1
fi
echo "Every message constant is in $page."
