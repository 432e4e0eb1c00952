#!/bin/bash
# Runs a Windows program under Wine in the session that wine-session.sh started for the build.
# wine-run.sh <build folder> <program> [arguments]
set -u
source "$(dirname "$0")/wine-env.sh"
wine_env "$1"
shift

enter_session "$1"
exec "$wine" "$@"
