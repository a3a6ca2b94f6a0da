#!/bin/bash
# Takes the documentation's pictures of the dialogs from the running program: the options dialog in
# English and in French and the about box in Korean, each on its own Xvfb with openbox, window frame
# included. Usage: dialog_pictures.sh <bin folder> <output folder>
set -euo pipefail

BIN=$(realpath "$1")
OUT=$(realpath "$2")
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# shoot LANGUAGE COMMAND PICTURE: starts the program with that language, asks it for the dialog
# (--options or --about), and saves the dialog's frame.
shoot() {
    local language=$1 command=$2 picture=$3
    local dir="$WORK/$language-$command"
    mkdir -p "$dir/runtime" "$dir/config"
    chmod 700 "$dir/runtime"
    cat >"$dir/Zorvane.xml" <<XML
<?xml version="1.0" encoding="iso-8859-1"?>
<Configuration>
  <Zorvane>
    <Language>$language</Language>
    <BackEffectType>2</BackEffectType>
    <BackEffectOption>wave.bmp,-1,20</BackEffectOption>
  </Zorvane>
</Configuration>
XML
    # Xvfb picks a free display and writes its number to descriptor 3.
    : >"$dir/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
    local xvfb=$!
    local display=""
    for _ in $(seq 100); do
        display=$(tr -dc '0-9' <"$dir/display")
        [ -n "$display" ] && break
        sleep 0.1
    done
    export DISPLAY=":$display" XDG_RUNTIME_DIR="$dir/runtime" XDG_CONFIG_HOME="$dir/config" TMPDIR="$dir/runtime"
    openbox --sm-disable >"$dir/openbox.log" 2>&1 &
    local wm=$!
    "$BIN/zorvane" --settings "$dir/Zorvane.xml" >"$dir/zorvane.log" 2>&1 &
    local program=$!
    # Wait for the end of the splash (a 189 pixel wide window), so that it is not in the picture.
    local seen=0
    for _ in $(seq 100); do
        local splash=0
        for candidate in $(xdotool search --onlyvisible --class zorvane 2>/dev/null); do
            xdotool getwindowgeometry "$candidate" | grep -q 'Geometry: 189x' && splash=1
        done
        [ "$splash" = 1 ] && seen=1
        [ "$seen" = 1 ] && [ "$splash" = 0 ] && break
        sleep 0.1
    done
    local window=""
    for _ in $(seq 100); do
        "$BIN/zorvane" "--$command" >>"$dir/remote.log" 2>&1 || true
        for candidate in $(xdotool search --onlyvisible --class zorvane 2>/dev/null); do
            local width
            width=$(xdotool getwindowgeometry "$candidate" | awk '/Geometry/ { split($2, s, "x"); print s[1] }')
            if [ "${width:-0}" -gt 300 ] && [ "${width:-0}" -lt 800 ]; then
                window=$candidate
                break
            fi
        done
        [ -n "$window" ] && break
        sleep 0.2
    done
    if [ -z "$window" ]; then
        echo "no $command dialog for $language" >&2
        kill "$program" "$wm" "$xvfb" 2>/dev/null || true
        wait 2>/dev/null || true
        return 1
    fi
    sleep 1 # let the window manager draw its frame
    local frame
    frame=$(xwininfo -id "$window" -children | awk '/Parent window id/ { print $4 }')
    local x y w h
    x=$(xwininfo -id "$frame" | awk '/Absolute upper-left X/ { print $4 }')
    y=$(xwininfo -id "$frame" | awk '/Absolute upper-left Y/ { print $4 }')
    w=$(xwininfo -id "$frame" | awk '/Width/ { print $2 }')
    h=$(xwininfo -id "$frame" | awk '/Height/ { print $2 }')
    import -window root "$dir/screen.png"
    /usr/bin/convert "$dir/screen.png" -crop "${w}x${h}+${x}+${y}" +repage "$OUT/$picture"
    echo "$OUT/$picture: frame ${w}x${h} at ${x},${y} on 1024x768"
    "$BIN/zorvane" --quit >>"$dir/remote.log" 2>&1 || true
    for _ in $(seq 50); do
        kill -0 "$program" 2>/dev/null || break
        sleep 0.1
    done
    kill "$program" "$wm" "$xvfb" 2>/dev/null || true
    wait "$program" "$wm" "$xvfb" 2>/dev/null || true
}

shoot English options options-en.png
shoot French options options-fr.png
shoot Korea about about-ko.png
