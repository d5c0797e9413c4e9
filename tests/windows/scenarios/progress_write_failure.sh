# A write that fails because the drive is full (drive T: on a 2 MiB tmpfs):
# the Retry/Cancel question owned by the progress window, with its caption and
# the system text of code 29 naming the file; Retry while the drive is still
# full asks again, Retry after space was freed finishes the same file with no
# byte written twice, and Cancel ends the dialog with 2, the file left open.
. "$LANE/lib.sh"
class=MSI_STUB_WINDOW_CLASS_NAME
driver_out=$SCENARIO/driver.out
tiny=$SCENARIO/tiny
mkdir -p "$tiny"
mount -t tmpfs -o size=2m tmpfs "$tiny" || { echo "cannot mount the tiny drive"; exit 1; }
ln -s "$tiny" "$WINEPREFIX/dosdevices/t:"

# Leaves 748 KiB free: the first 512 KiB chunk fits, the second is cut short.
fill_drive() {
    rm -rf "$tiny"/*
    head -c $((1300 * 1024)) /dev/zero > "$tiny/filler"
}

# A 60-character product name: the dialog and its questions show 49.
name='Example Product Suite with a Long Name: 49 chars. + 11 more!'
shown=${name:0:49}
question_text='text=Write fault (T:\out\file0000.bin).'

# 1. Retry, still full: asked again; Retry with room: the file is finished.
fill_drive
wine "$BIN/dialog_driver.exe" --folder 'T:\out' --caption "$name" 1048576 > "$driver_out" 2>&1 &
driver=$!
out=$(robot window '#32770' "$shown" 120000)
echo "$out"
expect_line "question caption is the dialog's" "window class=#32770 caption=$shown" "$out"
expect_line "question text: code 29 and the file" "$question_text" "$out"
expect_eq "Retry and Cancel" "button=&Retry,button=Cancel" "$(grep '^button=' <<< "$out" | paste -sd,)"
expect_eq "one text line" 1 "$(grep -c '^text=' <<< "$out")"
dialog=$(robot window "$class" "$shown" 2000)
expect_line "the dialog stays behind its question" "window class=$class caption=$shown" "$dialog"
size_at_question=$(stat -c %s "$tiny/out/file0000.bin")
echo "size at the first question: $size_at_question"

out=$(robot window '#32770' "$shown" 2000 press Retry gone 10000 window '#32770' "$shown" 60000)
echo "$out"
expect_eq "asked again while the drive is full" 2 "$(grep -c "^window class=#32770 caption=$shown\$" <<< "$out")"
expect_eq "nothing more reached the full drive" "$size_at_question" "$(stat -c %s "$tiny/out/file0000.bin")"

rm "$tiny/filler"
out=$(robot window '#32770' "$shown" 2000 press Retry gone 10000)
echo "$out"
wait "$driver"
echo "driver exit=$?"
report=$(tr -d '\r' < "$driver_out")
echo "$report"
expect_line "Retry finishes: result 1" "result=1" "$report"
expect_line "the file is whole and exact" \
    'file=T:\out\file0000.bin size=1048576 written=1048576 handle=closed content=match' "$report"
expect_eq "its size on the drive" 1048576 "$(stat -c %s "$tiny/out/file0000.bin")"

# 2. Cancel: result 2; the file keeps what reached the drive, still open.
fill_drive
wine "$BIN/dialog_driver.exe" --folder 'T:\out' --caption "$name" 1048576 > "$driver_out" 2>&1 &
driver=$!
out=$(robot window '#32770' "$shown" 120000 press Cancel gone 10000)
echo "$out"
wait "$driver"
echo "driver exit=$?"
report=$(tr -d '\r' < "$driver_out")
echo "$report"
expect_line "Cancel ends with 2" "result=2" "$report"
size=$(stat -c %s "$tiny/out/file0000.bin")
expect_line "the cut file is left open and holds only what was written" \
    "file=T:\\out\\file0000.bin size=$size written=$size handle=open content=match" "$report"
umount "$tiny"
finish
