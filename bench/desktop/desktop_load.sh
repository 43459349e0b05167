#!/usr/bin/env bash
# CPU share and resident memory of the desktop game under Xvfb, at the title and
# in play, in one window mode: 1 (x1), 2 (x2) or 0 (full screen).
#   bench/desktop/desktop_load.sh DIST MODE [SECONDS]
# Prints one table row: mode, then title and play figures (CPU % of one core over
# SECONDS, resident and peak resident MB). SDL_RENDER_DRIVER and the like pass through.
set -euo pipefail
dist="$(cd "$1" && pwd)"
mode="$2"
seconds="${3:-10}"
work="$(mktemp -d)"
trap 'kill $game $xvfb 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
# A scratch copy of the game folder holds the window mode, so the player's files stay as they are.
for f in "$dist"/*; do ln -s "$f" "$work/"; done
printf "\\x$(printf %02x "$mode")\\x00\\x00\\x00" >"$work/config.ini"
display=":$((100 + RANDOM % 400))"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
(cd "$work" && DISPLAY="$display" SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}" exec ./borrakezti) >/dev/null 2>&1 &
game=$!
ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$game/stat"; }
kb() { awk -v f="$1" '$1 == f {print $2}' "/proc/$game/status"; }
measure() {
  local c0 c1
  c0=$(cpu)
  sleep "$seconds"
  c1=$(cpu)
  awk -v d=$((c1 - c0)) -v t="$ticks" -v s="$seconds" -v r="$(kb VmRSS:)" -v h="$(kb VmHWM:)" \
    'BEGIN { printf "%.1f %% | %.1f MB | %.1f MB", 100 * d / t / s, r / 1024, h / 1024 }'
}
press() {
  DISPLAY="$display" xdotool search --pid "$game" --onlyvisible 2>/dev/null | head -1 |
    xargs -r -I{} env DISPLAY="$display" xdotool windowfocus --sync {} >/dev/null 2>&1 || true
  DISPLAY="$display" xdotool keydown "$1"
  sleep 0.2
  DISPLAY="$display" xdotool keyup "$1"
  sleep 0.8
}
sleep 4
title=$(measure)
# Four presses lead from the title through the menu and the how-to page into play.
press z
press z
press z
press z
sleep 2
play=$(measure)
echo "| $mode | $title | $play |"
