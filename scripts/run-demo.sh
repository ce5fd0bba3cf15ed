#!/usr/bin/env bash
# Writes the demo map and shows it: in the window when a display is available, otherwise
# through pelmar-cli.
set -euo pipefail
build_dir="${1:-build}"
bin="$build_dir/bin"
demo="$build_dir/demo/demo.map"
mkdir -p "$(dirname "$demo")"
[ -f "$demo" ] || "$bin/pelmar-cli" make-demo "$demo" >/dev/null

if [ -x "$bin/pelmar" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
    exec "$bin/pelmar" "$demo"
fi

if [ -x "$bin/pelmar" ]; then
    echo "No display is available (DISPLAY and WAYLAND_DISPLAY are unset), so the window"
    echo "cannot open. Showing the demo map through pelmar-cli instead:"
else
    echo "The desktop application is not built yet. Showing the demo map through pelmar-cli:"
fi
echo
"$bin/pelmar-cli" info "$demo"
echo
"$bin/pelmar-cli" tags "$demo"
