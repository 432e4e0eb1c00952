# shellcheck shell=bash
# Sourced by the Wine scripts and the Wine benchmark: which Wine runs here, the prefixes it makes,
# the environment of a build's Wine session, and the record of it.

# elf_class <file>: 32 or 64 for an ELF program; fails for anything else, such as a shell script.
elf_class() {
    local header
    header=$(od -An -tx1 -N5 "$1" 2>/dev/null | tr -d ' \n')
    case $header in
    7f454c4601) echo 32 ;;
    7f454c4602) echo 64 ;;
    *) return 1 ;;
    esac
}

# pe_bits <file.exe>: 32 or 64 for a Windows program, from its PE header's machine field.
pe_bits() {
    local offset machine
    offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') && [ -n "$offset" ] || return 1
    machine=$(od -An -tx1 -j$((offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
    case $machine in
    4c01) echo 32 ;;
    6486) echo 64 ;;
    *) return 1 ;;
    esac
}

# i386_emulator: the CPU emulator binfmt_misc hands 32-bit x86 programs to (qemu-user, registered by
# scripts/enable-i386.sh where the kernel cannot run them); fails where it hands them to none.
i386_emulator() {
    local entry magic
    for entry in /proc/sys/fs/binfmt_misc/*; do
        [ "$(head -n 1 "$entry" 2>/dev/null)" = enabled ] || continue
        magic=$(sed -n 's/^magic //p' "$entry")
        # An ELF header of class 32 whose e_machine, at byte 18, is EM_386.
        [[ $magic == 7f454c4601* ]] && [ "${magic:36:4}" = 0300 ] || continue
        sed -n 's/^interpreter //p' "$entry"
        return 0
    done
    return 1
}

# wine_loaders: sets wine32 and wine64 to the Wine loaders of each size that run here, empty where
# none does; wine32_why says what stops 32-bit programs, wine32_emulator what emulates them, if
# anything; wine is the loader to start programs with. Debian's /usr/bin/wine is a script that picks the 32-bit loader whenever it is installed,
# even where the kernel cannot run it, so the scripts choose the loader themselves. The 64-bit
# loader hands 32-bit programs to the 32-bit one, as the script does.
wine_loaders() {
    local candidate class found out
    wine32="" wine64="" wine=""
    wine32_why="no 32-bit Wine loader is installed (Debian: wine32:i386)"
    for candidate in "$(command -v wine64)" /usr/lib/wine/wine64 /usr/lib64/wine/wine64 \
        "$(command -v wine)" /usr/lib/wine/wine; do
        [ -f "$candidate" ] && [ -x "$candidate" ] || continue
        class=$(elf_class "$candidate") || continue
        found=wine$class
        [ -z "${!found}" ] || continue
        if out=$("$candidate" --version 2>&1); then
            printf -v "$found" %s "$candidate"
        elif [ "$class" = 32 ]; then
            wine32_why="the 32-bit Wine loader $candidate does not run here: ${out##*: }"
            [[ $out != *"Exec format error"* ]] ||
                wine32_why+=" (this kernel runs no 32-bit programs; scripts/enable-i386.sh, as root, has qemu-user run them)"
        fi
    done
    wine=${wine64:-$wine32}
    [ -n "$wine" ] || {
        echo "no Wine loader runs here (scripts/setup.sh installs Wine)" >&2
        return 1
    }
    [ -z "$wine32" ] || wine32_why=""
    # Where 32-bit programs run under CPU emulation, each takes about a minute to start.
    wine32_emulator=""
    [ -z "$wine32" ] || wine32_emulator=$(i386_emulator) || true
    # As Debian's script does for a 64-bit-only Wine: processes Wine starts get the same loader.
    [ -z "$wine64" ] || export WINELOADER=$wine64
}

# wine_identity: what makes a prefix; a prefix made by another Wine, or by one with other loaders
# (64-bit-only Wine makes no 32-bit system folder), may not boot: "could not load kernel32.dll".
wine_identity() {
    printf '%s\n' "$("$wine" --version)" "32-bit loader: ${wine32:-none}" "64-bit loader: ${wine64:-none}"
}

# wine_prefix_check: removes $WINEPREFIX unless its marker says that the Wine wine_loaders found
# made it in full; a prefix whose creation was cut short lacks parts that Wine does not add later.
# Its wineserver must be down.
wine_prefix_check() {
    [ -d "$WINEPREFIX" ] || return 0
    local made
    made=$(cat "$WINEPREFIX/.ready" 2>/dev/null) || made=""
    [ "$made" != "$(wine_identity)" ] || return 0
    echo "Making the Wine prefix $WINEPREFIX again for $("$wine" --version)" \
        "(32-bit loader ${wine32:-none}, 64-bit loader ${wine64:-none}); it was made by" \
        "$(printf '%s' "$made" | paste -sd' ' | sed 's/^$/a Wine that left no record, or in part/')"
    rm -rf "$WINEPREFIX"
}

# wine_prefix_made: marks $WINEPREFIX as made in full by this Wine, once wineboot has succeeded.
wine_prefix_made() {
    wine_identity >"$WINEPREFIX/.ready"
}

# wine_env <build folder>: exports what every Wine process of the session gets.
wine_env() {
    export WINEPREFIX=$1/wine
    export WINEDEBUG=-all
    # No Mono or Gecko install prompts, and no menu entries or file associations in $HOME.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    # Wine takes its code page from the locale; the tests expect Windows-1252.
    export LC_ALL=C.UTF-8
    unset WAYLAND_DISPLAY
    session_folder=$1/wine-session
    session_file=$session_folder/session
}

# read_session: sets display, xvfb_pid, wineserver_pid, owner_pid (the test run's), the loaders
# wine, wine32 and wine64, wine32_why and wine32_emulator from the record, empty where it has none. A session that
# could not run the build's programs records only skip, the reason.
# shellcheck disable=SC2034
read_session() {
    local key value
    display="" xvfb_pid="" wineserver_pid="" owner_pid="" wine="" wine32="" wine64="" wine32_why="" skip=""
    wine32_emulator=""
    [ -f "$session_file" ] || return 0
    while IFS='=' read -r key value; do
        case $key in
        display) [[ $value =~ ^:[0-9]+$ ]] && display=$value ;;
        xvfb_pid | wineserver_pid | owner_pid) [[ $value =~ ^[0-9]+$ ]] && printf -v "$key" %s "$value" ;;
        wine | wine32 | wine64 | wine32_emulator) [[ $value == /* ]] && [ -x "$value" ] && printf -v "$key" %s "$value" ;;
        wine32_why | skip) printf -v "$key" %s "$value" ;;
        esac
    done <"$session_file"
    [ -z "$wine64" ] || export WINELOADER=$wine64
}

# wine_runs <program.exe>: whether the loaders found can run the program; if not, says why.
wine_runs() {
    if [ "$(pe_bits "$1")" = 32 ] && [ -z "$wine32" ]; then
        echo "$1 is a 32-bit program, and $wine32_why"
        return 1
    fi
}

# enter_session <program.exe>: readies this shell to run the program in the build's running session
# (display, and for a 32-bit program under CPU emulation, AUTORUN_CPU_EMULATOR, which tests that cannot
# run emulated ask for); exits as session_runs says where it cannot, and with 1 where no session runs.
enter_session() {
    read_session
    session_runs "$1" || exit
    if [ -z "$display" ] || ! kill -0 "$xvfb_pid" 2>/dev/null || [ -z "$wine" ]; then
        echo "No Wine session is running for this build; ctest starts one with its wine.start test." >&2
        exit 1
    fi
    export DISPLAY=$display
    if [ -n "$wine32_emulator" ] && [ "$(pe_bits "$1")" = 32 ]; then
        export AUTORUN_CPU_EMULATOR=$wine32_emulator
    fi
}

# session_runs <program.exe>: whether the session can run the program; if not, says why and
# returns 77, the status the Wine tests report a skip with.
session_runs() {
    local why=$skip
    [ -n "$why" ] || why=$(wine_runs "$1") || true
    [ -n "$why" ] || return 0
    echo "SKIPPED: $why"
    return 77
}
