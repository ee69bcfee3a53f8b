#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's private prefix.
# The prefix lives in $KAL_BUILD_DIR/wineprefix (default: ./build next to this repo) and is
# created on first use: null display driver, Arial mapped to Liberation Sans.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=${KAL_BUILD_DIR:-$here/../build}
export WINEPREFIX=${WINEPREFIX:-$(cd "$build" && pwd)/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree=;mshtml="}
"$here/wine-prefix.sh" "$WINEPREFIX"
WINE=$(command -v wine64 || true)
[ -n "$WINE" ] || WINE=/usr/lib/wine/wine64
exec "$WINE" "$@"
