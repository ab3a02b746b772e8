#!/usr/bin/env bash
# The main job on the bundled sample project: copy it into a temporary directory (opening a
# project may write into it) and print its tree with every node's files.
set -euo pipefail
ktpm="${1:-build/tools/ktpm/ktpm}"
here="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/ktpm-demo.XXXXXX")"
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
cp -r "$here/data/sample-project" "$work/project"
echo "== ktpm files (the registry's view of every file)"
"$ktpm" files "$work/project"
echo
echo "== ktpm tree --files (the project as the application opens it)"
"$ktpm" tree --files "$work/project"
