#pragma once
// Character and paragraph formats of the rich-edit control, as records with
// masks: a record says which of its attributes it carries, so a get over a
// selection can report which attributes are the same throughout, and a set
// changes only the masked attributes. Shared by the control and the RTF
// reader and writer, which is why it knows no window.
//
// Lengths are twips (1/1440 inch). Colours are 0x00BBGGRR.

#include <array>

#include "platform/rtl/System.h"

// Character format mask bits.
constexpr Cardinal CFM_BOLD = 0x00000001;
constexpr Cardinal CFM_ITALIC = 0x00000002;
constexpr Cardinal CFM_UNDERLINE = 0x00000004;
constexpr Cardinal CFM_STRIKEOUT = 0x00000008;
constexpr Cardinal CFM_PROTECTED = 0x00000010;
constexpr Cardinal CFM_LINK = 0x00000020;
constexpr Cardinal CFM_SIZE = 0x80000000;
constexpr Cardinal CFM_COLOR = 0x40000000;
constexpr Cardinal CFM_FACE = 0x20000000;
constexpr Cardinal CFM_OFFSET = 0x10000000;
constexpr Cardinal CFM_CHARSET = 0x08000000;
constexpr Cardinal CFM_WEIGHT = 0x00400000;
// Every attribute the control keeps.
constexpr Cardinal CFM_ALL2 = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_PROTECTED | CFM_LINK |
                              CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_OFFSET | CFM_CHARSET | CFM_WEIGHT;

// Character effect bits.
constexpr Cardinal CFE_BOLD = 0x0001;
constexpr Cardinal CFE_ITALIC = 0x0002;
constexpr Cardinal CFE_UNDERLINE = 0x0004;
constexpr Cardinal CFE_STRIKEOUT = 0x0008;
constexpr Cardinal CFE_PROTECTED = 0x0010;
constexpr Cardinal CFE_LINK = 0x0020;
// The text takes the window-text colour instead of TextColor.
constexpr Cardinal CFE_AUTOCOLOR = 0x40000000;

// The face name field holds 31 characters and its terminator.
constexpr int LF_FACESIZE = 32;

// Pitch bits of PitchAndFamily.
constexpr Byte DEFAULT_PITCH = 0;
constexpr Byte FIXED_PITCH = 1;
constexpr Byte VARIABLE_PITCH = 2;

struct TCharFormat {
    Cardinal Mask = 0;
    Cardinal Effects = 0;
    LongInt Height = 0;      // twips
    LongInt Offset = 0;      // twips above the base line
    Cardinal TextColor = 0;  // 0x00BBGGRR, unless CFE_AUTOCOLOR
    Byte Charset = 0;
    Byte PitchAndFamily = 0;
    AnsiString FaceName;     // at most LF_FACESIZE - 1 characters
    Word Weight = 0;         // 400 normal, 700 bold

    bool operator==(const TCharFormat&) const = default;
};

// Cuts a face name to what the record's field holds.
AnsiString CutFaceName(const AnsiString& Name);

// Paragraph format mask bits.
constexpr Cardinal PFM_STARTINDENT = 0x00000001;
constexpr Cardinal PFM_RIGHTINDENT = 0x00000002;
constexpr Cardinal PFM_OFFSET = 0x00000004;
constexpr Cardinal PFM_ALIGNMENT = 0x00000008;
constexpr Cardinal PFM_TABSTOPS = 0x00000010;
constexpr Cardinal PFM_NUMBERING = 0x00000020;
constexpr Cardinal PFM_ALL = PFM_STARTINDENT | PFM_RIGHTINDENT | PFM_OFFSET | PFM_ALIGNMENT | PFM_TABSTOPS |
                             PFM_NUMBERING;

// Alignment values.
constexpr Word PFA_LEFT = 1;
constexpr Word PFA_RIGHT = 2;
constexpr Word PFA_CENTER = 3;
constexpr Word PFA_JUSTIFY = 4;

// Numbering values: none, a bullet, then numbers and letters.
constexpr Word PFN_NONE = 0;
constexpr Word PFN_BULLET = 1;
constexpr Word PFN_ARABIC = 2;
constexpr Word PFN_LCLETTER = 3;
constexpr Word PFN_UCLETTER = 4;
constexpr Word PFN_LCROMAN = 5;
constexpr Word PFN_UCROMAN = 6;

constexpr int MAX_TAB_STOPS = 32;

struct TParaFormat {
    Cardinal Mask = 0;
    Word Numbering = PFN_NONE;
    LongInt StartIndent = 0;  // first line, from the left edge
    LongInt RightIndent = 0;
    LongInt Offset = 0;       // the other lines, from the first line's indent
    Word Alignment = PFA_LEFT;
    SmallInt TabCount = 0;
    std::array<LongInt, MAX_TAB_STOPS> Tabs{};

    bool operator==(const TParaFormat&) const = default;
};
