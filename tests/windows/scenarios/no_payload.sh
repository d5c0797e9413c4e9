# A launcher without payload: exactly one error box with string 101 alone and
# the launcher's file name as its caption, exit code 1168; no box with a quiet
# switch, and still 1168; "/qb" is no quiet switch.
. "$LANE/lib.sh"
downloads="$WINEPREFIX/drive_c/users/Public/Downloads"
mkdir -p "$downloads"
cp "$BIN/msilaunch.exe" "$downloads/setup.exe"
launcher='C:\users\Public\Downloads\setup.exe'
text='text=The installation file is either corrupted or does not support your processor architecture.'

for args in "" "/qb"; do
    out=$(robot spawn "$launcher $args" window '#32770' '*' 60000 press OK gone 10000 nowindow 3000 exit 30000)
    echo "$out"
    expect_line "box caption [$args]" "window class=#32770 caption=setup.exe" "$out"
    expect_line "box text is string 101 alone [$args]" "$text" "$out"
    expect_eq "one text line [$args]" 1 "$(grep -c '^text=' <<< "$out")"
    expect_line "exit code [$args]" "exit=1168" "$out"
done

for args in /quiet /QN /q; do
    out=$(robot spawn "$launcher $args" nowindow 5000 exit 30000)
    echo "$out"
    expect_line "no box, exit code [$args]" "exit=1168" "$out"
done
finish
