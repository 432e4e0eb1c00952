#!/bin/bash
# Runs a program under a private Xvfb with its own session D-Bus and AT-SPI bus, as on a desktop
# where a screen reader listens: Qt then tells assistive technology what changes.
set -u
if [ -z "${AUTORUN_ATSPI_SESSION:-}" ]; then
    AUTORUN_ATSPI_SESSION=1 exec dbus-run-session -- "$0" "$@"
fi
/usr/libexec/at-spi-bus-launcher --launch-immediately &
launcher=$!
trap 'kill "$launcher" 2>/dev/null; wait "$launcher" 2>/dev/null' EXIT
owned() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
        string:org.a11y.Bus 2>/dev/null | grep -q 'boolean true'
}
for _ in $(seq 100); do
    owned && break
    sleep 0.05
done
owned || { echo "with-atspi.sh: the AT-SPI bus did not start" >&2; exit 1; }
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 bash "$(dirname "$0")/with-xvfb.sh" "$@"
