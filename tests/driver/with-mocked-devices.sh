#!/bin/sh
# Runs a test program under umockdev's preload library, which mocks /sys,
# /dev and the device database for it and the programs it starts. In the
# sanitized build the preload library comes before ASan's runtime in the
# library list, which ASan would refuse by default.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
export ASAN_OPTIONS
exec umockdev-wrapper "$@"
