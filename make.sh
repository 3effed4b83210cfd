#!/bin/sh
# The first thing to run on a fresh Debian: installs make (with root or
# sudo) when it is missing, then hands over to it. `sh make.sh run` and
# `sh make.sh test` are the two commands of the README; every make target
# then installs the rest of what it needs through scripts/install-deps.
set -eu
cd "$(dirname "$0")"

if ! command -v make >/dev/null 2>&1; then
    if [ "$(id -u)" -eq 0 ]; then
        as_root=
    elif command -v sudo >/dev/null 2>&1; then
        as_root=sudo
    else
        echo "make.sh: make is not installed; run this as root, or install make and sudo first" >&2
        exit 1
    fi
    echo "make.sh: installing make"
    # The package lists of a fresh root are empty until the first update.
    $as_root env DEBIAN_FRONTEND=noninteractive apt-get update
    $as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends make
fi
exec make "$@"
