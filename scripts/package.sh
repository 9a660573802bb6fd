#!/usr/bin/env bash
# Installs what is missing, builds TAV.exe in release mode and writes what a
# Windows user downloads to build/dist/: the installer package
# TAV-<version>.msi and TAV-<version>-portable.zip.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" --target dist
ls -l "$root"/build/dist/TAV-*
