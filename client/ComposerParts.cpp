#include "client/ComposerParts.h"

#include <algorithm>

#include "core/Zprava.h"

namespace {

bool IsBreak(char C) { return C == '\r' || C == '\n'; }

}  // namespace

std::vector<TPartRange> PartRanges(const AnsiString& EditorText, const TStrings& BareParts) {
    std::vector<TPartRange> ranges;
    const std::size_t size = EditorText.size();
    std::size_t i = 0;
    Integer pos = 0;
    // Skips one line break (CR LF, CR or LF) at i; true when there was one.
    auto skipBreak = [&] {
        if (i >= size || !IsBreak(EditorText[i])) return false;
        if (EditorText[i] == '\r' && i + 1 < size && EditorText[i + 1] == '\n') ++i;
        ++i;
        ++pos;
        return true;
    };
    for (int part = 0; part < BareParts.Count(); ++part) {
        const Integer length = static_cast<Integer>(BareParts[part].size());
        // Breaks before a part's first character belong to the part before.
        if (!ranges.empty())
            while (skipBreak()) ranges.back().Length += 1;
        else
            while (skipBreak()) {
            }
        if (i >= size) break;
        TPartRange range{pos, 0};
        for (Integer taken = 0; taken < length && i < size;) {
            if (skipBreak()) continue;
            ++i;
            ++pos;
            ++taken;
        }
        range.Length = pos - range.Start;
        ranges.push_back(range);
    }
    // Breaks after the last character go with the last part.
    if (!ranges.empty())
        while (skipBreak()) ranges.back().Length += 1;
    return ranges;
}

Integer CountLineBreaks(const AnsiString& Text) {
    Integer count = 0;
    for (std::size_t i = 0; i + 1 < Text.size(); ++i)
        if (Text[i] == '\r' && Text[i + 1] == '\n') ++count;
    return count;
}

Integer ComposerLimit(const AnsiString& Text, const AnsiString& NickName) {
    const Integer nick = std::min<Integer>(static_cast<Integer>(NickName.size()), Trozdel::MaxNickLength);
    const Integer limit = 800 + CountLineBreaks(Text) - Trozdel::MaxParts * (nick + 4);
    return std::max<Integer>(limit, 1);
}

AnsiString CutToLimit(const AnsiString& Text, Integer Limit) {
    if (Limit < 0) Limit = 0;
    if (Text.size() <= static_cast<std::size_t>(Limit)) return Text;
    AnsiString cut = Text.substr(0, static_cast<std::size_t>(Limit));
    if (!cut.empty() && cut.back() == '\r' && Text[cut.size()] == '\n') cut.pop_back();
    return cut;
}
