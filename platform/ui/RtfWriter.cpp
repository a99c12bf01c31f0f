#include "platform/ui/RtfWriter.h"

#include <cstdio>
#include <map>
#include <tuple>
#include <vector>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"

namespace {

using TFontKey = std::tuple<AnsiString, int, int>;  // face, charset (-1: none), pitch and family

TFontKey FontKey(const TCharFormat& f) {
    return {f.FaceName, (f.Mask & CFM_CHARSET) ? f.Charset : -1, f.PitchAndFamily};
}

const char* FamilyWord(Byte pitchAndFamily) {
    switch (pitchAndFamily & 0xF0) {
    case 0x10: return "\\froman";
    case 0x20: return "\\fswiss";
    case 0x30: return "\\fmodern";
    case 0x40: return "\\fscript";
    case 0x50: return "\\fdecor";
    default: return "\\fnil";
    }
}

AnsiString Hex(unsigned char b) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\'%02x", b);
    return buf;
}

class TRtfWriter {
public:
    explicit TRtfWriter(const TRichText& text) : FText(text) {}

    AnsiString Run() {
        CollectTables();
        FOut = "{\\rtf1\\ansi\\ansicpg1250\\deff0";
        WriteFontTable();
        WriteColorTable();
        FOut += "\\uc1";
        for (const TRichParagraph& p : FText.Paragraphs) {
            WriteParagraph(p.Format);
            bool first = true;
            for (const TRichRun& r : p.Runs) {
                const std::size_t before = FOut.size();
                WriteCharFormat(r.Format);
                // A control word just written needs its space delimiter; a
                // closing brace or text does not take one.
                if (FOut.size() != before || (first && FOut.back() != '}')) FOut += ' ';
                first = false;
                WriteText(r.Text);
            }
            FOut += "\\par\r\n";
        }
        FOut += "}";
        return std::move(FOut);
    }

private:
    void CollectTables() {
        for (const TRichParagraph& p : FText.Paragraphs)
            for (const TRichRun& r : p.Runs) {
                if ((r.Format.Mask & CFM_FACE) && !FFonts.count(FontKey(r.Format))) {
                    const int n = static_cast<int>(FFonts.size());
                    FFonts[FontKey(r.Format)] = n;
                    FFontOrder.push_back(FontKey(r.Format));
                }
                if ((r.Format.Mask & CFM_COLOR) && !(r.Format.Effects & CFE_AUTOCOLOR) &&
                    !FColors.count(r.Format.TextColor)) {
                    const int n = static_cast<int>(FColors.size()) + 1;  // 0 is the automatic colour
                    FColors[r.Format.TextColor] = n;
                    FColorOrder.push_back(r.Format.TextColor);
                }
            }
    }

    void WriteFontTable() {
        FOut += "{\\fonttbl";
        for (std::size_t i = 0; i < FFontOrder.size(); ++i) {
            const auto& [face, charset, pitch] = FFontOrder[i];
            FOut += "{\\f" + IntToStr(static_cast<int>(i)) + FamilyWord(static_cast<Byte>(pitch));
            if (charset >= 0) FOut += "\\fcharset" + IntToStr(charset);
            if (pitch & 0x0F) FOut += "\\fprq" + IntToStr(pitch & 0x0F);
            FOut += ' ';
            for (char c : face) {
                const unsigned char b = static_cast<unsigned char>(c);
                if (c == ';' || b < 0x20) continue;
                if (c == '\\' || c == '{' || c == '}') FOut += '\\';
                if (b >= 0x80) FOut += Hex(b);
                else FOut += c;
            }
            FOut += ";}";
        }
        FOut += "}\r\n";
    }

    void WriteColorTable() {
        if (FColorOrder.empty()) return;
        FOut += "{\\colortbl ;";
        for (Cardinal c : FColorOrder)
            FOut += "\\red" + IntToStr(static_cast<int>(c & 0xFF)) + "\\green" + IntToStr(static_cast<int>((c >> 8) & 0xFF)) +
                    "\\blue" + IntToStr(static_cast<int>((c >> 16) & 0xFF)) + ";";
        FOut += "}\r\n";
    }

    void WriteParagraph(const TParaFormat& p) {
        FOut += "\\pard";
        if (p.Mask & PFM_NUMBERING) {
            switch (p.Numbering) {
            case PFN_NONE: break;
            case PFN_BULLET: FOut += "{\\pntext\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnindent0{\\pntxtb\\'b7}}"; break;
            case PFN_LCLETTER: FOut += "{\\*\\pn\\pnlvlbody\\pnlcltr}"; break;
            case PFN_UCLETTER: FOut += "{\\*\\pn\\pnlvlbody\\pnucltr}"; break;
            case PFN_LCROMAN: FOut += "{\\*\\pn\\pnlvlbody\\pnlcrm}"; break;
            case PFN_UCROMAN: FOut += "{\\*\\pn\\pnlvlbody\\pnucrm}"; break;
            default: FOut += "{\\*\\pn\\pnlvlbody\\pndec}"; break;
            }
        }
        if (p.Mask & PFM_ALIGNMENT) {
            if (p.Alignment == PFA_RIGHT) FOut += "\\qr";
            else if (p.Alignment == PFA_CENTER) FOut += "\\qc";
            else if (p.Alignment == PFA_JUSTIFY) FOut += "\\qj";
        }
        // RTF gives the left indent of every line and the first line's
        // indent relative to it; the record gives the first line's indent and
        // the other lines' offset from it.
        const LongInt start = (p.Mask & PFM_STARTINDENT) ? p.StartIndent : 0;
        const LongInt offset = (p.Mask & PFM_OFFSET) ? p.Offset : 0;
        if (start + offset != 0) FOut += "\\li" + IntToStr(start + offset);
        if (offset != 0) FOut += "\\fi" + IntToStr(-offset);
        if ((p.Mask & PFM_RIGHTINDENT) && p.RightIndent != 0) FOut += "\\ri" + IntToStr(p.RightIndent);
        if (p.Mask & PFM_TABSTOPS)
            for (int i = 0; i < p.TabCount && i < MAX_TAB_STOPS; ++i) FOut += "\\tx" + IntToStr(p.Tabs[static_cast<std::size_t>(i)]);
    }

    void Effect(const TCharFormat& f, Cardinal mask, Cardinal effect, const char* on, const char* off) {
        if (!(f.Mask & mask)) return;
        const bool want = (f.Effects & effect) != 0;
        if ((FState.Mask & mask) && ((FState.Effects & effect) != 0) == want) return;
        FOut += want ? on : off;
        FState.Mask |= mask;
        if (want) FState.Effects |= effect;
        else FState.Effects &= ~effect;
    }

    void WriteCharFormat(const TCharFormat& f) {
        if ((f.Mask & CFM_FACE) && (!(FState.Mask & CFM_FACE) || FontKey(FState) != FontKey(f))) {
            FOut += "\\f" + IntToStr(FFonts[FontKey(f)]);
            FState.Mask |= CFM_FACE | (f.Mask & CFM_CHARSET);
            FState.FaceName = f.FaceName;
            FState.Charset = f.Charset;
            FState.PitchAndFamily = f.PitchAndFamily;
            if (!(f.Mask & CFM_CHARSET)) FState.Mask &= ~CFM_CHARSET;
        }
        if ((f.Mask & CFM_SIZE) && (!(FState.Mask & CFM_SIZE) || FState.Height != f.Height)) {
            FOut += "\\fs" + IntToStr((f.Height + 5) / 10);
            FState.Mask |= CFM_SIZE;
            FState.Height = f.Height;
        }
        Effect(f, CFM_BOLD, CFE_BOLD, "\\b", "\\b0");
        Effect(f, CFM_ITALIC, CFE_ITALIC, "\\i", "\\i0");
        Effect(f, CFM_UNDERLINE, CFE_UNDERLINE, "\\ul", "\\ulnone");
        Effect(f, CFM_STRIKEOUT, CFE_STRIKEOUT, "\\strike", "\\strike0");
        Effect(f, CFM_PROTECTED, CFE_PROTECTED, "\\protect", "\\protect0");
        if (f.Mask & CFM_COLOR) {
            const int index = (f.Effects & CFE_AUTOCOLOR) ? 0 : FColors[f.TextColor];
            if (!(FState.Mask & CFM_COLOR) || FColorIndex != index) {
                FOut += "\\cf" + IntToStr(index);
                FState.Mask |= CFM_COLOR;
                FColorIndex = index;
            }
        }
        if ((f.Mask & CFM_OFFSET) && (!(FState.Mask & CFM_OFFSET) || FState.Offset != f.Offset)) {
            if (f.Offset >= 0) FOut += "\\up" + IntToStr(f.Offset / 10);
            else FOut += "\\dn" + IntToStr(-f.Offset / 10);
            FState.Mask |= CFM_OFFSET;
            FState.Offset = f.Offset;
        }
    }

    void WriteText(const std::u16string& text) {
        for (char16_t c : text) {
            if (c == u'\\' || c == u'{' || c == u'}') {
                FOut += '\\';
                FOut += static_cast<char>(c);
            } else if (c == u'\t') {
                FOut += "\\tab ";
            } else if (c == u'\r' || c == u'\n') {
                FOut += "\\par\r\n";
            } else if (c < 0x20) {
                continue;
            } else if (c < 0x80) {
                FOut += static_cast<char>(c);
            } else {
                // \u takes a signed 16-bit number.
                FOut += "\\u" + IntToStr(c >= 0x8000 ? static_cast<int>(c) - 65536 : static_cast<int>(c));
                char ansi;
                if (UnicodeCharToAnsi(c, ansi)) FOut += Hex(static_cast<unsigned char>(ansi));
                else FOut += '?';
            }
        }
    }

    const TRichText& FText;
    AnsiString FOut;
    std::map<TFontKey, int> FFonts;
    std::vector<TFontKey> FFontOrder;
    std::map<Cardinal, int> FColors;
    std::vector<Cardinal> FColorOrder;
    TCharFormat FState;  // what the reader's state holds at this point
    int FColorIndex = 0;
};

}  // namespace

AnsiString WriteRtf(const TRichText& Text) { return TRtfWriter(Text).Run(); }
