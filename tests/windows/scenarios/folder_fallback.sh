# When the output files cannot be created under the Windows Installer folder
# (here a plain file stands where the product's folder would be), the attempt
# is rolled back and the folder browser asks for another folder, with string
# 102 as its prompt and the documents folder selected.  Cancel ends with 1223,
# no box and nothing left behind; OK puts the files into the picked folder,
# under the product code.
. "$LANE/lib.sh"
setup=$(stage_setup)
put_standin_installer
blocker="$WINEPREFIX/drive_c/windows/Installer/$X64_CODE"
mkdir -p "$(dirname "$blocker")"
echo "not a folder" > "$blocker"
prompt='text=Select a folder where you want to extract the installation files:'

out=$(robot spawn "$setup /qn" window '#32770' '*' 120000 press Cancel gone 10000 exit 60000)
echo "$out"
expect_line "browser prompt is string 102" "$prompt" "$out"
expect_line "cancel: exit code, no box" "exit=1223" "$out"
expect_eq "the blocking file is untouched" "not a folder" "$(cat "$blocker")"
expect_eq "nothing left anywhere" "" "$(find "$WINEPREFIX/drive_c" -path '*/windows/Installer' -prune -o -name "$X64_CODE" -print)"

out=$(robot spawn "$setup /qn" window '#32770' '*' 120000 press OK gone 10000 exit 120000)
echo "$out"
expect_line "ok: the package installs from the picked folder" "exit=0" "$out"
found=$(find "$WINEPREFIX/drive_c/users" -path "*/$X64_CODE/main.msi" | head -1)
expect_eq "main.msi under the documents folder" "Documents/$X64_CODE/main.msi" "$(echo "$found" | grep -o "Documents/.*")"
expect_eq "its CAB beside it" yes "$([ -f "$(dirname "$found")/data1.cab" ] && echo yes)"
expect_eq "the installer got that path" "$(wine winepath -w "$found" 2>/dev/null | tr -d '\r')" \
    "$(tr -d '\r' < "$WINEPREFIX/drive_c/standin.log" | sed -n 's/.* \/i \(.*\) \/qn$/\1/p' | tr -d '"' | head -1)"
finish
