#!/usr/bin/env bash
# The disc's starter with a test archive (make-fixture.sh) and the desktop's Qt left out: where it
# unpacks, what it reuses, what it trusts, and what it says when it cannot. Runs as root in a mount
# namespace of its own, with /tmp a fresh tmpfs, so that full, read-only and noexec folders can be made.
# starter.sh <test starter> <fixture folder>
set -euo pipefail
skip() {
    echo "SKIPPED: $*"
    exit 77
}
if [ -z "${STARTER_NAMESPACE:-}" ]; then
    [ "$(id -u)" -eq 0 ] || skip "full, read-only and noexec folders need root to mount"
    unshare --mount --propagation private true 2>/dev/null || skip "this machine refuses a private mount namespace"
    STARTER_NAMESPACE=1 exec unshare --mount --propagation private "$0" "$@"
fi
starter=$1
fixture=$2
# The test's own files stay out of /tmp, which the cases mount over.
work=$(mktemp -d -p /var/tmp autorun-starter-test.XXXXXX)
chmod 755 "$work"
trap 'umount "$work"/run-* 2>/dev/null || true; rm -rf "$work"' EXIT
# The starter and the fixture may lie under /tmp themselves (a build tree there): copied out first.
mkdir "$work/given"
cp "$starter" "$fixture/bundle.tar.zst" "$fixture/bundle.sha256" "$fixture/autorun" "$work/given/"
starter=$work/given/$(basename "$starter")
fixture=$work/given
mount -t tmpfs -o mode=1777 tmpfs /tmp
failures=0
ok() { echo "ok    $*"; }
fail() {
    echo "FAIL  $*"
    failures=$((failures + 1))
}
hash16=$(cut -c1-16 "$fixture/bundle.sha256")

# make_disc <folder>: the starter as the disc's autorun, the archive and the program in autorun-linux.
make_disc() {
    mkdir -p "$1/autorun-linux"
    cp "$starter" "$1/autorun"
    cp "$fixture/bundle.tar.zst" "$fixture/autorun" "$1/autorun-linux/"
}
disc=$work/disc
make_disc "$disc"
bin=$work/bin
mkdir "$bin"
# Stand-ins for a box and for the file manager: each logs what it was asked.
printf '#!/bin/sh\nprintf "%%s|" "$@" >>"%s/boxes.log"; echo >>"%s/boxes.log"\n' "$work" "$work" >"$bin/zenity"
printf '#!/bin/sh\necho "$@" >>"%s/opened.log"\n' "$work" >"$bin/xdg-open"
chmod 755 "$bin/zenity" "$bin/xdg-open"
# The stand-in program needs no display, but the starter shows nothing without one.
export PATH="$bin:$PATH" STARTER_LOG=$work/ran.log DISPLAY=:99
unset WAYLAND_DISPLAY

# start <runtime folder or -> [env assignments]: runs the disc's starter; its output goes to $work/out.
start() {
    local runtime=$1
    shift
    local -a env_args=(env -u XDG_RUNTIME_DIR)
    [ "$runtime" = - ] || env_args+=("XDG_RUNTIME_DIR=$runtime")
    : >"$STARTER_LOG"
    status=0
    "${env_args[@]}" "$@" "$disc/autorun" first second >"$work/out" 2>&1 || status=$?
}
ran_from() { grep -q "^ran $1 launch=$disc args=first second\$" "$STARTER_LOG"; }
# boxed <text>: the last box said it (its lines joined by blanks), and the disc's folder was opened.
boxed() {
    tail -c 2000 "$work/boxes.log" | tr '\n' ' ' | grep -q -- "--error|.*$1" && grep -qx "$disc" "$work/opened.log"
}
leftovers() { find "$1" -mindepth 1 -maxdepth 1 -name ".autorun-*" | head -n 1; }
new_runtime() {
    local folder
    folder=$(mktemp -d)
    chmod 700 "$folder"
    echo "$folder"
}

# --- first start, then a second that reads only the program --------------------------------------
run=$(new_runtime)
start "$run"
ran_from "$run/autorun-$hash16/autorun" && [ "$status" -eq 0 ] || fail "first start: $(cat "$work/out" "$STARTER_LOG")"
[ -z "$(leftovers "$run")" ] || fail "first start left $(leftovers "$run")"
[ "$(stat -c %a "$run/autorun-$hash16/lib/libfiller.so")" = 644 ] || fail "an unpacked library is not 0644"
ok "first start unpacks into \$XDG_RUNTIME_DIR/autorun-$hash16 and runs the program there, told the disc"
mv "$disc/autorun-linux/bundle.tar.zst" "$work/away.tar.zst"
start "$run"
ran_from "$run/autorun-$hash16/autorun" || fail "second start: $(cat "$work/out")"
mv "$work/away.tar.zst" "$disc/autorun-linux/bundle.tar.zst"
ok "a second start runs the unpacked program without reading the archive"
# The environment the program gets is the one the starter got, and the launch folder.
env -u XDG_RUNTIME_DIR XDG_RUNTIME_DIR="$run" MARKER=kept "$disc/autorun" >/dev/null 2>&1
seen=$(ls -t "$STARTER_LOG".env.* | head -n 1)
grep -qx 'MARKER=kept' "$seen" && ! grep -Eq '^(LD_LIBRARY_PATH|LD_PRELOAD|QT_PLUGIN_PATH|QT_QPA_PLATFORM_PLUGIN_PATH)=' "$seen" ||
    fail "the program's environment: $(cat "$seen")"
ok "the program gets the starter's environment, with no library or plugin path added"

# --- two starts at once --------------------------------------------------------------------------
run=$(new_runtime)
: >"$STARTER_LOG"
XDG_RUNTIME_DIR=$run "$disc/autorun" >"$work/out1" 2>&1 & first=$!
XDG_RUNTIME_DIR=$run "$disc/autorun" >"$work/out2" 2>&1 & second=$!
wait "$first" && wait "$second" || fail "two starts at once: $(cat "$work/out1" "$work/out2")"
[ "$(grep -c "^ran $run/autorun-$hash16/autorun " "$STARTER_LOG")" -eq 2 ] || fail "two starts at once: $(cat "$STARTER_LOG")"
[ -z "$(leftovers "$run")" ] || fail "two starts at once left $(leftovers "$run")"
ok "two starts at once both run the program from one folder, and leave nothing else"

# --- damaged archives ----------------------------------------------------------------------------
size=$(stat -c %s "$fixture/bundle.tar.zst")
for damage in truncated corrupted; do
    cp "$fixture/bundle.tar.zst" "$disc/autorun-linux/bundle.tar.zst"
    case $damage in
    truncated) truncate -s $((size / 2)) "$disc/autorun-linux/bundle.tar.zst" ;;
    corrupted) printf '\xff\x00\xff' | dd of="$disc/autorun-linux/bundle.tar.zst" bs=1 seek=$((size / 2)) conv=notrunc status=none ;;
    esac
    run=$(new_runtime)
    : >"$work/boxes.log"
    start "$run"
    [ "$status" -ne 0 ] && [ ! -s "$STARTER_LOG" ] || fail "$damage archive: the program ran, or the starter said nothing wrong"
    grep -q "the archive \"$disc/autorun-linux/bundle.tar.zst\" is damaged" "$work/out" || fail "$damage archive: $(cat "$work/out")"
    grep -q "^--error|.*is damaged" "$work/boxes.log" || fail "$damage archive: no box: $(cat "$work/boxes.log")"
    [ -z "$(ls -A "$run")" ] || fail "$damage archive: left $(ls -A "$run") in the runtime folder"
    ok "a $damage archive is named in a message and a box, and nothing is left unpacked: $(head -n 1 "$work/out")"
done
# Archives made otherwise than the manifest says: each is damaged, naming the entry, before its hash.
mkdir "$work/stage"
zstd -q -dc "$fixture/bundle.tar.zst" | tar -x -C "$work/stage"
head -c 100 /dev/zero >"$work/stage/lib/extra.so"
for crafted in "lib/extra.so|./lib/extra.so" "twice|./qt.conf ./qt.conf" "before its folder|./lib/libfiller.so"; do
    (cd "$work/stage" && tar --format=ustar --no-recursion --hard-dereference -cf - ${crafted#*|}) | zstd -q >"$disc/autorun-linux/bundle.tar.zst"
    start "$(new_runtime)"
    grep -q "is damaged: .*${crafted%%|*}" "$work/out" || fail "an archive with ${crafted#*|}: $(cat "$work/out")"
done
ok "an archive with an entry its manifest lacks, an entry twice or a file before its folder is damaged"
cp "$fixture/bundle.tar.zst" "$disc/autorun-linux/bundle.tar.zst"

# --- folders that cannot take it -----------------------------------------------------------------
# Each kind of folder for the runtime folder and for /tmp alike; the message names both.
own=/tmp/autorun-$(id -u)
for kind in full noexec read-only; do
    run=$work/run-$kind
    mkdir -p "$run"
    case $kind in
    full) options=size=512k ;;
    noexec) options=noexec ;;
    read-only) options=ro ;;
    esac
    mount -t tmpfs -o "$options,mode=700" tmpfs "$run"
    rm -rf "$own"
    mount -t tmpfs -o "$options,mode=1777" tmpfs /tmp
    start "$run"
    [ "$status" -ne 0 ] && [ ! -s "$STARTER_LOG" ] || fail "$kind folders: the program ran"
    grep -q "\"$run\"" "$work/out" && grep -q "/tmp" "$work/out" || fail "$kind folders: $(cat "$work/out")"
    [ -z "$(ls -A "$run")" ] || fail "$kind folders: left $(ls -A "$run")"
    ok "$kind folders are refused, each named with its reason: $(tr '\n' ' ' <"$work/out")"
    # With /tmp usable again, the start goes on there.
    umount /tmp
    rm -rf "$own"
    start "$run"
    ran_from "$own/autorun-$hash16/autorun" || fail "$kind runtime folder, usable /tmp: $(cat "$work/out")"
    [ "$(stat -c %a "$own")" = 700 ] || fail "$own is not private"
    umount "$run"
done
ok "a runtime folder that cannot take it gives way to a private folder under /tmp"

# --- which folders are trusted -------------------------------------------------------------------
# Each row: what is at the runtime folder and at /tmp/autorun-<uid>, and where the program must run
# from ("-" for nowhere: a box naming the reason, and the disc's folder opened). A program planted in a
# folder that is not the user's alone must never run.
nobody=$(id -u nobody)
planted() {
    mkdir -p "$1/autorun-$hash16"
    printf '#!/bin/sh\necho planted >>"$STARTER_LOG"\n' >"$1/autorun-$hash16/autorun"
    chmod -R a+rwx "$1"
}
while IFS='|' read -r name make_runtime make_own runs_from said; do
    rm -rf "$own" "$work/xdg" "$work/xdg-real"
    : >"$work/opened.log"
    mkdir -m 700 "$work/xdg"
    eval "$make_runtime"
    eval "$make_own"
    start "$work/xdg"
    ! grep -q planted "$STARTER_LOG" || fail "$name: a planted program ran"
    [ -z "$said" ] || grep -q -- "$said" "$work/out" || fail "$name: the starter did not say \"$said\": $(cat "$work/out")"
    if [ "$runs_from" = - ]; then
        [ "$status" -ne 0 ] && boxed "$said" || fail "$name: no box, or the disc's folder was not opened: $(cat "$work/out")"
    else
        ran_from "$runs_from/autorun-$hash16/autorun" || fail "$name: $(cat "$work/out")"
    fi
    [ ! -e "$own" ] || [ "$runs_from" != "$work/xdg" ] || fail "$name: $own was made, though not used"
    ok "$name: runs from $runs_from"
done <<ROWS
runtime folder of the user's alone|:|:|$work/xdg|
runtime folder of another user, open to all, with a program in it|chown $nobody "$work/xdg"; planted "$work/xdg"|:|$own|belongs to the user "nobody"
runtime folder open to others|chmod 755 "$work/xdg"|:|$own|is open to other users
runtime folder a link to one of the user's own|mv "$work/xdg" "$work/xdg-real"; ln -s "$work/xdg-real" "$work/xdg"|:|$own|is not a folder
/tmp/autorun-<uid> of the user's, open to others|chmod 755 "$work/xdg"|mkdir -m 755 "$own"|$own|
/tmp/autorun-<uid> of another user, with a program in it|chmod 755 "$work/xdg"|planted "$own"; chown -R $nobody "$own"|-|start the disc in a session that sets \$XDG_RUNTIME_DIR
ROWS
[ "$(stat -c %a "$own")" = 700 ] || [ ! -O "$own" ] || fail "$own was not made private"

# --- an unpacked folder is used only while whole --------------------------------------------------
run=$(new_runtime)
start "$run"
folder=$run/autorun-$hash16
for damage in "rm $folder/lib/libfiller.so" "truncate -s 1000 $folder/lib/libfiller.so" "rm -r $folder/plugins" \
    "chown $nobody $folder/qt.conf" "chmod a-x $folder/autorun" "rm $folder/autorun"; do
    $damage
    start "$run"
    ran_from "$folder/autorun" && grep -q "is no longer whole" "$work/out" || fail "after $damage: $(cat "$work/out")"
    [ -z "$(leftovers "$run")" ] && [ "$(stat -c %s "$folder/lib/libfiller.so")" = 2000000 ] || fail "after $damage: not repaired"
done
ok "a damaged unpacked folder is unpacked afresh, never run"

# --- starts stopped while unpacking leave nothing behind ------------------------------------------
# The archive comes through a pipe, half of it at first, so the start is stopped mid-way for sure.
run=$(new_runtime)
mv "$disc/autorun-linux/bundle.tar.zst" "$work/whole.tar.zst"
mkfifo "$disc/autorun-linux/bundle.tar.zst"
for signal in KILL TERM KILL; do
    start "$run" & starter=$!
    exec 3>"$disc/autorun-linux/bundle.tar.zst"
    head -c $((size / 2)) "$work/whole.tar.zst" >&3
    kill -"$signal" "$(pgrep -P "$starter" -x autorun || pgrep -f "^$disc/autorun first")"
    wait "$starter" || true
    exec 3>&-
    [ "$signal" = KILL ] || [ -z "$(leftovers "$run")" ] || fail "SIGTERM while unpacking left $(leftovers "$run")"
done
rm "$disc/autorun-linux/bundle.tar.zst"
mv "$work/whole.tar.zst" "$disc/autorun-linux/bundle.tar.zst"
[ -n "$(leftovers "$run")" ] || fail "the killed starts left nothing to tidy, so this proves nothing"
start "$run"
ran_from "$run/autorun-$hash16/autorun" && [ -z "$(leftovers "$run")" ] || fail "after killed starts: $(ls -A "$run")"
ok "SIGTERM while unpacking removes the half-made folder; what killed starts leave, the next start removes"

# --- what the starter says before it reads the disc -----------------------------------------------
run=$(new_runtime)
start "$run" env -u DISPLAY
[ "$status" = 1 ] && grep -qx "autorun: there is no display to show the window on.*" "$work/out" &&
    [ -z "$(ls -A "$run")" ] || fail "without a display: $status $(cat "$work/out"), unpacked $(ls -A "$run")"
ok "without a display, one plain message and nothing unpacked"
start "$run" QT_QPA_PLATFORM=wayland
grep -q "^ran .* args=-platform xcb first second\$" "$STARTER_LOG" && grep -q "which this disc's launcher does not carry" "$work/out" ||
    fail "QT_QPA_PLATFORM=wayland: $(cat "$work/out" "$STARTER_LOG")"
start "$run" QT_QPA_PLATFORM="wayland;xcb"
ran_from "$run/autorun-$hash16/autorun" || fail "QT_QPA_PLATFORM=\"wayland;xcb\" was overruled: $(cat "$STARTER_LOG")"
ok "a QT_QPA_PLATFORM naming no platform the bundle carries gives way to xcb, saying so"
: >"$work/opened.log"
start "$run" FIXTURE_STATUS=3
[ "$status" -ne 0 ] && boxed "stopped before its window showed: it ended with status 3, saying: fixture fails" ||
    fail "a program failing at start: $(cat "$work/out" "$work/boxes.log")"
ok "a program that ends before its window shows is reported in a box, and the disc's folder opens"

[ "$failures" -eq 0 ] || exit 1
echo "PASS  all checks"
exit 0
