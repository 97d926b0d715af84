#!/usr/bin/env bash
# Benchmark of the engine's write path: pstgen --messages N --body-kb B against a plain
# sequential write of the same number of bytes to the same disk, with peak memory and the
# time per message over the first 10,000 and the last 10,000 messages.
# usage: bench-pstgen.sh BIN_DIR [MESSAGES] [BODY_KB] [WORK_DIR]
set -euo pipefail
bin=$1
messages=${2:-100000}
bodyKb=${3:-4}
work=$(mktemp -d "${4:-${TMPDIR:-/tmp}}/mailferry-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

/usr/bin/time -v "$bin/pstgen" "$work/bench.pst" --messages "$messages" --body-kb "$bodyKb" \
  --progress 10000 >"$work/out.txt" 2>"$work/err.txt"
bytes=$(stat -c %s "$work/bench.pst")
pstgenSeconds=$(grep -o 'in [0-9.]* s' "$work/out.txt" | awk '{print $2}')
rssKb=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/err.txt")
first=$(awk '/^items 10000 / {print $4}' "$work/err.txt")
before=$(awk -v n=$((messages - 10000)) '$1 == "items" && $2 == n {print $4}' "$work/err.txt")
last=$(awk -v n="$messages" '$1 == "items" && $2 == n {print $4}' "$work/err.txt")
rm -f "$work/bench.pst"

start=$(date +%s.%N)
dd if=/dev/zero of="$work/plain.bin" bs=1M count=$(( (bytes + 1048575) / 1048576 )) \
  conv=fsync status=none
end=$(date +%s.%N)
plainSeconds=$(echo "$end - $start" | bc -l)

awk -v b="$bytes" -v p="$pstgenSeconds" -v q="$plainSeconds" -v rss="$rssKb" \
    -v f="$first" -v bl="${before:-0}" -v l="${last:-0}" -v m="$messages" 'BEGIN {
  printf "messages            %d\n", m
  printf "file size           %.1f MB\n", b / 1048576
  printf "pstgen              %.2f s  (%.1f MB/s, %.0f messages/s)\n", p, b / 1048576 / p, m / p
  printf "plain write (fsync) %.2f s  (%.1f MB/s)\n", q, b / 1048576 / q
  printf "pstgen / plain      %.2f\n", p / q
  printf "peak memory         %.1f MB\n", rss / 1024
  if (f > 0) printf "per message, first 10,000: %.1f us\n", f / 10000 * 1e6
  if (l > 0 && bl > 0) printf "per message, last 10,000:  %.1f us\n", (l - bl) / 10000 * 1e6
}'
