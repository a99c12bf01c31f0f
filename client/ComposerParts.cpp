#include "client/ComposerParts.h"

#include <algorithm>
#include <tuple>

#include "core/Zprava.h"

namespace {

bool IsBreak(char C) { return C == '\r' || C == '\n'; }

// The editor's positions a text takes: a CR LF pair is one.
Integer Positions(const AnsiString& Text) { return static_cast<Integer>(Text.size()) - CountLineBreaks(Text); }

// The largest n in [Low, High) for which Holds is true, given that it holds
// for Low and not for High.
template <class F>
Integer Largest(Integer Low, Integer High, F&& Holds) {
    while (High - Low > 1) {
        const Integer middle = Low + (High - Low) / 2;
        (Holds(middle) ? Low : High) = middle;
    }
    return Low;
}

}  // namespace

std::vector<TPartRange> PartRanges(const AnsiString& EditorText, const TStrings& BareParts, Integer Lead,
                                   const TCharWeight& Weight) {
    auto weigh = [&Weight](char C) -> Integer { return Weight ? Weight(C) : IsBreak(C) ? 0 : 1; };
    // Where each part ends in the split text.
    std::vector<Integer> ends;
    Integer end = 0;
    for (int part = 0; part < BareParts.Count(); ++part)
        ends.push_back(end += static_cast<Integer>(BareParts[part].size()));

    std::vector<TPartRange> ranges;
    const std::size_t size = EditorText.size();
    std::size_t part = 0;  // the part that holds the split text's character at `kept`
    Integer kept = Lead;
    bool attached = false;  // the last character that weighed something is in a part
    Integer pos = 0;
    for (std::size_t i = 0; i < size; ++pos) {
        Integer weight = weigh(EditorText[i]);
        if (EditorText[i] == '\r' && i + 1 < size && EditorText[i + 1] == '\n') {
            weight += weigh('\n');
            i += 2;
        } else {
            ++i;
        }
        if (weight == 0) {
            if (attached) ranges.back().Length = pos + 1 - ranges.back().Start;
            continue;
        }
        while (part < ends.size() && kept >= ends[part]) ++part;
        kept += weight;
        attached = part < ends.size();
        if (!attached) continue;
        while (ranges.size() <= part) ranges.push_back(TPartRange{pos, 0});
        ranges[part].Length = pos + 1 - ranges[part].Start;
    }
    return ranges;
}

Integer CountLineBreaks(const AnsiString& Text) {
    Integer count = 0;
    for (std::size_t i = 0; i + 1 < Text.size(); ++i)
        if (Text[i] == '\r' && Text[i + 1] == '\n') ++count;
    return count;
}

TComposerFit FitComposedText(const AnsiString& EditorText, const std::vector<TTextFrame>& Frames,
                             const TPlainConversion& Plain, bool WholeWords) {
    const std::vector<TTextFrame> frames = Frames.empty() ? std::vector<TTextFrame>{TTextFrame{}} : Frames;
    // Whether every row keeps the converted text whole: the splitter alone
    // says what a part holds.
    auto keepsWhole = [&](const AnsiString& Converted) {
        return std::all_of(frames.begin(), frames.end(), [&](const TTextFrame& Frame) {
            return Trozdel(Frame.Lead + Converted + Frame.Tail, WholeWords).DroppedLength() == 0;
        });
    };

    TComposerFit fit;
    const AnsiString converted = Plain(EditorText);
    std::tuple<Integer, Integer, Integer> fullest{-1, 0, 0};
    for (const TTextFrame& frame : frames) {
        const Trozdel split(frame.Lead + converted + frame.Tail, WholeWords);
        const std::tuple<Integer, Integer, Integer> row{
            split.DroppedLength(), split.PartCount(),
            static_cast<Integer>(split.FullParts()[split.PartCount() - 1].size())};
        if (row > fullest) {
            fullest = row;
            fit.Frame = frame;
        }
    }
    fit.Fits = std::get<0>(fullest) == 0;
    if (fit.Fits) {
        // The room is the most that any continuation could add. Continued by
        // blanks, every later part is cut at its very end, whole words or
        // not, so no other continuation fits more; what a real one loses to
        // its words is taken back when it is typed.
        const Integer never = Trozdel::MaxParts * Trozdel::MaxPartLength + 1;
        const Integer room = Largest(0, never, [&](Integer N) {
            return keepsWhole(converted + AnsiString(static_cast<std::size_t>(N), ' '));
        });
        fit.Fitting = static_cast<Integer>(EditorText.size());
        fit.Limit = Positions(EditorText) + room;
    } else {
        const Integer length = Largest(0, static_cast<Integer>(EditorText.size()),
                                       [&](Integer N) { return keepsWhole(Plain(CutToLimit(EditorText, N))); });
        const AnsiString fitting = CutToLimit(EditorText, length);
        fit.Fitting = static_cast<Integer>(fitting.size());
        fit.Limit = Positions(fitting);
    }
    fit.Limit = std::max<Integer>(fit.Limit, 1);
    return fit;
}

AnsiString CutToLimit(const AnsiString& Text, Integer Limit) {
    if (Limit < 0) Limit = 0;
    if (Text.size() <= static_cast<std::size_t>(Limit)) return Text;
    AnsiString cut = Text.substr(0, static_cast<std::size_t>(Limit));
    if (!cut.empty() && cut.back() == '\r' && Text[cut.size()] == '\n') cut.pop_back();
    return cut;
}
