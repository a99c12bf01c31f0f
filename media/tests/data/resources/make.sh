#!/usr/bin/env bash
# Makes the resource module's starting inputs with binutils' windres from a
# script of every resource kind the module reads. Run it from this folder;
# the fuzz target reads only the files it leaves here.
set -euo pipefail
WINDRES="x86_64-w64-mingw32-windres --preprocessor=cpp"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cp ../icons/several.ico ../icons/arrow.cur "$tmp/"
cp ../../../../platform/gfx/tests/data/bmp/pal8.bmp "$tmp/"
# A message table of two blocks: ids 1-2 in ANSI, id 10 in UTF-16.
python3 - "$tmp/messages.bin" <<'PY'
import struct, sys
def entry(text, unicode):
    data = text.encode('utf-16-le' if unicode else 'cp1250') + (b'\0\0' if unicode else b'\0')
    data += b'\0' * (-len(data) % 4)
    return struct.pack('<HH', 4 + len(data), 1 if unicode else 0) + data
first = entry('Soubor nenalezen.\r\n', False) + entry('Chyba %1.\r\n', False)
second = entry('Žádná odpověď.\r\n', True)
head = 4 + 2 * 12
blocks = struct.pack('<I', 2) + struct.pack('<III', 1, 2, head) + struct.pack('<III', 10, 10, head + len(first))
open(sys.argv[1], 'wb').write(blocks + first + second)
PY

cat > "$tmp/all.rc" <<'RC'
#define IDC_STATIC -1
1 ICON "several.ico"
APPCURSOR CURSOR "arrow.cur"
LOGO BITMAP "pal8.bmp"
STRINGTABLE
BEGIN
  1 "Hello"
  2 "Dobr\x00fd den"
  17 "Another block"
END
MAINMENU MENU
BEGIN
  POPUP "&File"
  BEGIN
    MENUITEM "&Open\tCtrl+O", 100
    MENUITEM SEPARATOR
    MENUITEM "E&xit", 101, GRAYED
  END
  MENUITEM "&Help", 102
END
EXMENU MENUEX
BEGIN
  POPUP "&Edit", 200
  BEGIN
    MENUITEM "&Copy", 201
  END
END
ABOUT DIALOG 10, 10, 160, 60
STYLE 0x80C80000
CAPTION "About"
FONT 8, "MS Sans Serif"
BEGIN
  LTEXT "Vemlor", IDC_STATIC, 8, 8, 100, 10
  DEFPUSHBUTTON "OK", 1, 100, 40, 50, 14
  CONTROL "", 300, "msctls_progress32", 0x50000000, 8, 24, 140, 8
END
EXDIALOG DIALOGEX 0, 0, 100, 40
STYLE 0x80C80000
EXSTYLE 0x00000008
CAPTION "Ex"
FONT 9, "Segoe UI", 400, 0, 1
BEGIN
  EDITTEXT 400, 4, 4, 90, 12
END
1 VERSIONINFO
FILEVERSION 1,2,3,4
PRODUCTVERSION 1,2,0,0
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040504E2"
    BEGIN
      VALUE "FileDescription", "Test"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x405, 1250
  END
END
1 MESSAGETABLE "messages.bin"
DATA RCDATA
BEGIN
  "raw bytes", 0x1234, 5L
END
RC
(cd "$tmp" && $WINDRES -O res -c 1250 all.rc all.res)
cp "$tmp/all.res" every_kind.res

# One icon alone, in a module of its own.
printf '5 ICON "several.ico"\n' > "$tmp/icon.rc"
(cd "$tmp" && $WINDRES -O res icon.rc icon.res)
cp "$tmp/icon.res" one_icon.res
