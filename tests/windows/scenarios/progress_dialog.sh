# The progress window over real files (tools/dialog_driver): its class and
# caption, its progress bar, that it closes by itself with result 1 once every
# file is written whole, that Escape and Alt+F4 do not close it, and product
# names of 49 characters (shown whole) and 60 characters (cut to 49).
. "$LANE/lib.sh"
class=MSI_STUB_WINDOW_CLASS_NAME
driver_out=$SCENARIO/driver.out

# Starts the driver in the background: run_driver FOLDER CAPTION SIZE...
run_driver() {
    local folder=$1 caption=$2
    shift 2
    wine "$BIN/dialog_driver.exe" --folder "$folder" --caption "$caption" "$@" > "$driver_out" 2>&1 &
    driver_pid=$!
    driver_start=$SECONDS
}

# Waits for the driver (in this shell: it is this shell's child); keeps its
# report in $report and the report without the per-file lines in $summary.
wait_driver() {
    wait "$driver_pid"
    local code=$?
    report=$(tr -d '\r' < "$driver_out")
    echo "driver exit=$code after $((SECONDS - driver_start)) s"
    summary=$(grep -v '^file=' <<< "$report")
    echo "$summary"
}

# 1. A normal run: files of several sizes, an empty one among them.
run_driver 'C:\normal' "Example Product" 67108864 1048576x3 524289 0
out=$(robot window "$class" "Example Product" 60000 childtext msctls_progress32 gone 300000)
echo "$out"
wait_driver
expect_line "dialog class and caption" "window class=$class caption=Example Product" "$out"
expect_eq "one progress bar child" 1 "$(grep -c '^childtext=$' <<< "$out")"
expect_eq "no button on the dialog" 0 "$(grep -c '^button=' <<< "$out")"
expect_line "closed by itself with result 1" "result=1" "$summary"
expect_line "every file complete and closed" "complete=6 of 6" "$summary"
expect_line "the empty file" 'file=C:\normal\file0005.bin size=0 written=0 handle=closed content=match' "$report"

# 2. Escape and Alt+F4 while the files are written: 800 small files keep the
# dialog busy for at least 16 s (two steps per file, at most one per 10 ms).
run_driver 'C:\keys' "Key Test" 1000x800
out=$(robot window "$class" "Key Test" 60000 key escape sleep 1500 window "$class" "Key Test" 2000 \
      key alt+f4 sleep 1500 window "$class" "Key Test" 2000 gone 600000)
echo "$out"
wait_driver
expect_eq "still open after Escape and Alt+F4" 3 "$(grep -c "^window class=$class caption=Key Test\$" <<< "$out")"
expect_eq "every robot step passed" 0 "$(grep -c '^robot: FAIL' <<< "$out")"
expect_line "keys did not end it: result 1" "result=1" "$summary"
expect_line "every small file complete" "complete=800 of 800" "$summary"

# 3. Product names at and beyond the caption's limit.
name49='Example Product Suite with a Long Name: 49 chars.'
name60="${name49} + 11 more!"
expect_eq "the 49-character name has 49 characters" 49 "${#name49}"
for caption in "$name49" "$name60"; do
    shown=${caption:0:49}
    run_driver 'C:\caption' "$caption" 104857600
    out=$(robot window "$class" "$shown" 60000 childtext msctls_progress32 gone 300000)
    echo "$out"
    wait_driver
    expect_line "caption of a ${#caption}-character name" "window class=$class caption=$shown" "$out"
    expect_eq "bar with a ${#caption}-character name" 1 "$(grep -c '^childtext=$' <<< "$out")"
    expect_line "result with a ${#caption}-character name" "result=1" "$summary"
    expect_line "file with a ${#caption}-character name" "complete=1 of 1" "$summary"
done
finish
