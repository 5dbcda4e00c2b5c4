#!/usr/bin/env bash
# End-to-end test of the window under a real X server of its own: draws a zero with real mouse
# events, presses "Опознать" and checks on a screenshot that a red label appeared just above
# the stroke. Then it clears the surface, draws "1", "2" and "3" side by side, recognises them
# and copies the numbers read with Ctrl+Shift+C: one number of three digits must come out.
# Last, with "Нейросеть", it draws a line and a zero just below it, whose label reaches across
# the line, and presses "Опознать" twice: both screenshots must be the same, and the drawing
# outside the label as it was drawn. The screenshot of the zero stays at SCREENSHOT.
#   EndToEnd.sh UMNOGLAZ_EXECUTABLE SCREENSHOT
set -euo pipefail

program="$1"
screenshot="$2"

for tool in Xvfb xdotool xclip import convert; do
    if ! command -v "$tool" >/dev/null; then
        echo "missing $tool: scripts/setup.sh installs it" >&2
        exit 1
    fi
done

scratch="$(mktemp -d)"
xvfb_pid=""
program_pid=""
finish() {
    local status=$?
    for pid in "$program_pid" "$xvfb_pid"; do
        if [ -n "$pid" ]; then
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
    rm -rf "$scratch"
    exit "$status"
}
trap finish EXIT

fail() {
    echo "FAIL: $*" >&2
    for log in "$scratch"/*.log; do
        [ -s "$log" ] && { echo "--- $(basename "$log")"; cat "$log"; } >&2
    done
    exit 1
}

# The server picks a free display number itself and writes it to file descriptor 3.
Xvfb -displayfd 3 -screen 0 1400x800x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$scratch/display" ] && break
    sleep 0.1
done
[ -s "$scratch/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$scratch/display")"
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$scratch}"
# Settings of its own: the method starts as "Повороты", and the user's choice stays as it was.
export XDG_CONFIG_HOME="$scratch/config"

"$program" >"$scratch/program.log" 2>&1 &
program_pid=$!
window="$(timeout 30 xdotool search --sync --onlyvisible --name '^Umnoglaz$' | head -n 1)" ||
    fail "the window did not appear"
eval "$(xdotool getwindowgeometry --shell "$window")" # X, Y: the client area on the screen

# Screen position of a work-raster point at the window's start view offset (100, 20).
screen_x() { echo $((X + 100 + $1)); }
screen_y() { echo $((Y + 20 + $1)); }

# How many pixels of a block of the screenshot have exactly one colour.
# The other pixels go through a colour that no drawing has, so that counting black counts
# only the black ones.
count_pixels() { # FILE COLOUR X Y W H
    convert "$1" -crop "$5x$6+$3+$4" +repage -fill 'rgb(1,2,3)' +opaque "$2" \
        -fill white -opaque "$2" -fill black -opaque 'rgb(1,2,3)' \
        -format '%[fx:round(mean*w*h)]' info:
}
red_pixels() { count_pixels "$1" 'rgb(255,0,0)' "${@:2}"; }
black_pixels() { count_pixels "$1" 'rgb(0,0,0)' "${@:2}"; }

# Wait until the white drawing surface is on the screen.
for _ in $(seq 50); do
    import -window root "$scratch/shot.png"
    white="$(count_pixels "$scratch/shot.png" 'rgb(255,255,255)' "$(screen_x 300)" "$(screen_y 200)" 10 10)"
    [ "$white" -eq 100 ] && break
    sleep 0.1
done
[ "$white" -eq 100 ] || fail "the drawing surface did not appear"

# A zero: an oval 40 wide and 60 high centred on raster point (300, 200), top at row 170.
points=()
for degrees in $(seq 270 10 630); do
    points+=($(awk -v d="$degrees" 'BEGIN {
        a = d * 3.14159265358979 / 180
        printf "%d %d", 300 + 20 * cos(a) + 0.5, 200 + 30 * sin(a) + 0.5 }'))
done
moves=()
for ((i = 0; i < ${#points[@]}; i += 2)); do
    moves+=(mousemove "$(screen_x "${points[i]}")" "$(screen_y "${points[i + 1]}")" sleep 0.02)
done
zero=("${moves[@]}")
xdotool mousemove "$(screen_x 300)" "$(screen_y 170)" sleep 0.1 mousedown 1 "${zero[@]}" mouseup 1
sleep 0.3

label_area=("$(screen_x 270)" "$(screen_y 145)" 60 25) # above the stroke's top row
stroke_area=("$(screen_x 270)" "$(screen_y 160)" 60 80)
import -window root "$scratch/before.png"
drawn="$(black_pixels "$scratch/before.png" "${stroke_area[@]}")"
[ "$drawn" -gt 200 ] || fail "the stroke did not appear ($drawn black pixels)"
[ "$(red_pixels "$scratch/before.png" "${label_area[@]}")" -eq 0 ] || fail "red before recognition"

# "Опознать" is Button2, 75 x 25 at (8, 56) in the client area.
xdotool mousemove $((X + 45)) $((Y + 68)) sleep 0.1 click 1
red=0
for _ in $(seq 40); do
    sleep 0.25
    import -window root "$screenshot"
    red="$(red_pixels "$screenshot" "${label_area[@]}")"
    [ "$red" -gt 5 ] && break
done
echo "screenshot: $screenshot"
[ "$red" -gt 5 ] || fail "no red label above the stroke ($red red pixels)"
echo "a red label of $red pixels appeared above the stroke of $drawn pixels"

# Raster points (x y x y ...) drawn as one stroke with the left button.
draw_stroke() {
    local moves=() i
    for ((i = 2; i < $#; i += 2)); do
        local x="${@:i+1:1}" y="${@:i+2:1}"
        moves+=(mousemove "$(screen_x "$x")" "$(screen_y "$y")" sleep 0.02)
    done
    xdotool mousemove "$(screen_x "$1")" "$(screen_y "$2")" sleep 0.1 mousedown 1 "${moves[@]}" \
        mouseup 1
}

# The keys go to the window under the pointer (no window manager runs): keep it over the window.
xdotool mousemove $((X + 45)) $((Y + 68)) sleep 0.1 key ctrl+l
sleep 0.3
# Cells 40 x 60 from row 300, close enough to be one number.
draw_stroke 300 312 310 300 310 360
draw_stroke 330 315 335 303 350 300 365 305 368 318 360 332 330 360 370 360
draw_stroke 390 305 405 300 420 305 423 315 415 328 402 330 415 332 425 345 420 357 405 360 390 355
sleep 0.3
xdotool mousemove $((X + 45)) $((Y + 68)) sleep 0.1 click 1
read=""
for _ in $(seq 40); do
    sleep 0.25
    xdotool key ctrl+shift+c
    read="$(timeout 5 xclip -o -selection clipboard 2>/dev/null || true)"
    [ -n "$read" ] && break
done
echo "numbers read from 1, 2, 3 drawn side by side: '${read//$'\n'/ | }'"
[[ "$read" =~ ^[0-9]{3}$ ]] || fail "not one number of three digits: '$read'"

# Waits until the program has handled everything sent to it before: the copy that follows is
# handled after them, and the clipboard then holds its numbers instead of "sync".
settle() {
    echo sync | xclip -selection clipboard
    xdotool mousemove $((X + 45)) $((Y + 68)) sleep 0.1 key ctrl+shift+c
    local copied=""
    for _ in $(seq 40); do
        copied="$(timeout 5 xclip -o -selection clipboard 2>/dev/null || true)"
        [ -n "$copied" ] && [ "$copied" != sync ] && return 0
        sleep 0.25
    done
    fail "the program did not answer the copy"
}

dark_pixels() { # FILE X Y W H: black or green, the drawing and its outline marks
    echo $(($(black_pixels "$@") + $(count_pixels "$1" 'rgb(0,255,0)' "${@:2}")))
}

xdotool mousemove $((X + 45)) $((Y + 68)) sleep 0.1 key ctrl+l key ctrl+m
sleep 0.3
draw_stroke 200 160 400 160 # 10 rows above the zero's top row, 170
xdotool mousemove "$(screen_x 300)" "$(screen_y 170)" sleep 0.1 mousedown 1 "${zero[@]}" mouseup 1
sleep 0.3
surface=("$(screen_x 0)" "$(screen_y 0)" 700 500)
# The label's cell hangs from the zero's first pixel, about (298, 168), over rows 153 to 165 and
# a few columns: left of, right of and below it the drawing shows as it was drawn.
left=("$(screen_x 150)" "$(screen_y 140)" 140 140)
right=("$(screen_x 315)" "$(screen_y 140)" 120 28)
below=("$(screen_x 150)" "$(screen_y 172)" 300 110)
import -window root "$scratch/drawn.png"
for part in left right below; do
    declare -n area="$part"
    declare "drawn_$part=$(dark_pixels "$scratch/drawn.png" "${area[@]}")"
done
[ "$drawn_left" -gt 200 ] && [ "$drawn_right" -gt 200 ] && [ "$drawn_below" -gt 200 ] ||
    fail "the line and zero did not appear"

for pass in 1 2; do
    xdotool mousemove $((X + 45)) $((Y + 68)) sleep 0.1 click 1
    settle
    import -window root "$scratch/pass$pass.png"
done
red="$(red_pixels "$scratch/pass1.png" "${label_area[@]}")"
[ "$red" -gt 5 ] || fail "no red label above the zero with the network ($red red pixels)"
for pass in 1 2; do
    convert "$scratch/pass$pass.png" -crop "${surface[2]}x${surface[3]}+${surface[0]}+${surface[1]}" \
        +repage "$scratch/surface$pass.png"
done
changed="$(compare -metric AE "$scratch/surface1.png" "$scratch/surface2.png" null: 2>&1 || true)"
[ "$changed" = 0 ] || fail "the second pass with the network changed $changed pixels"
for part in left right below; do
    declare -n area="$part" before="drawn_$part"
    after="$(dark_pixels "$scratch/pass2.png" "${area[@]}")"
    [ "$after" -eq "$before" ] || fail "the drawing $part of the label changed ($before, then $after)"
done
echo "two passes with the network: the same screen, and the drawing as drawn" \
    "($drawn_left, $drawn_right and $drawn_below dark pixels)"
