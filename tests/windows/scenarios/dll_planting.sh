# No DLL from the launcher's folder or the current folder.  Copies of a DLL
# that leaves a marker when loaded are planted next to the program and in its
# current folder, and Wine is told to prefer such native copies (as Windows
# would take a DLL next to a program).  The positive control, a program that
# loads them by bare name, does load them; the launcher, running a whole
# install, loads none.
. "$LANE/lib.sh"
names="version.dll uxtheme.dll dwmapi.dll cryptsp.dll cryptbase.dll msasn1.dll crypt32.dll comctl32.dll"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;$(echo $names | sed 's/\.dll//g; s/ /,/g')=n,b"
downloads="$WINEPREFIX/drive_c/users/Public/Downloads"
markers="$WINEPREFIX/drive_c/plant-markers"
setup=$(stage_setup)
for name in $names; do
    cp "$BIN/planted.dll" "$downloads/$name"
    cp "$BIN/planted.dll" "$SCENARIO/tmp/$name"
done
cp "$BIN/naive_loader.exe" "$downloads/naive_loader.exe"

out=$(robot run "C:\\users\\Public\\Downloads\\naive_loader.exe $names" 60000)
expect_line "positive control: every planted DLL loaded" "exit=0" "$out"
expect_eq "positive control: markers" 8 "$(ls "$markers" 2>/dev/null | wc -l)"

rm -rf "$markers"
out=$(robot spawn "$setup /qn" exit 600000)
expect_line "launcher: installed" "exit=0" "$out"
expect_eq "launcher: no planted DLL loaded" "" "$(ls "$markers" 2>/dev/null; cat "$markers"/* 2>/dev/null)"
finish
