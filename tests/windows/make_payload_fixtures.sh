#!/bin/bash
# Makes the launchers of the payload scenario on the host, with the payload
# writer's command line (payload-tool) and osslsigncode, into OUT_DIR:
#   end.exe                  unsigned, a good chain at the end of the file
#   end_corrupt.exe          unsigned, the chain's manifest signature broken
#   extension.exe            signed; the signing certificate carries the chain
#   extension_corrupt.exe    the same with the broken chain (and none at the end)
#   table.exe                signed (plain certificate); chain inside the table
#   critical.exe             a critical payload extension with the broken chain,
#                            and the good chain inside the table
# The chains' only package is for an architecture no machine has, so a launcher
# that reads its payload stops at the selection.  table.verify keeps what
# `osslsigncode verify` says of table.exe.  The Authenticode key is made here,
# in the build tree, each time.
#   make_payload_fixtures.sh PAYLOAD_TOOL MSILAUNCH_EXE PAYLOAD_KEY OUT_DIR
set -euo pipefail
tool=$1 exe=$2 key=$3 out=$4
work=$out/work
rm -rf "$out"
mkdir -p "$work"
(umask 077 && openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$work/authenticode-key.pem" 2> /dev/null)
akey=$work/authenticode-key.pem
printf 'main.msi stand-in\n' > "$work/main.msi"
printf 'MSCF data1.cab stand-in\n' > "$work/data1.cab"
content=(--line 1000 'Alpha\1033\{6F1C2A3B-4D5E-4F60-8172-93A4B5C6D7E8}\Fixture Product'
         --line 1001 'cab\1000\data1.cab' --file 1000 "$work/main.msi" --file 1001 "$work/data1.cab")
"$tool" chain --key "$key" --out "$work/good.chain" "${content[@]}"
"$tool" chain --key "$key" --out "$work/corrupt.chain" --corrupt-manifest "${content[@]}"

sign() {  # CERT_OPTIONS... -- IN OUT
    local options=()
    while [ "$1" != -- ]; do options+=("$1"); shift; done
    "$tool" certificate --key "$akey" --cn "msilaunch fixture" --out "$work/cert.pem" "${options[@]}"
    osslsigncode sign -certs "$work/cert.pem" -key "$akey" -in "$2" -out "$3" > /dev/null
    cp "$work/cert.pem" "$3.pem"
}

"$tool" append "$exe" "$work/good.chain" "$out/end.exe"
"$tool" append "$exe" "$work/corrupt.chain" "$out/end_corrupt.exe"
sign --payload "$work/good.chain" -- "$exe" "$out/extension.exe"
sign --payload "$work/corrupt.chain" -- "$exe" "$out/extension_corrupt.exe"
sign -- "$exe" "$work/plain.exe"
"$tool" append-table "$work/plain.exe" "$work/good.chain" "$out/table.exe"
cp "$work/plain.exe.pem" "$out/table.exe.pem"
sign --critical-payload "$work/corrupt.chain" -- "$exe" "$work/critical-plain.exe"
"$tool" append-table "$work/critical-plain.exe" "$work/good.chain" "$out/critical.exe"
osslsigncode verify -CAfile "$out/table.exe.pem" -in "$out/table.exe" > "$out/table.verify" 2>&1 || true
rm -rf "$work"
touch "$out/stamp"
