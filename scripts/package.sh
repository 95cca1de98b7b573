#!/usr/bin/env bash
# Makes the release packages of the 32-bit product in dist/, from a build
# folder of its own (build/package) made anew each time:
#   pellwick-<version>-win32.zip   pellwick.exe, pellwick-ir.exe, README.txt
#                                  and the Simulator folder (Pellwick on the
#                                  simulated device)
#   pellwick-<version>-setup.exe   the installer (installer/pellwick.nsi)
# The version is the project's (CMakeLists.txt), read from the build's
# generated version.h.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

build=build/package
rm -rf "$build"
mkdir -p build
echo "Building the 32-bit product in $build ..."
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_TESTING=OFF >"$build.log" 2>&1 &&
    cmake --build "$build" --target stage setup -j"$(nproc)" >>"$build.log" 2>&1 ||
    { tail -n 30 "$build.log"; exit 1; }

version=$(sed -n 's/^#define APP_VERSION_TEXT "\(.*\)"$/\1/p' "$build/generated/version.h")
[ -n "$version" ] || { echo "no version in $build/generated/version.h"; exit 1; }
mkdir -p dist
zip=dist/pellwick-$version-win32.zip
setup=dist/pellwick-$version-setup.exe
rm -f "$zip" "$setup"
# The staged folder's contents at the top of the zip, in their Windows names.
(cd "$build/stage" && cmake -E tar cf "$OLDPWD/$zip" --format=zip -- *)
cp "$build/bin/setup/pellwick-$version-setup.exe" "$setup"
echo "Packages of Pellwick $version:"
ls -l "$zip" "$setup" | awk '{ printf "  %-40s %9d bytes\n", $NF, $5 }'
