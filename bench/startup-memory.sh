#!/usr/bin/env bash
# Peak memory of the runtime under Wine for an installer whose file data lies after the package
# section and whose uninstaller is built without the section, against a small installer of the same
# kind: the file data must be read in portions, never held whole, and the uninstaller image must
# not copy it. The peak working set and private bytes come from the Windows side (the peakmem
# helper reads the process's own counters while it runs).
#
#   bench/startup-memory.sh [MiB]     (default 300; data on /dev/shm)
#
# EXTERNAL=0 puts the file data inside the package section instead (the default layout of mvpack).
# RUNTIME=path/to/mvsetup.exe measures another runtime build. Uses the Wine session when one is
# running, otherwise starts one and stops it at the end.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
size=${1:-300}
work=${BENCH_DIR:-/dev/shm/mv-bench}
runtime=${RUNTIME:-$here/build/win32/src/mvsetup.exe}
limit_kib=$((30 * 1024))
external=${EXTERNAL:-1}
mkdir -p "$work"
ninja -C "$here/build/native" mvpack >/dev/null
ninja -C "$here/build/win32" mvsetup peakmem mvrun >/dev/null
mvpack="$here/build/native/tools/mvpack/mvpack"
peakmem="$here/build/win32/tests/helpers/peakmem.exe"

if [ ! -f "$here/build/wine/session.env" ]; then
  "$here/scripts/wine-session" start >/dev/null
  trap '"$here/scripts/wine-session" stop' EXIT
fi

to_windows() { local p; p=$(readlink -m "$1"); printf 'Z:%s' "${p//\//\\}"; }

# One installer: `mib` MiB of incompressible file data in 4 MiB chunks (xz preset 0).
make_installer() {  # make_installer NAME MIB
  local name=$1 mib=$2
  [ -f "$work/$name.bin" ] || head -c "$((mib * 1024 * 1024))" /dev/urandom >"$work/$name.bin"
  cat >"$work/$name.json" <<EOT
{
  "package": { "preset": 0, "extreme": false, "chunkSize": 4194304 },
  "settings": {
    "productFlags": { "compressFileData": true },
    "productFlags2": { "uninstallerWithoutPackage": true },
    "displayName": "Bench",
    "externalData": $external
  },
  "files": [ { "source": "$name.bin" } ]
}
EOT
  "$mvpack" build "$work/$name.json" --runtime "$runtime" -o "$work/$name-$external.exe" >/dev/null
}

measure() {  # measure NAME
  local exe="$work/$1-$external.exe" out
  out=$("$here/scripts/wine-exec" "$peakmem" 600000 "\"$(to_windows "$exe")\" /silent" | tr -d '\r')
  local ws pb code
  ws=$(sed -n 's/^peak working set: \([0-9]*\) KiB$/\1/p' <<<"$out")
  pb=$(sed -n 's/^peak private bytes: \([0-9]*\) KiB$/\1/p' <<<"$out")
  code=$(sed -n 's/^exit code: \([0-9]*\)$/\1/p' <<<"$out")
  [ -n "$ws" ] || { echo "$1: peakmem gave no reading: $out"; return 1; }
  local image
  image=$("$mvpack" verify "$exe" | sed -n 's/^Uninstaller image: \([0-9]*\) bytes\.$/\1/p')
  printf '%-6s %6d MiB installer: exit code %s, peak working set %6d KiB, peak private bytes %6d KiB, uninstaller image (mvpack verify) %s bytes\n' \
    "$1" "$(( $(stat -c %s "$exe") / 1048576 ))" "$code" "$ws" "$pb" "${image:-?}"
  eval "ws_$1=$ws"
}

make_installer small 1
make_installer large "$size"
measure small
measure large
echo "runtime: $(stat -c %s "$runtime") bytes"
if [ "$ws_large" -lt "$limit_kib" ]; then
  echo "peak working set of the $size MiB installer: ${ws_large} KiB, under the ${limit_kib} KiB target"
else
  echo "peak working set of the $size MiB installer: ${ws_large} KiB, OVER the ${limit_kib} KiB target"
  exit 1
fi
