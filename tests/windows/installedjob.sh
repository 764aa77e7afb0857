#!/usr/bin/env bash
# The Windows installer under Wine, end to end: a silent install into a fresh
# prefix, one whole job in the installed tool's window driven with xdotool on a
# private X server, and a silent uninstall. The terminals are played by the
# scripted test library beside the link bridge: requests are appended to
# $script, and every list the tool sends comes back in $replies as
# `config TERMINAL HEX`, compared whole with the bytes an operator expects.
#
# Needs what scripts/windows builds (build-windows/); exits 77 (skipped) and
# says why when something is missing, never passing without having run.
#
# Environment: PELSADO_WINDOWS_BUILD (build-windows/), WINE, WINE64, WINESERVER,
# XVFB, XDOTOOL, PELSADO_WINE_FONTS (Wine's TrueType faces, /usr/share/wine/fonts);
# PELSADO_WINDOWS_SCREENSHOT=FILE also saves the main window
# (Check1 ticked, its trace, 12 typed into Text1),
# PELSADO_WINDOWS_FAILURE_SHOT=FILE the screen at a failure, and
# PELSADO_WINDOWS_BRIDGE_ARCH=x86_64 uses the 64-bit bridge even where 32-bit
# programs run.
set -uo pipefail

skip() {
    echo "skipped: $*"
    exit 77
}
fail() {
    echo "FAILED: $*" >&2
    if [ -n "${DISPLAY:-}" ]; then
        echo "windows shown:" >&2
        for window in $("$XDOTOOL" search --onlyvisible --class . 2>/dev/null); do
            echo "  $("$XDOTOOL" getwindowname "$window" 2>/dev/null)" >&2
        done
        [ -n "${PELSADO_WINDOWS_FAILURE_SHOT:-}" ] && import -window root "$PELSADO_WINDOWS_FAILURE_SHOT"
    fi
    exit 1
}

build=${PELSADO_WINDOWS_BUILD:?}
installer=$(find "$build" -maxdepth 1 -name 'pelsado-*-win64.exe' 2>/dev/null | head -n 1)
[ -n "$installer" ] || skip "no installer in $build: Qt for Windows has not been built on this machine (scripts/windows)"
for tool in WINE WINE64 WINESERVER XVFB XDOTOOL; do
    [ -x "${!tool:-}" ] || skip "$tool not found"
done
{ command -v import && command -v convert; } >/dev/null || skip "ImageMagick not found"
# Wine's own faces, among them Tahoma for the default GUI family (Debian's fonts-wine).
wineFonts=${PELSADO_WINE_FONTS:-/usr/share/wine/fonts}
[ -f "$wineFonts/tahoma.ttf" ] || skip "no Wine fonts in $wineFonts (fonts-wine)"
for arch in i686 x86_64; do
    for file in "$build/bridge-$arch/bin/wendalink-bridge.exe" "$build/scripted/$arch/wendalink.dll"; do
        [ -f "$file" ] || skip "$file missing (scripts/windows bridge scripted)"
    done
done

# Long enough for a loaded machine: Wine starts a fresh prefix in seconds.
readonly bound=90
# What the option table puts in the list for Check1 ("Disable EAN-13") alone,
# and with Check56 ("Reset Active configuration...", ticked by every Save) before it.
readonly check1List=5241000000 savedList=5a410000005241000000
# The tool's client area and the places on it, in pixels (the layout's twips / 15).
readonly clientWidth=919 clientHeight=611
readonly check1X=60 check1Y=64 check2Y=80
readonly fileMenuX=14 serialMenuX=90 menuBarY=-10
readonly dialogWidth=238 dialogHeight=139
readonly combo1X=150 combo1Y=26 combo2Y=50 okX=196 okY=108
# Text1 (in the "Code 93" frame) and the command trace Text11, and how many
# pixel columns of ink their text must add: a caret is one column, "12" five and
# the shortest trace over forty.
readonly text1X=280 text1Y=96 text1Width=25 text11X=0 text11Y=584 text11Width=745 fieldHeight=19
readonly typedInk=3 traceInk=20
# The file dialog's name field, from its bottom-right corner.
readonly nameFromRight=350 nameFromBottom=44

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
script=$work/script.txt
replies=$work/replies.txt
: >"$script"
: >"$replies"
xvfb=
cleanup() {
    "$WINESERVER" -k 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

windows_path() { # Wine shows the whole Linux tree as drive Z:
    local path=${1//\//\\}
    echo "Z:$path"
}

step() { echo "-- $*"; }

# Waits until `condition ARGS` holds, or fails naming `what`.
wait_for() {
    local what=$1
    shift
    local deadline=$((SECONDS + bound))
    until "$@"; do
        [ $SECONDS -lt $deadline ] || fail "$what: not within $bound s"
        sleep 0.2
    done
}

window_named() { "$XDOTOOL" search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
# Keys go to the window under the pointer: no window manager gives focus here.
point_into() {
    eval "$("$XDOTOOL" getwindowgeometry --shell "$1")"
    "$XDOTOOL" mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
}
has_window() { [ -n "$(window_named "$1")" ]; }
no_window() { [ -z "$(window_named "$1")" ]; }
# A window of the tool's other than the main window (the file dialog has no title).
dialog_window() {
    "$XDOTOOL" search --onlyvisible --class pelsado 2>/dev/null | grep -vx "$main" | head -n 1
}
has_dialog() { [ -n "$(dialog_window)" ]; }
no_dialog() { [ -z "$(dialog_window)" ]; }
has_line() { grep -qxF "$1" "$replies"; }
count_lines() { grep -cxF "$1" "$replies"; }
more_lines_than() { [ "$(count_lines "$1")" -gt "$2" ]; }

# The origin of a window's client area of WIDTH x HEIGHT pixels at the bottom
# of its X window, borders alike on three sides (whether Wine or nobody draws
# the frame), in $originX $originY.
client_origin() {
    local window=$1 width=$2 height=$3
    eval "$("$XDOTOOL" getwindowgeometry --shell "$window")"
    local border=$(((WIDTH - width) / 2))
    originX=$((X + border))
    originY=$((Y + HEIGHT - border - height))
}

# How many pixel columns inside the field at X Y (in the client area) WIDTH
# pixels wide carry ink, the field's frame left out.
ink_columns() {
    local inset=3
    local width=$(($3 - 2 * inset)) height=$((fieldHeight - 2 * inset))
    import -window root -crop "${width}x$height+$((originX + $1 + inset))+$((originY + $2 + inset))" png:- \
        | convert png:- -colorspace gray -threshold 50% -negate -scale "${width}x1!" -threshold 0 \
            -format '%[fx:round(mean * w)]' info:
}

click_at() {
    "$XDOTOOL" mousemove "$1" "$2" click 1
    sleep 0.5
}

# Answers the message box the tool opens (title "Pelsado").
answer_message() {
    wait_for "message box" has_window '^Pelsado$'
    local box
    box=$(window_named '^Pelsado$')
    point_into "$box"
    "$XDOTOOL" key Return
    wait_for "message box closing" no_window '^Pelsado$'
}

request() {
    echo "$1" >>"$script"
    wait_for "answer to '$1': $2" has_line "$2"
}

# True once WINDOW keeps its place and size for a second, which it then has in
# $X $Y $WIDTH $HEIGHT: Wine may map a dialog before giving it its final size.
settled() {
    local before
    before=$("$XDOTOOL" getwindowgeometry --shell "$1")
    sleep 1
    eval "$("$XDOTOOL" getwindowgeometry --shell "$1")"
    [ "$before" = "$("$XDOTOOL" getwindowgeometry --shell "$1")" ]
}

# The File menu's entry at POSITION (1 Load, 2 Save, 3 Exit).
file_menu() {
    click_at $((originX + fileMenuX)) $((originY + menuBarY))
    for ((i = 0; i < $1; ++i)); do "$XDOTOOL" key Down; done
    "$XDOTOOL" key Return
}

# Load or Save, with the name typed into the file dialog.
file_command() {
    local name=$2
    file_menu "$1"
    wait_for "file dialog" has_dialog
    wait_for "file dialog laid out" settled "$(dialog_window)"
    click_at $((X + WIDTH - nameFromRight)) $((Y + HEIGHT - nameFromBottom))
    "$XDOTOOL" key End shift+Home type --delay 50 "$name"
    "$XDOTOOL" key Return
    wait_for "file dialog closing" no_dialog
    sleep 1 # the command goes on once the dialog is gone
}

start_tool() {
    : >"$script" # a new bridge reads the script from its start
    (cd "$work" && exec "$WINE64" "$program/pelsado.exe") >"$work/tool.log" 2>&1 &
    tool=$!
    answer_message
    wait_for "main window" has_window '^Halvek Pelsado'
    main=$(window_named '^Halvek Pelsado')
    client_origin "$main" $clientWidth $clientHeight
}

stop_tool() {
    file_menu 3
    local deadline=$((SECONDS + bound))
    while kill -0 "$tool" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || fail "the tool did not end after File > Exit"
        sleep 0.2
    done
}

step "X server"
exec 3>"$work/display"
"$XVFB" -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
wait_for "X server" test -s "$work/display"
export DISPLAY=:$(head -n 1 "$work/display")

step "silent install of $(basename "$installer")"
# /D= takes the rest of the command line unquoted, so its words go as they are.
"$WINE64" "$installer" /S '/D=C:\Program' 'Files\Pelsado' || fail "the installer failed"
program=$WINEPREFIX/drive_c/Program\ Files/Pelsado
# Debian's Wine 8 looks for its own faces under a path it cannot resolve
# (/usr/share/wine/../fonts), so the default GUI family would fall back to the
# first face fontconfig lists; Windows keeps them in its Fonts folder, and so
# does this prefix.
cp "$wineFonts"/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" || fail "Wine's fonts not copied"
# Smoothed text as Windows has it by default: Wine's Tahoma drawn unsmoothed at
# the captions' 7 points loses the stems of "i" and "l".
desktop='HKCU\Control Panel\Desktop'
"$WINE64" reg add "$desktop" /v FontSmoothing /t REG_SZ /d 2 /f >/dev/null \
    && "$WINE64" reg add "$desktop" /v FontSmoothingType /t REG_DWORD /d 2 /f >/dev/null \
    || fail "font smoothing not set"
for file in pelsado.exe wendalink-bridge.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll \
    platforms/qwindows.dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll Uninstall.exe; do
    [ -f "$program/$file" ] || fail "not installed: $file"
done
[ -f "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Pelsado/Pelsado.lnk" ] \
    || fail "no Start-menu entry"

# The installed bridge is the 32-bit one; where this machine runs no 32-bit
# program, the 64-bit build of the same source takes its place.
if [ "${PELSADO_WINDOWS_BRIDGE_ARCH:-i686}" = i686 ] \
    && "$WINE" "$build/bridge-i686/bin/wendalink-bridge.exe" </dev/null >/dev/null 2>&1; then
    arch=i686
else
    arch=x86_64
    cp "$build/bridge-x86_64/bin/wendalink-bridge.exe" "$program/"
fi
step "link bridge and scripted library: $arch"
cp "$build/scripted/$arch/wendalink.dll" "$program/"
export WENDALINK_SCRIPT WENDALINK_REPLIES
WENDALINK_SCRIPT=$(windows_path "$script")
WENDALINK_REPLIES=$(windows_path "$replies")

step "start: the base station's message answered"
start_tool
has_line "call InitializeComm 1 19200" || fail "first start did not open port 1 at 19200 baud"

step "Check1 ticked in the window; terminal 1 asks"
click_at $((originX + check1X)) $((originY + check1Y))
request "request 1" "config 1 $check1List"

# A font whose line height GDI and Qt disagree on puts a field's text above
# the field: under Wine that is the stand-in for the default face when Wine's
# own fonts are missing.
step "the trace and digits typed into Text1 are drawn"
sleep 0.5 # the trace is set as the list is sent
ink=$(ink_columns $text11X $text11Y $text11Width)
[ "$ink" -ge $traceInk ] || fail "Text11 drawn blank ($ink columns of ink): Wine's fonts missing?"
before=$(ink_columns $text1X $text1Y $text1Width)
click_at $((originX + text1X + text1Width / 2)) $((originY + text1Y + fieldHeight / 2))
"$XDOTOOL" type --delay 50 12
sleep 0.5
ink=$(ink_columns $text1X $text1Y $text1Width)
[ "$ink" -ge $((before + typedInk)) ] \
    || fail "Text1 drawn blank after typing 12 (ink in $before, then $ink columns): Wine's fonts missing?"
if [ -n "${PELSADO_WINDOWS_SCREENSHOT:-}" ]; then
    import -window "$main" "$PELSADO_WINDOWS_SCREENSHOT"
fi
"$XDOTOOL" key ctrl+a BackSpace # the saved file below has Text1 empty

step "File > Save to C:\\job.cfg"
file_command 2 'C:\job.cfg'
wait_for "C:\\job.cfg written" test -f "$WINEPREFIX/drive_c/job.cfg"
cmp "$WINEPREFIX/drive_c/job.cfg" "$(dirname "$0")/saved-check1.cfg" || fail "C:\\job.cfg differs"

step "Check1 cleared, Check2 ticked, then File > Load of C:\\job.cfg; terminal 2 asks"
click_at $((originX + check1X)) $((originY + check1Y))
click_at $((originX + check1X)) $((originY + check2Y))
file_command 1 'C:\job.cfg'
request "request 2" "config 2 $savedList"

step "Serial Configurations: Com3 at 9600 baud"
click_at $((originX + serialMenuX)) $((originY + menuBarY))
wait_for "serial dialog" has_window '^Serial Configurations$'
dialog=$(window_named '^Serial Configurations$')
dialogOriginX=$originX dialogOriginY=$originY
client_origin "$dialog" $dialogWidth $dialogHeight
click_at $((originX + combo1X)) $((originY + combo1Y))
"$XDOTOOL" key ctrl+a type Com3
click_at $((originX + combo1X)) $((originY + combo2Y))
"$XDOTOOL" key ctrl+a type 9600
click_at $((originX + okX)) $((originY + okY))
originX=$dialogOriginX originY=$dialogOriginY
answer_message
wait_for "serial dialog closing" no_window '^Serial Configurations$'
has_line "call InitializeComm 3 9600" || fail "the dialog's OK did not reopen port 3 at 9600 baud"
stop_tool

step "the choice kept in the registry"
boot=$("$WINE64" reg query 'HKCU\Software\Pelsado\Pelsado\Boot' 2>/dev/null | tr -d '\r')
grep -Eq '^ +ComPort +REG_SZ +Com3$' <<<"$boot" || fail "ComPort not kept: $boot"
grep -Eq '^ +BaudRate +REG_SZ +9600$' <<<"$boot" || fail "BaudRate not kept: $boot"

step "next start opens Com3 at 9600 baud"
opened=$(count_lines "call InitializeComm 3 9600")
start_tool
more_lines_than "call InitializeComm 3 9600" "$opened" || fail "the next start did not use the kept choice"
stop_tool

step "silent uninstall"
"$WINE64" "$program/Uninstall.exe" /S || fail "the uninstaller failed"
"$WINESERVER" -w # the uninstaller runs on from a copy of itself
if [ -d "$program" ] && [ -n "$(ls -A "$program")" ]; then
    fail "left in the program folder: $(ls -A "$program" | tr '\n' ' ')"
fi
echo "passed"
