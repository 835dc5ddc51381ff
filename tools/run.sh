#!/usr/bin/env bash
# Starts the monitor on the sample host list from the project's root.
# Without a display the program says so and runs offscreen, still polling
# (and writing its log file if Options > Write log is on, the setting
# writelog=yes); Ctrl+C ends it.
set -euo pipefail
cd "$(dirname "$0")/.."
exec build/quorvane "${1:-hosts.txt}"
