#include "platform/ui/DrawText.h"

#include <algorithm>

#include "platform/rtl/ScopeGuard.h"

namespace {

// Width of a line with tabs expanded to stops every eight average
// characters (measured from the line's start).
Integer LineWidth(const TFont& font, const AnsiString& line, bool expandTabs, Integer tabWidth) {
    if (!expandTabs || line.find('\t') == AnsiString::npos) return MeasureText(font, line).x;
    Integer x = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        const AnsiString piece = line.substr(start, tab == AnsiString::npos ? AnsiString::npos : tab - start);
        x += piece.empty() ? 0 : MeasureText(font, piece).x;
        if (tab == AnsiString::npos) break;
        x = tabWidth > 0 ? (x / tabWidth + 1) * tabWidth : x;
        start = tab + 1;
    }
    return x;
}

AnsiString RemovePrefixes(const AnsiString& text) {
    AnsiString out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 < text.size()) out += text[++i];
            continue;
        }
        out += text[i];
    }
    return out;
}

std::vector<AnsiString> SplitParagraphs(const AnsiString& text, bool singleLine) {
    std::vector<AnsiString> out;
    AnsiString current;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (!singleLine && (c == '\r' || c == '\n')) {
            out.push_back(current);
            current.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            continue;
        }
        current += c;
    }
    out.push_back(current);
    return out;
}

}  // namespace

Integer AverageCharWidth(const TFont& Font) {
    const Integer w = MeasureText(Font, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz").x;
    return (w + 26) / 52;
}

TTextLayout LayoutText(const TFont& Font, const AnsiString& Text, Integer Width, Cardinal Format) {
    TTextLayout layout;
    layout.LineHeight = MeasureText(Font, " ").y;
    if (Text.empty()) return layout;
    const bool expandTabs = (Format & DT_EXPANDTABS) != 0;
    const Integer tabWidth = expandTabs ? 8 * AverageCharWidth(Font) : 0;
    const bool singleLine = (Format & DT_SINGLELINE) != 0;
    const bool wordBreak = (Format & DT_WORDBREAK) != 0 && !singleLine;
    const AnsiString text = (Format & DT_NOPREFIX) ? Text : RemovePrefixes(Text);
    auto width = [&](const AnsiString& s) { return LineWidth(Font, s, expandTabs, tabWidth); };

    for (const AnsiString& paragraph : SplitParagraphs(text, singleLine)) {
        if (!wordBreak) {
            layout.Lines.push_back({paragraph, 0, width(paragraph)});
            continue;
        }
        // Greedy wrapping at blanks: a line takes words while they fit; the
        // blanks where a line breaks are dropped.
        std::size_t pos = 0;
        bool emitted = false;
        while (pos < paragraph.size() || !emitted) {
            AnsiString line;
            std::size_t end = pos;
            std::size_t lastFit = AnsiString::npos;
            while (end < paragraph.size()) {
                std::size_t wordEnd = end;
                while (wordEnd < paragraph.size() && paragraph[wordEnd] == ' ') ++wordEnd;
                while (wordEnd < paragraph.size() && paragraph[wordEnd] != ' ') ++wordEnd;
                const AnsiString candidate = paragraph.substr(pos, wordEnd - pos);
                if (lastFit != AnsiString::npos && width(candidate) > Width) break;
                lastFit = wordEnd;
                end = wordEnd;
            }
            if (lastFit == AnsiString::npos) lastFit = end;
            line = paragraph.substr(pos, lastFit - pos);
            while (!line.empty() && line.back() == ' ' && lastFit < paragraph.size()) line.pop_back();
            layout.Lines.push_back({line, 0, width(line)});
            emitted = true;
            pos = lastFit;
            while (pos < paragraph.size() && paragraph[pos] == ' ') ++pos;
            if (pos >= paragraph.size()) break;
        }
    }
    if (Format & DT_END_ELLIPSIS) {
        // Lines too wide lose characters at the end in favour of "...".
        for (TTextLine& line : layout.Lines) {
            if (line.Width <= Width) continue;
            AnsiString cut = line.Text;
            while (!cut.empty() && width(cut + "...") > Width) cut.pop_back();
            line.Text = cut + "...";
            line.Width = width(line.Text);
        }
    }
    for (TTextLine& line : layout.Lines) layout.Width = std::max(layout.Width, line.Width);
    for (TTextLine& line : layout.Lines) {
        if (Format & DT_CENTER)
            line.X = (Width - line.Width) / 2;
        else if (Format & DT_RIGHT)
            line.X = Width - line.Width;
    }
    return layout;
}

namespace {

Integer DrawLayout(TCanvas* Canvas, const TFont& Font, const AnsiString& Text, TRect& Area, Cardinal Format) {
    const TTextLayout layout = LayoutText(Font, Text, Area.Width(), Format);
    if (layout.Lines.empty()) {
        if (Format & DT_CALCRECT) {
            Area.Right = Area.Left;
            Area.Bottom = Area.Top;
        }
        return 0;
    }
    const Integer height = layout.Height();
    if (Format & DT_CALCRECT) {
        Area.Right = Area.Left + layout.Width;
        Area.Bottom = Area.Top + height;
        return height;
    }
    if (!Canvas) return height;
    Integer y = Area.Top;
    if (Format & DT_SINGLELINE) {
        if (Format & DT_VCENTER)
            y = Area.Top + (Area.Height() - height) / 2;
        else if (Format & DT_BOTTOM)
            y = Area.Bottom - height;
    }
    const bool clip = !(Format & DT_NOCLIP);
    const TRect oldClip = Canvas->ClipRect();
    if (clip) Canvas->SetClipRect(IntersectRect(Area, oldClip));
    const Integer oldFlags = Canvas->TextFlags();
    if (Format & DT_RTLREADING) Canvas->SetTextFlags(oldFlags | ETO_RTLREADING);
    auto restore = ScopeExit([&] {
        Canvas->SetTextFlags(oldFlags);
        if (clip) Canvas->SetClipRect(oldClip);
    });
    const bool expandTabs = (Format & DT_EXPANDTABS) != 0;
    const Integer tabWidth = expandTabs ? 8 * AverageCharWidth(Font) : 0;
    for (const TTextLine& line : layout.Lines) {
        Integer x = Area.Left + line.X;
        if (!expandTabs || line.Text.find('\t') == AnsiString::npos) {
            Canvas->TextOut(x, y, line.Text);
        } else {
            Integer offset = 0;
            std::size_t start = 0;
            while (true) {
                const std::size_t tab = line.Text.find('\t', start);
                const AnsiString piece =
                    line.Text.substr(start, tab == AnsiString::npos ? AnsiString::npos : tab - start);
                if (!piece.empty()) {
                    Canvas->TextOut(x + offset, y, piece);
                    offset += MeasureText(Font, piece).x;
                }
                if (tab == AnsiString::npos) break;
                offset = tabWidth > 0 ? (offset / tabWidth + 1) * tabWidth : offset;
                start = tab + 1;
            }
        }
        y += layout.LineHeight;
    }
    return height;
}

}  // namespace

Integer DrawText(TCanvas* Canvas, const AnsiString& Text, TRect& Rect, Cardinal Format) {
    if (!Canvas) return 0;
    return DrawLayout(Canvas, *Canvas->Font(), Text, Rect, Format);
}

Integer DrawText(const TFont& Font, const AnsiString& Text, TRect& Rect, Cardinal Format) {
    return DrawLayout(nullptr, Font, Text, Rect, Format | DT_CALCRECT);
}

void TextRect(TCanvas* Canvas, const TRect& Rect, Integer X, Integer Y, const AnsiString& Text) {
    if (!Canvas) return;
    const TRect oldClip = Canvas->ClipRect();
    Canvas->SetClipRect(IntersectRect(Rect, oldClip));
    Canvas->TextOut(X, Y, Text);
    Canvas->SetClipRect(oldClip);
}
