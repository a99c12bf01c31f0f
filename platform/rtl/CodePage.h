#pragma once
// Windows-1250, the program's text encoding, to and from UTF-8 (file names,
// terminal, screen) and ISO 8859-2.
//
// The five bytes Windows-1250 leaves undefined (0x81 0x83 0x88 0x90 0x98)
// become the C1 control characters of the same value (U+0081...), as
// Windows' own conversion does. That keeps AnsiToUtf8 -> Utf8ToAnsi lossless
// for every byte, which matters for file names, whereas U+FFFD or "?" would
// turn different names into the same one.

#include <string>
#include <string_view>

#include "platform/rtl/System.h"

// Never fails: every Windows-1250 byte has a UTF-8 form.
std::string AnsiToUtf8(std::string_view Ansi);
// Characters without a Windows-1250 counterpart become '?', and so does each
// byte that is not part of a well-formed UTF-8 sequence (overlong forms,
// surrogates and code points above U+10FFFF are not well-formed).
AnsiString Utf8ToAnsi(std::string_view Utf8);

// Byte for byte; a character missing on the other side becomes '?'.
std::string AnsiToIso88592(std::string_view Ansi);
AnsiString Iso88592ToAnsi(std::string_view Iso);

// The Unicode code point of a Windows-1250 byte.
char32_t AnsiCharToUnicode(char Ch);
// The Windows-1250 byte of a code point; false (Ch = '?') when it has none.
bool UnicodeCharToAnsi(char32_t Code, char& Ch);
