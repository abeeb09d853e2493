#!/usr/bin/env bash
# Peak RSS of `ferrovan-cli media` on an empty catalog (target: under 30 MB),
# next to `ferrovan-cli --version` measured in the same run as the baseline
# cost of starting the program at all.
# usage: bench/media_rss.sh [path/to/ferrovan-cli]
set -euo pipefail
cli="${1:-$(dirname "$0")/../build/ferrovan-cli}"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
"$cli" create "$dir/empty.fvd" >/dev/null
rss() { /usr/bin/time -f "%M" "$@" 2>&1 >/dev/null | tail -1; }
base=$(rss "$cli" --version)
media=$(rss "$cli" media "$dir/empty.fvd")
awk -v m="$media" -v b="$base" 'BEGIN {
  printf "ferrovan-cli --version         peak RSS %6.1f MB\n", b / 1024
  printf "ferrovan-cli media (empty)     peak RSS %6.1f MB  (%.2fx the baseline; target < 30 MB) %s\n",
         m / 1024, m / b, (m / 1024 < 30 ? "ok" : "OVER")
  exit (m / 1024 < 30 ? 0 : 1)
}'
