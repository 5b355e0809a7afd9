#!/bin/sh
# Builds and runs every test, and builds and checks the .deb. Installs what is missing
# first, make and the compiler too: run as root or with sudo.
set -e
cd "$(dirname "$0")"
bash scripts/setup.sh test
exec make test
