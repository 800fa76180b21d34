#!/usr/bin/env bash
# smoke-roots.sh [BINARY]: runs the portable launcher (default
# build/portable/bin/mavrel) inside the bullseye and bookworm test roots
# (make-root.sh test: only libx11-6 libxext6 libfontconfig1 libfreetype6
# fonts-dejavu-core beside minbase), against a private Xvfb whose socket is
# bind-mounted in, and drives it as a user does (xdotool from the host: the
# X socket is shared). In each root, on a copy of examples/demo with one
# more button naming a program that is not there:
#   - the demo window appears with its picture (many colours in it);
#   - a hover lights a button (its highlight colour appears);
#   - a click on "Say hello" runs the demo's script (its greeting, naming
#     the folder it ran in, is on the launcher's output);
#   - a click on the missing program's button shows the "Error" box;
#   - autorun.sh started from another folder shows the window, on the
#     medium as it is and on a noexec bind mount of it (through a private
#     copy, gone when the launcher ends);
#   - with libfontconfig.so.1 hidden, the window still shows its texts
#     (faces found in the font folders);
#   - with SMOKE_KIT=FOLDER (a kit made by make-kit.sh), the kit folder's own
#     mavrel shows its starter medium, and its mavrel-inspect draws that and
#     the author's medium of tests/tools/author_medium without a display;
#     and in the bullseye root, the kit's image (made by its own
#     mavrel-inspect) read back twice, as Linux reads it with Rock Ridge
#     (execute bits kept) and as a reader of Joliet alone does (no execute
#     bits, as udisks mounts such a medium), each started with
#     "sh autorun.sh": the window shows, and a click on the starter's first
#     button runs its Linux installer.
# Then, on the host, under a nested weston (Wayland only, no XWayland) on
# the same Xvfb, the window is drawn (SMOKE_WAYLAND=0 leaves it out).
# Prints the libraries mapped before main in each root. Leaves screenshots
# in smoke-*.png beside the launcher's folder (build/portable/ for
# build/portable/bin/mavrel), or in $SMOKE_OUT.
source "$(dirname "$0")/common.sh"
binary=${1:-$repo_root/build/portable/bin/mavrel}
[ -x "$binary" ] || { echo "smoke-roots: no launcher at $binary" >&2; exit 2; }
binary=$(cd "$(dirname "$binary")" && pwd)/$(basename "$binary")
suites=${SMOKE_SUITES-bullseye bookworm}
kit=${SMOKE_KIT:-}
# Screenshots beside the launcher's bin folder (BUILD_DIR of run.sh), so that
# two builds' runs keep theirs apart.
out=${SMOKE_OUT:-$(dirname "$(dirname "$binary")")}
mkdir -p "$out"
need_host_tools Xvfb=xvfb xwininfo=x11-utils import=imagemagick xdotool=xdotool
[ -z "$kit" ] || need_host_tools xorriso=xorriso
[ "${SMOKE_WAYLAND:-1}" = 0 ] || need_host_tools weston=weston

work=$(mktemp -d)
xvfb_pid='' weston_pid='' run_pid=''
cleanup() {
  [ -z "$run_pid" ] || kill "$run_pid" 2>/dev/null || true
  [ -z "$weston_pid" ] || kill "$weston_pid" 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

exec {displayfd}>"$work/display"
Xvfb -displayfd "$displayfd" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
display=:$(head -n 1 "$work/display")
[ "$display" != : ] || { echo "smoke-roots: Xvfb did not start" >&2; exit 1; }
export DISPLAY=$display

failed=0
fail() {
  echo "smoke-roots: FAIL: $*" >&2
  failed=1
}

# The demo and one button whose program is missing, below the others.
make_medium() { # FOLDER
  rm -rf "$1" && cp -r "$repo_root/examples/demo" "$1"
  sed -i 's/^Button\.2=Close\r\?$/&\nButton.3=Missing/' "$1/Mavrel.INI"
  printf '\n[Missing]\nBUTTON_TEXT=Missing program\nDESC_TEXT=Names a program that is not there.\nBUTTON_LOC.Y=290\nPROG_COMMAND=no-such-program\nEXIT_COMMAND=STAY\n' \
    >>"$1/Mavrel.INI"
  cp "$binary" "$1/mavrel"
  cp "$repo_root/kit/autorun.sh" "$1/autorun.sh"
}

# start_in ROOT NAME SCRIPT: runs SCRIPT (sh) inside ROOT in the
# background, the medium at /medium and the X socket bound in; its output
# goes to $work/NAME.log and its status to $work/NAME.status.
start_in() {
  local root=$1 name=$2 script=$3
  rm -f "$work/$name.status"
  # (Under set -e: the status is kept, not the end of the subshell.)
  (status=0
  BINDS="/tmp/.X11-unix:/tmp/.X11-unix $medium:/medium" IN_ROOT_ENV="DISPLAY=$display" \
    in_root "$root" sh -c "$script" >"$work/$name.log" 2>&1 || status=$?
  echo "$status" >"$work/$name.status") &
  run_pid=$!
}

# The first top-level window whose title matches $1 (an extended regular
# expression): prints its id; fails after 10 s or when the run named $2 has
# ended.
wait_window() {
  local id
  for _ in $(seq 100); do
    id=$(xwininfo -root -tree 2>/dev/null | grep -E "^ +0x[0-9a-f]+ \"$1\"" | awk '{print $1; exit}')
    [ -n "$id" ] && { echo "$id"; return 0; }
    [ -n "${2:-}" ] && [ -f "$work/$2.status" ] && return 1
    sleep 0.1
  done
  return 1
}

# rect WINDOW: "X Y WIDTH HEIGHT" on the screen.
rect() {
  xwininfo -id "$1" | awk '/Absolute upper-left X:/ {x=$NF} /Absolute upper-left Y:/ {y=$NF}
    /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'
}

# shot NAME X Y W H: a screenshot of that area in $out/smoke-NAME.png.
shot() {
  import -display "$display" -window root -crop "${4}x${5}+$2+$3" +repage "$out/smoke-$1.png" 2>/dev/null
}
colours() { convert "$out/smoke-$1.png" -format %k info:; }
# pixels NAME COLOUR [FUZZ]: how many pixels of the shot are within FUZZ
# (default 12%) of COLOUR.
pixels() {
  convert "$out/smoke-$1.png" -fuzz "${3:-12%}" -fill black +opaque "$2" -fill white -opaque "$2" \
    -format '%[fx:round(mean*w*h)]' info:
}

# end_run NAME WINDOW: ends the launcher that shows WINDOW (which ends the
# run) and waits for the run.
end_run() {
  local pid
  pid=$(xdotool getwindowpid "$2" 2>/dev/null || true)
  [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
  for _ in $(seq 50); do [ -f "$work/$1.status" ] && break; sleep 0.1; done
  [ -f "$work/$1.status" ] || [ -z "$2" ] || fail "$1: the run did not end with its launcher"
  kill "$run_pid" 2>/dev/null || true
  wait "$run_pid" 2>/dev/null || true
  run_pid=
}

# shows_picture NAME WINDOW: the window shows the demo's picture.
shows_picture() {
  local x y w h n
  read -r x y w h < <(rect "$2")
  shot "$1" "$x" "$y" "$w" "$h"
  n=$(colours "$1")
  if [ "$n" -ge 100 ]; then
    echo "smoke-roots: $1: the window shows its picture, ${w}x$h at $x,$y, $n colours"
  else
    fail "$1: the window (${w}x$h) shows $n colours, not the picture"
  fi
}

# clicked_and_ran NAME TEXT WHAT: the run NAME writes TEXT within 5 s of a
# click, which ran WHAT.
clicked_and_ran() {
  for _ in $(seq 50); do grep -qF "$2" "$work/$1.log" && break; sleep 0.1; done
  if grep -qF "$2" "$work/$1.log"; then
    echo "smoke-roots: $1: a click ran $3"
  else
    fail "$1: $3 did not run after the click: $(head -c 400 "$work/$1.log")"
  fi
}

# In the window of the demo: button rows (left 40, width 280, 30 high).
hello_y=170 missing_y=290 row_h=30
highlight='#FFFF00' text='#FFFFFF'

for suite in $suites; do
  root=$("$portable_dir/make-root.sh" test "$suite")
  share_root test "$suite"
  medium=$work/medium-$suite
  make_medium "$medium"
  before=$(BINDS="$medium:/medium" in_root "$root" sh -c 'ldd /medium/mavrel' | awk '{print $1}' |
    sed 's|.*/||' | paste -sd' ')
  echo "smoke-roots: $suite: mapped before main: $(wc -w <<<"$before") ($before)"

  # The launcher itself, from the medium's root.
  name=$suite-demo
  start_in "$root" "$name" 'cd /medium && exec ./mavrel'
  if window=$(wait_window "Mavrel Demo" "$name"); then
    shows_picture "$name" "$window"
    read -r x y w h < <(rect "$window")
    # Hover: the button's text takes the highlight colour.
    shot "$name-row" $((x + 40)) $((y + hello_y)) 280 "$row_h"
    lit_before=$(pixels "$name-row" "$highlight")
    xdotool mousemove $((x + 60)) $((y + hello_y + 12))
    sleep 0.5
    shot "$name-row" $((x + 40)) $((y + hello_y)) 280 "$row_h"
    lit=$(pixels "$name-row" "$highlight")
    if [ "$lit" -gt $((lit_before + 50)) ]; then
      echo "smoke-roots: $name: a hover lights the button ($lit_before -> $lit highlight pixels)"
    else
      fail "$name: the hover did not light the button ($lit_before -> $lit highlight pixels)"
    fi
    # A click runs the demo's script in its folder.
    xdotool click 1
    greeting="Hello from the Mavrel demo medium (running in /medium/extras)"
    clicked_and_ran "$name" "$greeting" "the script: \"$greeting\""
    # A missing program: the "Error" box.
    xdotool mousemove $((x + 60)) $((y + missing_y + 12)) sleep 0.3 click 1
    if box=$(wait_window Error "$name"); then
      read -r _ _ bw bh < <(rect "$box")
      echo "smoke-roots: $name: a missing program shows the \"Error\" box (${bw}x$bh)"
      xdotool key --window "$box" Return 2>/dev/null || true
    else
      fail "$name: no \"Error\" box for a missing program"
    fi
    end_run "$name" "$window"
  else
    fail "$name: no demo window; status $(cat "$work/$name.status" 2>/dev/null)"
    sed 's/^/  /' "$work/$name.log" >&2
    end_run "$name" ""
  fi

  # autorun.sh from another folder, on the medium and on a noexec mount of
  # it; the private copy it makes must be gone when the launcher ends.
  for how in medium noexec; do
    name=$suite-autorun-$how
    if [ "$how" = medium ]; then
      script='cd / && sh /medium/autorun.sh; echo "autorun status $?"'
    else
      script='mkdir -p /mnt/medium && mount --bind /medium /mnt/medium &&
        mount -o remount,bind,noexec /mnt/medium && cd / &&
        { /mnt/medium/mavrel 2>/dev/null; echo "direct status $?"; } &&
        sh /mnt/medium/autorun.sh; echo "autorun status $?"; ls -d /tmp/mavrel.* 2>/dev/null'
    fi
    start_in "$root" "$name" "$script"
    if window=$(wait_window "Mavrel Demo" "$name"); then
      shows_picture "$name" "$window"
      end_run "$name" "$window"
      grep -q '^autorun status ' "$work/$name.log" ||
        fail "$name: autorun.sh did not return when its launcher ended: $(cat "$work/$name.log")"
      if [ "$how" = noexec ]; then
        grep -q '^direct status 126$' "$work/$name.log" ||
          fail "$name: the launcher ran straight from the noexec mount: $(cat "$work/$name.log")"
        ! grep -q '^/tmp/mavrel\.' "$work/$name.log" ||
          fail "$name: the private copy is left: $(grep '^/tmp/mavrel' "$work/$name.log")"
      fi
    else
      fail "$name: no demo window; $(cat "$work/$name.log")"
      end_run "$name" ""
    fi
  done

  # No fontconfig: the texts come from the font folders.
  name=$suite-no-fontconfig
  start_in "$root" "$name" 'hidden=0
    for f in /usr/lib/x86_64-linux-gnu/libfontconfig.so.1 /lib/x86_64-linux-gnu/libfontconfig.so.1; do
      [ -e "$f" ] && mount --bind /dev/null "$f" && hidden=$((hidden + 1))
    done
    echo "fontconfig hidden: $hidden"
    cd /medium && exec ./mavrel'
  if window=$(wait_window "Mavrel Demo" "$name"); then
    grep -q '^fontconfig hidden: [1-9]' "$work/$name.log" ||
      fail "$name: libfontconfig.so.1 was not hidden: $(cat "$work/$name.log")"
    shows_picture "$name" "$window"
    read -r x y w h < <(rect "$window")
    shot "$name-row" $((x + 40)) $((y + hello_y)) 280 "$row_h"
    written=$(pixels "$name-row" "$text")
    if [ "$written" -ge 50 ]; then
      echo "smoke-roots: $name: the buttons show their texts ($written text pixels in a row)"
    else
      fail "$name: no text in the button row ($written text pixels)"
    fi
    end_run "$name" "$window"
  else
    fail "$name: no demo window without fontconfig; $(cat "$work/$name.log")"
    end_run "$name" ""
  fi

  # The kit folder's own launcher, on its starter medium.
  if [ -n "$kit" ]; then
    name=$suite-kit
    medium=$kit
    start_in "$root" "$name" 'cd /medium && exec ./mavrel'
    title=$(sed -n 's/^Title=\(.*\)\r\{0,1\}$/\1/p' "$kit/Mavrel.INI" | head -n 1)
    if window=$(wait_window "$title" "$name"); then
      shows_picture "$name" "$window"
      end_run "$name" "$window"
    else
      fail "$name: the kit's mavrel shows no \"$title\" window; $(cat "$work/$name.log")"
      end_run "$name" ""
    fi
    # The kit's own mavrel-inspect draws its starter medium and the author's
    # medium of the tests, with no display (env -i gives it none).
    rm -rf "$work/author" && cp -r "$repo_root/tests/tools/author_medium" "$work/author"
    cp "$kit/mavrel-inspect" "$work/author/"
    for drawn in "$kit" "$work/author"; do
      name=$suite-kit-render-$(basename "$drawn")
      BINDS="$drawn:/medium" in_root "$root" sh -c 'cd /medium && exec ./mavrel-inspect render -o /dev/stdout' \
        >"$out/smoke-$name.png" 2>"$work/$name.log" ||
        fail "$name: the kit's mavrel-inspect render failed: $(cat "$work/$name.log")"
      [ "$(head -c 8 "$out/smoke-$name.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
        fail "$name: no PNG from the kit's mavrel-inspect render"
    done
  fi

  # The kit as people receive it: its image, each tree of it as a Linux
  # reader sees it, started the way AUTHORING.md tells users to.
  if [ -n "$kit" ] && [ "$suite" = bullseye ]; then
    if ! "$kit/mavrel-inspect" image "$kit" -o "$work/kit.iso" >"$work/image.log" 2>&1; then
      fail "the kit's mavrel-inspect made no image: $(cat "$work/image.log")"
    else
      for view in rockridge joliet; do
        name=$suite-image-$view
        medium=$work/$name
        if [ "$view" = rockridge ]; then
          xorriso -osirrox on -indev "$work/kit.iso" -extract / "$medium" >/dev/null 2>&1
          [ -x "$medium/mavrel" ] || fail "$name: mavrel lost its execute bit"
        else
          # Joliet stores no modes: the reader chooses them; udisks gives
          # files 0400 and folders 0500.
          xorriso -osirrox on -read_fs norock -indev "$work/kit.iso" -extract / "$medium" \
            >/dev/null 2>&1
          find "$medium" -type f -exec chmod 0400 {} + && find "$medium" -type d -exec chmod 0500 {} +
          [ ! -x "$medium/mavrel" ] || fail "$name: mavrel has an execute bit"
        fi
        [ -f "$medium/setup/install.sh" ] || fail "$name: no setup/install.sh in the image"
        [ -f "$medium/setup/setup.exe" ] || fail "$name: no setup/setup.exe in the image"
        start_in "$root" "$name" 'cd / && sh /medium/autorun.sh; echo "autorun status $?"'
        if window=$(wait_window "$title" "$name"); then
          shows_picture "$name" "$window"
          # The starter's "Install the product" (BUTTON_LOC 48,120, 26-pixel font).
          read -r x y _ _ < <(rect "$window")
          xdotool mousemove $((x + 70)) $((y + 132))
          sleep 0.5
          xdotool click 1
          clicked_and_ran "$name" \
            "install.sh: replace this script with your product's installer (running in /medium/setup)" \
            "the starter's installer"
          end_run "$name" "$window"
        else
          fail "$name: no \"$title\" window; $(cat "$work/$name.log")"
          end_run "$name" ""
        fi
      done
    fi
  fi
done

# Native Wayland: a nested weston on the Xvfb, with a plain background and
# no XWayland; the launcher gets no X display at all.
if [ "${SMOKE_WAYLAND:-1}" != 0 ]; then
  name=wayland
  runtime=$work/runtime && mkdir -m 700 "$runtime"
  printf '[core]\nidle-time=0\n[shell]\nbackground-color=0xff203040\npanel-position=none\n' \
    >"$work/weston.ini"
  XDG_RUNTIME_DIR=$runtime weston --backend=x11-backend.so --use-pixman --width=800 \
    --height=600 --socket=wayland-smoke --config="$work/weston.ini" >"$work/weston.log" 2>&1 &
  weston_pid=$!
  for _ in $(seq 100); do [ -S "$runtime/wayland-smoke" ] && break; sleep 0.1; done
  output=$(wait_window "Weston Compositor.*") || output=
  if [ -z "$output" ] || [ ! -S "$runtime/wayland-smoke" ]; then
    fail "wayland: weston did not start: $(tail -n 5 "$work/weston.log")"
  else
    read -r x y w h < <(rect "$output")
    # The shell's background, once it shows.
    background="srgb(32,48,64)"
    for _ in $(seq 50); do
      shot "$name-empty" "$x" "$y" "$w" "$h"
      corner=$(convert "$out/smoke-$name-empty.png" -format "%[pixel:p{$((w - 1)),$((h - 1))}]" info:)
      [ "$corner" = "$background" ] && break
      sleep 0.1
    done
    [ "$corner" = "$background" ] || fail "wayland: weston shows $corner, not its background"
    medium=$work/medium-wayland
    make_medium "$medium"
    (cd "$medium" && exec env -u DISPLAY XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=wayland-smoke \
      ./mavrel >"$work/$name.log" 2>&1) &
    launcher=$!
    # Drawn: most of a 640x400 window's pixels are not the background's,
    # in many colours (the pointer alone has a few hundred pixels).
    drawn=0 n=0 wanted=$((640 * 400 * 9 / 10))
    for _ in $(seq 50); do
      sleep 0.2
      shot "$name" "$x" "$y" "$w" "$h"
      drawn=$((w * h - $(pixels "$name" "$background" 1%)))
      n=$(colours "$name")
      [ "$drawn" -ge "$wanted" ] && [ "$n" -ge 100 ] && break
    done
    if ! kill -0 "$launcher" 2>/dev/null; then
      fail "wayland: the launcher ended: $(cat "$work/$name.log")"
    elif [ "$drawn" -ge "$wanted" ] && [ "$n" -ge 100 ]; then
      echo "smoke-roots: wayland: weston shows the window with its picture ($drawn pixels drawn, $n colours)"
    else
      fail "wayland: the weston output has $drawn pixels drawn over its background ($n colours): the window is not drawn"
    fi
    kill "$launcher" 2>/dev/null || true
    wait "$launcher" 2>/dev/null || true
  fi
  kill "$weston_pid" 2>/dev/null || true
  wait "$weston_pid" 2>/dev/null || true
  weston_pid=
fi
exit $failed
