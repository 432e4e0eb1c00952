#!/bin/sh
# Run by Linux desktops that offer to start software found on inserted media.
# Starts the disc's launcher, which lies beside this script.

cd "$(dirname "$0")" || exit 1

if [ ! -e ./autorun ]; then
    echo "autorun.sh: the launcher program 'autorun' is not in $(pwd)." >&2
    exit 1
fi

exec ./autorun "$@"
