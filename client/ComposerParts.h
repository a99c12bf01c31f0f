#pragma once
// The arithmetic behind the text composer's display: where each SMS part of
// the composed text lies in the editor, and how long the text may grow.
//
// The editor counts a line break as one position; its Text gives CR LF for
// it, and the SMS splitter drops line breaks altogether. A part's range is
// therefore found by walking the editor's text, counting a CR LF pair (or a
// lone CR or LF) as one position and only the other characters against the
// part's length.

#include <vector>

#include "platform/rtl/StringList.h"
#include "platform/rtl/System.h"

struct TPartRange {
    Integer Start = 0;   // editor position of the part's first character
    Integer Length = 0;  // positions it spans, the line breaks inside included
    bool operator==(const TPartRange&) const = default;
};

// One range per part that reaches into the text, in order. Line breaks
// between two parts go with the earlier one; characters of the parts beyond
// the end of the text (the reserve for salutation and signature) have no
// range.
std::vector<TPartRange> PartRanges(const AnsiString& EditorText, const TStrings& BareParts);

// Number of CR LF pairs in the text.
Integer CountLineBreaks(const AnsiString& Text);

// The editor's length limit, counted as its Text counts (CR LF as two): 800
// characters of message and one per line break, less what five parts spend
// on their headers and the nickname as the splitter uses it (at most ten
// characters), never less than 1.
Integer ComposerLimit(const AnsiString& Text, const AnsiString& NickName);

// The first Limit characters of the text, without a CR cut off from its LF.
AnsiString CutToLimit(const AnsiString& Text, Integer Limit);
