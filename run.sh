#!/bin/sh
# Builds and starts the player. Installs what is missing first, make and the compiler
# too, so it works on a Debian 12 that has neither: run as root or with sudo.
set -e
cd "$(dirname "$0")"
bash scripts/setup.sh run
exec make run
