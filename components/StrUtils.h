#pragma once
// String editing and word splitting shared by the components and the client.
// Positions are 1-based; "blank" is the space character only.

#include <bitset>
#include <initializer_list>
#include <string_view>

#include "platform/rtl/System.h"

// A set of 8-bit characters, the delimiters of the word functions.
class TCharSet {
public:
    TCharSet() = default;
    TCharSet(std::initializer_list<char> Chars);
    explicit TCharSet(std::string_view Chars);

    bool Contains(char C) const { return FBits[static_cast<unsigned char>(C)]; }
    TCharSet& Include(char C);

private:
    std::bitset<256> FBits;
};

// Every occurrence of Search replaced, left to right; inserted text is not
// searched again. An empty Search leaves the text unchanged.
AnsiString ReplaceAll(const AnsiString& Text, const AnsiString& Search, const AnsiString& Replacement);
AnsiString RemoveChar(const AnsiString& Text, char C);
AnsiString RemoveBlanks(const AnsiString& Text);
AnsiString TrimLeadingSpaces(const AnsiString& Text);
// The text before the first C; the whole text when C does not occur.
AnsiString TextBeforeChar(const AnsiString& Text, char C);
// Head := the text before the first C; Text := the rest starting with C itself,
// leading spaces removed (so a blank separator is consumed with the blanks
// after it). Without C the head is the whole text and Text becomes empty.
void SplitAtChar(AnsiString& Text, char C, AnsiString& Head);

// A word is a maximal run of characters outside Delimiters.
Integer CountWords(const AnsiString& Text, const TCharSet& Delimiters);
// 1-based position of word N, 0 when there are fewer than N words (or N < 1).
Integer WordStart(Integer N, const AnsiString& Text, const TCharSet& Delimiters);
// Word N, empty when there are fewer than N words.
AnsiString NthWord(Integer N, const AnsiString& Text, const TCharSet& Delimiters);

// Each byte XOR the key byte at the same index (cycled), as two lower-case hex
// digits; an empty key writes the plain bytes.
AnsiString EncodeHexWithKey(const AnsiString& Key, const AnsiString& Text);
// The reverse: a trailing odd digit is ignored and a pair that is not
// hexadecimal stands for a space (before the key is applied).
AnsiString DecodeHexWithKey(const AnsiString& Key, const AnsiString& HexText);
