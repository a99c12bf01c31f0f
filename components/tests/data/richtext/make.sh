#!/usr/bin/env bash
# Makes the rich editor's text-loading fuzz target's starting inputs: a byte
# naming how the text loads (see fuzz/richedit/fuzz_rich_text.cpp), then the
# file. Run it from this folder.
set -euo pipefail
python3 - <<'PY'
text = 'Ahoj Petře,\r\nzítra v 8:00 u nádraží.\nS pozdravem\rJana\r\n\r\n'
for name, content in {
    'cp1250_rich.txt': b'\0' + text.encode('cp1250'),
    'cp1250_plain.txt': b'\2' + text.encode('cp1250'),
    'utf16_rich.txt': b'\1' + b'\xff\xfe' + (text + 'Ωmega \U0001F600').encode('utf-16-le'),
    'utf16_plain.txt': b'\3' + (text + '€ ‰').encode('utf-16-le'),
    'either_rtf.txt': b'\4' + rb'{\rtf1\ansi\ansicpg1250{\fonttbl{\f0 Arial;}}\f0 Dobr\'fd \b den\b0\par konec}',
    'either_text.txt': b'\4' + b'{\\rtf nen\xed RTF\r\n',
}.items():
    open(name, 'wb').write(content)
PY
