#!/usr/bin/env bash
# Builds ktpm as a shared library, installs it to a temporary prefix, moves the installation
# elsewhere, and builds and runs a client through find_package and through pkg-config against
# the moved copy. Proves that the shared library works, that the install holds every header a
# client needs, and that nothing in it names the build machine or the original prefix.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
jobs="${JOBS:-$(nproc)}"
work="$(mktemp -d "${TMPDIR:-/tmp}/ktpm-install.XXXXXX")"
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

echo "== shared library build, installed to $work/prefix"
cmake -S "$here" -B "${KTPM_INSTALL_BUILD_DIR:-$here/build-shared}" -G Ninja "${launcher[@]}" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON -DKTPM_BUILD_TESTS=OFF \
  -DKTPM_BUILD_BENCH=OFF -DKTPM_INSTALL_STANDINS=ON -DCMAKE_INSTALL_PREFIX="$work/prefix" >/dev/null
cmake --build "${KTPM_INSTALL_BUILD_DIR:-$here/build-shared}" -j "$jobs"
cmake --install "${KTPM_INSTALL_BUILD_DIR:-$here/build-shared}" >/dev/null

mv "$work/prefix" "$work/moved"
prefix="$work/moved"
if grep -rIl -e "$work/prefix" -e "$here" "$prefix" 2>/dev/null | grep -q .; then
  echo "the installation names the build machine:" >&2
  grep -rIl -e "$work/prefix" -e "$here" "$prefix" >&2
  exit 1
fi
if find "$prefix/include" -name '*.h' | grep -v "^$prefix/include/ktpm/" | grep -q .; then
  echo "headers installed outside include/ktpm" >&2
  exit 1
fi

cp -r "$here/data/sample-project" "$work/project"
export XDG_STATE_HOME="$work/state" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
unset KT_TOOLS_DIR KTPM_DATA_DIR

echo "== client through find_package"
cmake -S "$here/tests/package" -B "$work/client-cmake" -G Ninja "${launcher[@]}" \
  -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/client-cmake" >/dev/null
LD_LIBRARY_PATH="$prefix/lib:$prefix/lib64:$prefix/lib/$(gcc -dumpmachine)" \
  "$work/client-cmake/package_client" "$work/project"

echo "== client through pkg-config"
pc_dir="$(dirname "$(find "$prefix" -name ktpm.pc | head -n 1)")"
# shellcheck disable=SC2046
c++ -std=c++20 -o "$work/client-pc" "$here/tests/package/package_client.cpp" \
  $(PKG_CONFIG_PATH="$pc_dir" pkg-config --cflags --libs ktpm)
LD_LIBRARY_PATH="$(PKG_CONFIG_PATH="$pc_dir" pkg-config --variable=libdir ktpm)" \
  "$work/client-pc" "$work/project"

echo "== the README's embedding example"
sed -n '/^```cpp$/,/^```$/p' "$here/README.md" | sed '1d;$d' > "$work/readme_example.cpp"
# shellcheck disable=SC2046
c++ -std=c++20 -o "$work/readme-example" "$work/readme_example.cpp" \
  $(PKG_CONFIG_PATH="$pc_dir" pkg-config --cflags --libs ktpm)
LD_LIBRARY_PATH="$(PKG_CONFIG_PATH="$pc_dir" pkg-config --variable=libdir ktpm)" \
  "$work/readme-example" "$work/project" | grep -q .

echo "== the moved program finds its library, data and helper programs by itself"
"$prefix/bin/ktpm" --version
"$prefix/bin/ktpm" materials search --json >/dev/null
(cd "$work/project" && "$prefix/bin/ktpm" jobs --run "tcl -input bracket3.040 -screenlog bracket3.540" \
  --name bracket3.csu >/dev/null)
echo "install check passed"
