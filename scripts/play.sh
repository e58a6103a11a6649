#!/bin/bash
# Installs what is missing, builds the game and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRF_TESTS=OFF
cmake --build build -j"$(nproc)"
cd build
# At the display's pace, as the installed launcher starts it.
export SDL_RENDER_VSYNC=${SDL_RENDER_VSYNC-1}
exec ./rechenfrucht
