#!/bin/sh
# Starts the disc's launcher, which lies beside this script, for those who look for a script to run.
# Desktops that offer to start software on inserted media run the first of .autorun, autorun and
# autorun.sh in the disc's root: the launcher itself, not this.

cd "$(dirname "$0")" || exit 1

if [ ! -e ./autorun ]; then
    echo "autorun.sh: the launcher program 'autorun' is not in $(pwd)." >&2
    exit 1
fi

exec ./autorun "$@"
