#!/usr/bin/env bash
# The main job on the bundled sample project: copy it into a temporary directory (opening a
# project may write into it), print its files and tree, run the pending cool analysis through
# the job manager with the stand-in solver, and print the tree again.
set -euo pipefail
ktpm="$(cd "$(dirname "${1:-build/tools/ktpm/ktpm}")" && pwd)/$(basename "${1:-build/tools/ktpm/ktpm}")"
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(dirname "$(dirname "$(dirname "$ktpm")")")"
work="$(mktemp -d "${TMPDIR:-/tmp}/ktpm-demo.XXXXXX")"
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
cp -r "$here/data/sample-project" "$work/project"
# Keep the demo's job logs and material database out of the user's own.
export XDG_STATE_HOME="$work/state" XDG_DATA_HOME="$work/data"
export KT_TOOLS_DIR="$build/tools/bin"

echo "== ktpm files (the registry's view of every file)"
"$ktpm" files "$work/project"
echo
echo "== ktpm tree --files (the project as the application opens it)"
"$ktpm" tree --files "$work/project"
echo
echo "== running the pending cool analysis bracket3.040 through the job manager"
(cd "$work/project" && "$ktpm" jobs --run "tcl -input bracket3.040 -screenlog bracket3.540" \
  --name bracket3.csu)
echo
echo "== ktpm tree (the cool result is now complete)"
"$ktpm" tree "$work/project"
