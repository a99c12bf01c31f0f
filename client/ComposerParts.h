#pragma once
// The arithmetic behind the text composer's display: where each SMS part of
// the composed text lies in the editor, and how long the text may grow.
//
// What is measured is the text each recipient's row will carry, split by the
// splitter exactly as the send splits it: the editor's text converted as a
// queued row stores it (a line break becomes a blank or nothing, letters
// lose their diacritics, some characters are dropped), with the recipient's
// salutation before it and signature after it. The editor counts a line
// break as one position; its Text gives CR LF for it.

#include <functional>
#include <vector>

#include "platform/rtl/StringList.h"
#include "platform/rtl/System.h"

struct TPartRange {
    Integer Start = 0;   // editor position of the part's first character
    Integer Length = 0;  // positions it spans, the line breaks inside included
    bool operator==(const TPartRange&) const = default;
};

// How many characters of the split text one character of the editor's text
// becomes (the splitter's own removal of CR and LF counted in).
using TCharWeight = std::function<Integer(char)>;

// One range per part that reaches into the text, in order, the range of
// part i at index i. Lead characters of the split text come before the
// editor's (the salutation): a part that they fill alone gets an empty range
// at the start. A character that becomes nothing goes with the part before
// it (line breaks between two parts go with the earlier one); characters of
// the parts beyond the end of the text, and those no part holds, have no
// range. Without a weight, CR and LF weigh nothing and every other
// character one.
std::vector<TPartRange> PartRanges(const AnsiString& EditorText, const TStrings& BareParts, Integer Lead = 0,
                                   const TCharWeight& Weight = {});

// Number of CR LF pairs in the text.
Integer CountLineBreaks(const AnsiString& Text);

// What a queued row puts around the composed text for one recipient, in the
// form the row stores: the salutation and its blank before, a blank and the
// signature after; each empty when not added.
struct TTextFrame {
    AnsiString Lead;
    AnsiString Tail;
    bool operator==(const TTextFrame&) const = default;
};

// The conversion of the composed text into what a row stores. It converts
// character by character, so converting a beginning of the text gives a
// beginning of the converted text.
using TPlainConversion = std::function<AnsiString(const AnsiString&)>;

// How the editor's text fits the five parts of every recipient's row.
struct TComposerFit {
    // The fullest row: the most characters lost, else the most parts, else
    // the longest last part. The counters show its split.
    TTextFrame Frame;
    // Every row keeps the whole text.
    bool Fits = true;
    // The longest beginning of the editor's text (counted as its Text counts,
    // CR LF as two) that every row keeps whole.
    Integer Fitting = 0;
    // The editor's limit in its own positions (a line break one): when the
    // text fits, its positions and the most characters that could still
    // follow it; otherwise the positions of the beginning that fits. Never
    // below 1.
    Integer Limit = 1;
};

// No frame counts as one empty frame. The nickname is the splitter's.
TComposerFit FitComposedText(const AnsiString& EditorText, const std::vector<TTextFrame>& Frames,
                             const TPlainConversion& Plain, bool WholeWords);

// The first Limit characters of the text, without a CR cut off from its LF.
AnsiString CutToLimit(const AnsiString& Text, Integer Limit);
