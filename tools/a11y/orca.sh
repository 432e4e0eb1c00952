#!/usr/bin/env bash
# What a blind user hears: the launcher on the sample disc under Orca, driven from the keyboard, with
# speech-dispatcher writing each utterance to a file instead of a sound card. Prints, key by key,
# what Orca says. Runs in its own session D-Bus, AT-SPI bus, Xvfb and window manager.
# Usage: [ORCA_STARTS=N] tools/a11y/orca.sh [program]   (default: the sample disc's launcher, on a copy of build/linux/disc
# without the installer)
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)
if [ -z "${AUTORUN_ORCA_SESSION:-}" ]; then
    scripts/setup.sh orca speech-dispatcher python3-speechd python3-pyatspi at-spi2-core dbus-daemon dbus-bin \
        metacity xdotool >/dev/null
    targets=(e2e_adopt)
    [ -n "${1:-}" ] || targets+=(disc)
    cmake --build --preset linux --target "${targets[@]}" >/dev/null
    AUTORUN_ORCA_SESSION=1 exec dbus-run-session -- "$0" "$@"
fi
program=${1:-}
# The disc's starter leaves once the launcher's window shows: the launcher is adopted, so that ending
# this helper ends it.
adopt=$repo/build/linux/tests/e2e_adopt

source scripts/x11.sh
tmp=$(mktemp -d)
if [ -z "$program" ]; then
    # The sample disc without its installer, so that the installer's link gives a failure box
    # rather than starting whatever this machine opens Windows programs with.
    cp -R build/linux/disc "$tmp/disc"
    rm -f "$tmp"/disc/Utils/Acrobat/*.exe
    program=$tmp/disc/autorun
fi
pids=()
finish() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    if [ -n "${ORCA_KEEP:-}" ]; then
        tail -n 20 "$tmp"/*.log "$tmp"/*.out >&2 || true
    fi
    cleanup
}
trap finish EXIT
[ -z "${ORCA_KEEP:-}" ] || echo "session files: $tmp" >&2

# Speech to a file: a generic module whose "synthesis" appends the text.
speech=$tmp/speech.log
mkdir -p "$tmp/speechd/modules" "$tmp/home"
: >"$speech"
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_DATA_HOME=$tmp/home/.local/share
# The module still opens an audio output: libao's null driver, which needs no sound card.
printf 'default_driver=null\n' >"$tmp/home/.libao"
cat >"$tmp/speechd/speechd.conf" <<CONF
LogLevel 1
AudioOutputMethod "libao"
AddModule "file" "sd_generic" "file.conf"
DefaultModule file
DefaultLanguage "en"
CONF
cat >"$tmp/speechd/modules/file.conf" <<CONF
GenericExecuteSynth "printf '%s\\\\n' \\'\$DATA\\' >> $speech"
AddVoice "en" "MALE1" "default"
GenericLanguage "en" "en" "utf-8"
CONF
export SPEECHD_ADDRESS=unix_socket:$tmp/speechd.sock
speech-dispatcher -s -t 0 -C "$tmp/speechd" -S "$tmp/speechd.sock" -L "$tmp" >"$tmp/speechd.out" 2>&1 &
pids+=($!)

/usr/libexec/at-spi-bus-launcher --launch-immediately &
pids+=($!)
start_xvfb "$tmp" || exit 1
start_window_manager "$tmp/metacity.log"
orca --replace >"$tmp/orca.log" 2>&1 &
pids+=($!)
# Orca greets once it is ready.
for _ in $(seq 100); do
    [ -s "$speech" ] && break
    sleep 0.1
done
sleep 1
: >"$speech"

said() {
    sleep "${2:-1.5}"
    printf '%-28s %s\n' "$1" "$(paste -sd'|' "$speech" | sed 's/|/ | /g')"
    : >"$speech"
}
# ORCA_STARTS=N: only count, over N fresh starts, those whose window Orca announced.
if [ -n "${ORCA_STARTS:-}" ]; then
    announced=0
    for ((start = 1; start <= ORCA_STARTS; start++)); do
        : >"$speech"
        (cd / && QT_QPA_PLATFORM=xcb exec "$adopt" "$program") >"$tmp/program.log" 2>&1 &
        app=$!
        sleep 3
        if grep -q "frame" "$speech"; then
            announced=$((announced + 1))
        else
            echo "start $start: nothing announced (heard: $(paste -sd'|' "$speech"))"
        fi
        kill "$app"
        wait "$app" 2>/dev/null || true
        sleep 0.5
    done
    echo "Orca announced the launcher's window in $announced of $ORCA_STARTS fresh starts"
    exit 0
fi
(cd / && QT_QPA_PLATFORM=xcb exec "$adopt" "$program") >"$tmp/program.log" 2>&1 &
pids+=($!)
said "(the launcher starts)" 3
key() {
    xdotool key --clearmodifiers "$1"
    said "$2"
}
key Tab "Tab"
key Tab "Tab"
key shift+Tab "Shift+Tab"
key KP_Enter "KP_Enter (where am I)"
key Return "Return (documentation)"
key Tab "Tab"
key Tab "Tab"
key KP_Enter "KP_Enter (where am I)"
# The last link, the installer, which is missing: a box says so.
key shift+Tab "Shift+Tab"
key shift+Tab "Shift+Tab"
key Return "Return (installer)" 2.5
key Return "Return (closes the box)"
key Escape "Escape"
key KP_Enter "KP_Enter (where am I)"

# Another assistive tool pressing the button: the call must return at once, and while the window it
# opens has the keyboard, no label of the launcher may read as focused.
/usr/bin/python3 - <<'PY'
import time
import pyatspi

def find(node, test):
    if test(node):
        return node
    for i in range(node.childCount):
        found = find(node.getChildAtIndex(i), test)
        if found is not None:
            return found
    return None

desktop = pyatspi.Registry.getDesktop(0)
button = None
for app in desktop:
    if app is not None:
        button = find(app, lambda n: n.getRoleName() == "push button" and n.name == "Online Documentation")
        if button is not None:
            break
if button is None:
    print("press action: no Online Documentation button found")
else:
    start = time.monotonic()
    button.queryAction().doAction(0)
    print("press action returned in %.2f s" % (time.monotonic() - start))
    time.sleep(1.5)
    focused = button.getState().contains(pyatspi.STATE_FOCUSED)
    print("launcher's button reads focused while the documentation window is open: %s" % focused)
PY
: >"$speech"
key Escape "Escape"
key alt+F4 "Alt+F4"
