#!/bin/bash
# Makes the setup programs of the package builder's scenarios on the host, with
# msilaunch-pack from real MSIs (scripts/make-product-msi: the example product
# for x64 and Intel, each in US English and German), into OUT_DIR:
#   setup-end.exe        the unsigned launcher, payload at the end of the image
#   setup-table.exe      the launcher signed with osslsigncode, payload in the
#                        certificate table behind the signature
#   setup-extension.exe  the same signed launcher, payload in an extension of
#                        an extra certificate of the signature
#   table.verify, extension.verify   what `osslsigncode verify` says of them
#   md5sums.txt          "ID NAME MD5": main.msi and the CABs of each MSI line
#                        (from `extract --all`)
#   choices.txt          "SETUP ARCH LOCALE ID": the MSI line that
#                        `msilaunch-pack inspect` chooses for the architecture
#                        (x64, Intel) and the locale's LCID (en_US 1033,
#                        de_AT 3079, ru_RU 1049)
#   lib.sh               the scenarios' helpers (tests/windows/pack_scenarios.sh)
# The Authenticode key and certificate are made here, in the build tree, each
# time.  Product codes are those of the installation fixtures; each MSI's name
# is "msilaunch Pack <arch> <language>".
#   make_pack_fixtures.sh MSILAUNCH_PACK MSILAUNCH_EXE PAYLOAD_KEY OUT_DIR
set -euo pipefail
pack=$1 exe=$2 key=$3 out=$4
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$out/work
rm -rf "$out"
mkdir -p "$work"

intel='{6F1C2A3B-4D5E-4F60-8172-93A4B5C6D7E8}'
x64='{0D9E8F7A-6B5C-4D3E-9F21-0A1B2C3D4E5F}'
msi() {  # ARCH LANGS CODE NAME DIR
    "$root/scripts/make-product-msi" --arch "$1" --lang "$2" --code "$3" --name "$4" --out "$work/$5" \
        --data-bytes 1500000 > /dev/null
}
msi x64 1033 "$x64" "msilaunch Pack x64 en" x64-en
msi x64 1031 "$x64" "msilaunch Pack x64 de" x64-de
msi x86 1033 "$intel" "msilaunch Pack Intel en" intel-en
msi x86 1031,3079 "$intel" "msilaunch Pack Intel de" intel-de
msis=("$work/x64-en/product.msi" "$work/x64-de/product.msi" "$work/intel-en/product.msi"
      "$work/intel-de/product.msi")

(umask 077 && openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/authenticode-key.pem" \
    -out "$work/authenticode.crt" -subj "/CN=msilaunch pack fixture" -days 3650 2> /dev/null)
osslsigncode sign -certs "$work/authenticode.crt" -key "$work/authenticode-key.pem" -n "msilaunch Pack" \
    -in "$exe" -out "$work/signed.exe" > /dev/null

"$pack" build --quiet --launcher "$exe" --key "$key" --out "$out/setup-end.exe" --placement end "${msis[@]}"
for placement in table extension; do
    "$pack" build --quiet --launcher "$work/signed.exe" --key "$key" --out "$out/setup-$placement.exe" \
        --placement "certificate-$placement" "${msis[@]}"
    osslsigncode verify -CAfile "$work/authenticode.crt" -in "$out/setup-$placement.exe" \
        > "$out/$placement.verify" 2>&1 || true
done

"$pack" extract "$out/setup-end.exe" --to "$work/extracted" --all > /dev/null
(cd "$work/extracted" && for file in */*; do
    printf '%s %s %s\n' "${file%%/*}" "${file#*/}" "$(md5sum < "$file" | cut -d' ' -f1)"
done) > "$out/md5sums.txt"

for setup in end table extension; do
    for arch in x64 Intel; do
        for case in en_US.UTF-8:1033 de_AT.UTF-8:3079 ru_RU.UTF-8:1049; do
            choice=$("$pack" inspect "$out/setup-$setup.exe" --arch "$arch" --lcid "${case#*:}" |
                sed -n 's/^  MSI line \([0-9]*\) of source .*/\1/p')
            [ -n "$choice" ] || { echo "inspect chose nothing for $setup $arch ${case#*:}" >&2; exit 1; }
            printf '%s %s %s %s\n' "$setup" "$arch" "${case%%:*}" "$choice"
        done
    done
done > "$out/choices.txt"
cp "$root/tests/windows/pack_scenarios.sh" "$out/lib.sh"
rm -rf "$work"
touch "$out/stamp"
