# Where the launcher finds its payload, on real launchers made on the host
# (tests/windows/make_payload_fixtures.sh).  A launcher that reads a good
# chain gets as far as the selection, which finds no package for this machine
# (exit 13); a chain whose manifest signature is broken ends the run at once
# with 1392; no payload at all is 1168.  Every one shows string 101 alone.
#   - the chain at the end of an unsigned launcher;
#   - the chain in the signing certificate's extension, read through crypt32
#     (the broken one proves the extension was read: the file's end holds none);
#   - the chain inside the certificate table of a signed launcher, found by the
#     whole-image fallback;
#   - a critical payload extension (holding the broken chain) is passed over,
#     and the chain in the table is used.
. "$LANE/lib.sh"
fixtures=$LANE/payload
if [ ! -f "$fixtures/stamp" ]; then
    echo "skipped: no payload fixtures (the build has no private payload key)"
    exit 0
fi
downloads="$WINEPREFIX/drive_c/users/Public/Downloads"
mkdir -p "$downloads"
text='text=The installation file is either corrupted or does not support your processor architecture.'

run() {  # NAME EXIT
    cp "$fixtures/$1.exe" "$downloads/setup.exe"
    out=$(robot spawn 'C:\users\Public\Downloads\setup.exe' window '#32770' '*' 60000 press OK gone 10000 exit 30000)
    echo "== $1"
    echo "$out"
    expect_line "$1: box shows string 101" "$text" "$out"
    expect_eq "$1: one text line" 1 "$(grep -c '^text=' <<< "$out")"
    expect_line "$1: exit code" "exit=$2" "$out"
}

run end 13
run end_corrupt 1392
run extension 13
run extension_corrupt 1392
run table 13
run critical 13
finish
