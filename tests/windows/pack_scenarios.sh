# Helpers of the package builder's lane scenarios (pack_*.sh), staged by
# make_pack_fixtures.sh as $LANE/pack/lib.sh and sourced after $LANE/lib.sh.
# The setup programs, md5sums.txt and choices.txt are the fixture script's.
PACK=$LANE/pack

# Exits the scenario (passing) when the build made no fixtures.
require_pack_fixtures() {
    if [ ! -f "$PACK/stamp" ]; then
        echo "skipped: no package builder fixtures (the build has no private payload key)"
        exit 0
    fi
}

# setup-PLACEMENT.exe copied to the user's downloads; prints its Windows path.
stage_pack_setup() {  # PLACEMENT
    local downloads="$WINEPREFIX/drive_c/users/Public/Downloads"
    mkdir -p "$downloads"
    cp "$PACK/setup-$1.exe" "$downloads/setup-$1.exe"
    echo "C:\\users\\Public\\Downloads\\setup-$1.exe"
}

# The MD5 that the fixture script recorded for file NAME of MSI line ID.
pack_md5() {  # ID NAME
    sed -n "s/^$1 $2 //p" "$PACK/md5sums.txt"
}

md5_of() {
    md5sum < "$1" 2>/dev/null | cut -d' ' -f1
}

# Installs setup-PLACEMENT.exe silently with the real Windows Installer on
# 64-bit Windows: exit code 0, the x64 US English package's files, its
# Uninstall entry in the 64-bit view, and the extracted package kept as the
# one packed as MSI line 1000.
check_pack_install() {  # PLACEMENT
    local setup out installed kept
    setup=$(stage_pack_setup "$1")
    out=$(robot spawn "$setup /qn" exit 600000)
    echo "$out"
    expect_line "[$1] exit code" "exit=0" "$out"
    installed="$WINEPREFIX/drive_c/Program Files/msilaunch Example"
    expect_eq "[$1] readme installed" yes "$([ -f "$installed/readme.txt" ] && echo yes)"
    expect_eq "[$1] data installed" 1500000 "$(stat -c %s "$installed/data.bin" 2>/dev/null)"
    expect_eq "[$1] registered in the 64-bit view" "msilaunch Pack x64 en" \
        "$(registry_value "$UNINSTALL\\$X64_CODE" DisplayName 64)"
    kept="$WINEPREFIX/drive_c/windows/Installer/$X64_CODE"
    expect_eq "[$1] extracted package kept" "data1.cab main.msi" "$(ls "$kept" 2>/dev/null | tr '\n' ' ' | sed 's/ $//')"
    expect_eq "[$1] the packed x64 en MSI" "$(pack_md5 1000 main.msi)" "$(md5_of "$kept/main.msi")"
}

# Runs setup-PLACEMENT.exe for each of its locales in choices.txt with a
# stand-in installer returning 0 and checks that the main.msi and data1.cab
# extracted are those of the MSI line that `msilaunch-pack inspect` chose for
# ARCH.
check_pack_choices() {  # PLACEMENT ARCH PRODUCT_CODE
    local kept="$WINEPREFIX/drive_c/windows/Installer/$3"
    local placement arch locale want setup out cases=0
    put_standin_installer
    while read -r placement arch locale want; do
        [ "$placement" = "$1" ] && [ "$arch" = "$2" ] || continue
        cases=$((cases + 1))
        setup=$(stage_pack_setup "$placement")
        rm -rf "$kept"
        out=$(LANG=$locale LC_ALL=$locale robot spawn "$setup /qn" exit 120000 < /dev/null)
        expect_line "[$placement $locale] exit code" "exit=0" "$out"
        expect_eq "[$placement $locale] main.msi of line $want" "$(pack_md5 "$want" main.msi)" \
            "$(md5_of "$kept/main.msi")"
        expect_eq "[$placement $locale] data1.cab of line $want" "$(pack_md5 "$want" data1.cab)" \
            "$(md5_of "$kept/data1.cab")"
    done < "$PACK/choices.txt"
    expect_eq "locales of $1 $2 in choices.txt" 3 "$cases"
}
