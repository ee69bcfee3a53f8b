# Shared by the demo steps: where things are and how to run a Windows program.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export KAL_BUILD_DIR=${KAL_BUILD_DIR:-$root/build}
BIN=$KAL_BUILD_DIR/bin
OUT=${KAL_OUT_DIR:-$root/out}
mkdir -p "$OUT"
# Runs a Windows program in the private prefix.
kal_wine() { "$root/cmake/wine-run.sh" "$@"; }
# Windows form of a path under the build or out folder (Wine maps / to Z:).
winpath() { echo "Z:$(echo "$1" | sed 's#/#\\#g')"; }
say() { printf '\n== %s\n' "$*"; }
