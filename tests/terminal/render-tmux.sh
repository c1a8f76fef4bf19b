#!/bin/sh
# render-tmux.sh STREAM COLS ROWS: feeds STREAM to a headless tmux pane of that size and prints the pane,
# one line per row, then "cursor X Y". Each run has its own server and socket, both gone when it ends.
set -eu
stream=$(realpath "$1")
cols=$2
rows=$3
dir=$(mktemp -d)
sock="$dir/tmux"
t() { tmux -S "$sock" -f /dev/null "$@"; }
trap 't kill-server 2>/dev/null || true; rm -rf "$dir"' EXIT
# The pane waits for "go", so the stream is written only once the pane has its final size.
t new-session -d -x "$cols" -y "$rows" \
  "tmux -S '$sock' wait-for go; stty raw -echo -opost; cat '$stream'; tmux -S '$sock' wait-for -S done; sleep 600"
t set -g status off
t resize-window -x "$cols" -y "$rows"
t wait-for -S go
t wait-for done
t capture-pane -p
t display -p 'cursor #{cursor_x} #{cursor_y}'
