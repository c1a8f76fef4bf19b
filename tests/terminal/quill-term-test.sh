#!/bin/sh
# quill-term-test.sh QUILL: "quill term --render" prints the rows, the cursor and the attribute map, and
# reports unreadable files and bad sizes with the table's messages.
set -u
quill=$1
fail() { echo "$*"; exit 1; }

expected='Hello world
lqk!
0123456789ab


cursor 12 2
attr 0 6-10 0x0012
attr 1 0-2 0x0080
attr 1 3-3 0x0200 fg #A00000
attr 2 0-11 0x0200 fg #A00000'
actual=$(printf 'Hello \033[1;4mworld\033[0m\r\n\033(0lqk\033(B\033[31m!\r\n0123456789ab' |
         "$quill" term --render - --cols 12 --rows 5 --attrs) || fail "render failed"
[ "$actual" = "$expected" ] || fail "got:
$actual"

# VT100 has no colours; without --attrs only the rows and the cursor.
actual=$(printf '\033[31mred\033[2;3Hx' | "$quill" term --render - --emulation vt100 --cols 10 --rows 5)
[ "$actual" = "$(printf 'red\n  x\n\n\n\ncursor 3 1')" ] || fail "vt100 got: $actual"

err=$("$quill" term --render /nonexistent/stream 2>&1) && fail "missing file accepted"
echo "$err" | grep -q "does not exist" || fail "missing file: $err"
err=$(printf x | "$quill" term --render - --cols 4 2>&1) && fail "4 columns accepted"
echo "$err" | grep -q "Invalid argument" || fail "bad size: $err"
"$quill" term --render - --emulation vt52 </dev/null 2>/dev/null && fail "unknown emulation accepted"
exit 0
