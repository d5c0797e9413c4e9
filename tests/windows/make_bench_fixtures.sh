#!/bin/bash
# Makes the setup programs of the benchmark lane on the host, into OUT_DIR:
#   SIZE/setup.exe, SIZE/product.msi, SIZE/data1.cab   for each SIZE (MiB): the
#       x64 example product whose MSI and MSZIP cabinet together decode to
#       about SIZE MiB; the cabinet holds the POOL files (the build's own
#       binaries and sources) repeated, so it compresses as real files do
#   zeros-SIZE/setup.exe   for each --zeros SIZE (MiB): the same MSI with a
#       "cabinet" of SIZE MiB of zero bytes, a few MiB packed: a package whose
#       decoded size alone tests what memory allows
#   sizes, zero-sizes   the SIZEs, one per line
#   make_bench_fixtures.sh PAYLOAD_TOOL MSILAUNCH_EXE PAYLOAD_KEY OUT_DIR
#                          [--zeros SIZE]... SIZE... -- POOL_FILE...
set -euo pipefail
tool=$1 exe=$2 key=$3 out=$4
shift 4
sizes=() zeros=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do
    if [ "$1" = --zeros ]; then zeros+=("$2"); shift 2; else sizes+=("$1"); shift; fi
done
[ "${1:-}" = -- ] || { echo "make_bench_fixtures.sh: no -- POOL_FILE..." >&2; exit 2; }
shift
root=$(cd "$(dirname "$0")/../.." && pwd)
code='{0D9E8F7A-6B5C-4D3E-9F21-0A1B2C3D4E5F}'
name='msilaunch Example x64 en'
rm -rf "$out"
mkdir -p "$out/work"
work=$out/work
cat "$@" > "$work/pool"
pool_bytes=$(stat -c %s "$work/pool")
# The cabinet is deflate in 32 KiB blocks, as gzip is: gzip's ratio on the
# pool tells how much data makes a cabinet of the wanted size.
packed_bytes=$(gzip -6 -c "$work/pool" | wc -c)

repeat_pool() {  # BYTES FILE
    local left=$1
    : > "$2"
    while [ "$left" -gt 0 ]; do
        head -c "$left" "$work/pool" >> "$2"
        left=$((left - pool_bytes))
    done
}

pack() {  # DIR CAB
    "$tool" chain --key "$key" --out "$work/setup.chain" \
        --line 1 "x64\\1033\\$code\\$name" --line 2 "cab\\1\\data1.cab" \
        --file 1 "$1/product.msi" --file 2 "$2"
    "$tool" append "$exe" "$work/setup.chain" "$1/setup.exe"
    rm -f "$work/setup.chain"
}

for size in "${sizes[@]}"; do
    dir=$out/$size
    data_bytes=$((size * 1048576 * pool_bytes / packed_bytes))
    repeat_pool "$data_bytes" "$work/data.bin"
    "$root/scripts/make-product-msi" --arch x64 --lang 1033 --code "$code" --name "$name" \
        --out "$dir" --data-file "$work/data.bin"
    pack "$dir" "$dir/data1.cab"
    echo "$size" >> "$out/sizes"
done
for size in "${zeros[@]}"; do
    dir=$out/zeros-$size
    "$root/scripts/make-product-msi" --arch x64 --lang 1033 --code "$code" --name "$name" --out "$dir"
    rm -f "$dir/data1.cab"
    truncate -s "$((size * 1048576))" "$work/zeros.cab"
    pack "$dir" "$work/zeros.cab"
    rm -f "$work/zeros.cab"
    echo "$size" >> "$out/zero-sizes"
done
rm -rf "$work"
touch "$out/stamp"
