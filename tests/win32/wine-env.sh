# shellcheck shell=bash
# Sourced by the Wine scripts: the environment of a build's Wine session, and the record of it.

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

# read_session: sets display, xvfb_pid, wineserver_pid and owner_pid (the test run's) from the
# record, empty where it has none.
# shellcheck disable=SC2034
read_session() {
    local key value
    display="" xvfb_pid="" wineserver_pid="" owner_pid=""
    [ -f "$session_file" ] || return 0
    while IFS='=' read -r key value; do
        case $key in
        display) [[ $value =~ ^:[0-9]+$ ]] && display=$value ;;
        xvfb_pid | wineserver_pid | owner_pid) [[ $value =~ ^[0-9]+$ ]] && printf -v "$key" %s "$value" ;;
        esac
    done <"$session_file"
}
