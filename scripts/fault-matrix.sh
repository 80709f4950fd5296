#!/usr/bin/env bash
# Every cable fault of the simulator at every page that talks to the board, in one
# process, so that the whole table comes at the end (ctest runs the same test one page
# per process). Builds what it needs in build/ first.
#
#   scripts/fault-matrix.sh [GTEST_FILTER]     e.g. '*led*:*dump*' for two rows
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build -j"$(nproc)" --target fault_matrix
start=$(date +%s)
status=0
QT_QPA_PLATFORM=offscreen build/tests/app/fault_matrix --gtest_filter="${1:-*}" >build/fault-matrix.log 2>&1 || status=$?
# The cells as they ran, each failed check, and the table.
grep -E ' x [a-z-]+: |Failure|^fault: |^[a-z0-9-]+ +(lost|kept|no-page|-) ' build/fault-matrix.log || true
echo "whole matrix: $(($(date +%s) - start)) s, log in build/fault-matrix.log"
exit $status
