#!/usr/bin/env bash
# Streaming decode of a file-data block against `xz -dc` of the same xz streams, side by side in
# one run (these machines are shared and noisy: only the ratio means something), and the decoder's
# peak memory for two block sizes.
#
#   bench/decode.sh [MiB]      (default 200; data on /dev/shm)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
size=${1:-200}
rounds=${ROUNDS:-3}
work=${BENCH_DIR:-/dev/shm/mv-bench}
mkdir -p "$work"
ninja -C "$here/build/native" decode_bench >/dev/null
bench="$here/build/native/bench/decode_bench"

for mib in $((size / 4)) "$size"; do
  [ -f "$work/block-$mib" ] || { echo "making a $mib MiB payload"; "$bench" make "$work/block-$mib" "$work/block-$mib.xz" "$mib"; }
done

seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N); echo "$e - $s" | bc; }
best_ours=999 best_xz=999
for r in $(seq "$rounds"); do
  xz_t=$(seconds sh -c "xz -dc '$work/block-$size.xz' >/dev/null")
  ours_t=$(seconds "$bench" decode "$work/block-$size")
  echo "round $r: xz -dc ${xz_t}s, decoder ${ours_t}s"
  best_xz=$(echo "if ($xz_t < $best_xz) $xz_t else $best_xz" | bc)
  best_ours=$(echo "if ($ours_t < $best_ours) $ours_t else $best_ours" | bc)
done
printf 'decode time ratio (decoder / xz -dc, best of %d): %.3f\n' "$rounds" "$(echo "$best_ours / $best_xz" | bc -l)"

for mib in $((size / 4)) "$size"; do
  rss=$(/usr/bin/time -f %M "$bench" decode "$work/block-$mib" 2>&1 >/dev/null | tail -n 1)
  echo "peak memory decoding $mib MiB: ${rss} KiB"
done
