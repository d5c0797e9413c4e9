#!/bin/bash
# Makes the setup programs of the installation scenarios on the host, from real
# MSIs (scripts/make-product-msi: wixl, msibuild and gcab) packed with the
# payload writer's command line, into OUT_DIR:
#   setup.exe   the example product for 32-bit and 64-bit Windows, in US
#               English and German, each architecture's CAB shared by its MSIs
#   manifest.txt  the manifest lines it carries
#   md5sums.txt   "ID MD5" of each packed file, to tell which one was extracted
#   setup-large.exe  the x64 US English package alone with a 40 MB stored
#               cabinet, so that extraction takes seconds (its CAB is id 2001)
# Product codes and names tell the packages apart once installed: the name of
# each MSI is "msilaunch Example <arch> <language>".
#   make_install_fixtures.sh PAYLOAD_TOOL MSILAUNCH_EXE PAYLOAD_KEY OUT_DIR
set -euo pipefail
tool=$1 exe=$2 key=$3 out=$4
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$out/work
rm -rf "$out"
mkdir -p "$work"

intel='{6F1C2A3B-4D5E-4F60-8172-93A4B5C6D7E8}'
x64='{0D9E8F7A-6B5C-4D3E-9F21-0A1B2C3D4E5F}'
# data.bin is 1,500,000 bytes in the Intel package and 1,600,000 in the x64
# one, so their cabinets differ.
msi() {  # ARCH LANGS CODE NAME DIR
    local bytes=1500000
    [ "$1" = x64 ] && bytes=1600000
    "$root/scripts/make-product-msi" --arch "$1" --lang "$2" --code "$3" --name "$4" --out "$work/$5" --data-bytes "$bytes"
}
msi x86 1033 "$intel" "msilaunch Example Intel en" intel-en
msi x86 1031,3079 "$intel" "msilaunch Example Intel de" intel-de
msi x64 1033 "$x64" "msilaunch Example x64 en" x64-en
msi x64 1031 "$x64" "msilaunch Example x64 de" x64-de
# One cabinet per architecture, shared by its MSIs (same files, same keys).
lines=(
    --line 1000 "Intel\\1033\\$intel\\msilaunch Example Intel en"
    --line 1001 "Intel\\1031;3079\\$intel\\msilaunch Example Intel de"
    --line 1002 "cab\\1000;1001\\data1.cab"
    --line 1003 "x64\\1033\\$x64\\msilaunch Example x64 en"
    --line 1004 "x64\\1031\\$x64\\msilaunch Example x64 de"
    --line 1005 "cab\\1003;1004\\data1.cab"
)
files=(
    --file 1000 "$work/intel-en/product.msi" --file 1001 "$work/intel-de/product.msi"
    --file 1002 "$work/intel-en/data1.cab"
    --file 1003 "$work/x64-en/product.msi" --file 1004 "$work/x64-de/product.msi"
    --file 1005 "$work/x64-en/data1.cab"
)
"$tool" chain --key "$key" --out "$work/setup.chain" "${lines[@]}" "${files[@]}"
"$tool" append "$exe" "$work/setup.chain" "$out/setup.exe"
for ((i = 1; i < ${#lines[@]}; i += 3)); do printf '%s %s\n' "${lines[i]}" "${lines[i + 1]}"; done > "$out/manifest.txt"
for ((i = 1; i < ${#files[@]}; i += 3)); do printf '%s %s\n' "${files[i]}" "$(md5sum < "${files[i + 1]}" | cut -d' ' -f1)"; done > "$out/md5sums.txt"
"$root/scripts/make-product-msi" --arch x64 --lang 1033 --code "$x64" --name "msilaunch Example x64 en" \
    --out "$work/large" --data-bytes 40000000 --cab-compression none
"$tool" chain --key "$key" --out "$work/large.chain" \
    --line 2000 "x64\\1033\\$x64\\msilaunch Example x64 en" --line 2001 "cab\\2000\\data1.cab" \
    --file 2000 "$work/large/product.msi" --file 2001 "$work/large/data1.cab"
"$tool" append "$exe" "$work/large.chain" "$out/setup-large.exe"
printf '2000 %s\n2001 %s\n' "$(md5sum < "$work/large/product.msi" | cut -d' ' -f1)" \
    "$(md5sum < "$work/large/data1.cab" | cut -d' ' -f1)" >> "$out/md5sums.txt"
rm -rf "$work"
touch "$out/stamp"
