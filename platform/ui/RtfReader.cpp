#include "platform/ui/RtfReader.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string_view>
#include <vector>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"

namespace {

// Code points of Windows-1252 bytes 0x80..0x9F; 0xA0..0xFF are Latin-1.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t DecodeByte(unsigned char b, int codePage) {
    if (b < 0x80) return b;
    if (codePage == 1252) return b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b);
    return static_cast<char16_t>(AnsiCharToUnicode(static_cast<char>(b)));
}

LongInt Clamp(Int64 v, Int64 limit) { return static_cast<LongInt>(std::clamp<Int64>(v, -limit, limit)); }

// Indents and tab positions beyond 22 inches mean nothing on any page.
constexpr Int64 kMaxTwips = 31680;

// Non-text destinations whose content is skipped, with or without \*.
bool IsSkippedDestination(std::string_view w) {
    static const char* const names[] = {
        "info",      "stylesheet", "pict",       "object",   "header",     "headerl",  "headerr",
        "headerf",   "footer",     "footerl",    "footerr",  "footerf",    "footnote", "pntext",
        "pntxta",    "pntxtb",     "fldinst",    "xe",       "tc",         "listtable", "listoverridetable",
        "rsidtbl",   "generator",  "themedata",  "colorschememapping", "latentstyles", "datastore",
        "xmlnstbl",  "filetbl",    "revtbl",     "nonshppict", "shp",     "template", "userprops",
    };
    for (const char* n : names)
        if (w == n) return true;
    return false;
}

enum class TDest { Text, FontTable, ColorTable, Numbering, Skip };

struct TGroupState {
    TDest Dest = TDest::Text;
    TCharFormat Char;  // mask = the attributes the data set
    int Font = -1;     // -1: the \deff font
    int Uc = 1;
};

struct TFontEntry {
    AnsiString Name;
    int Charset = -1;
    Byte PitchAndFamily = 0;
};

struct TColorEntry {
    bool Auto = true;
    Cardinal Rgb = 0;
};

class TRtfParser {
public:
    TRtfParser(const char* data, std::size_t size)
        : FData(reinterpret_cast<const unsigned char*>(data)), FSize(size) {}

    TRichText Run() {
        if (!LooksLikeRtf(reinterpret_cast<const char*>(FData), FSize))
            throw ERtfError("Not RTF: the data does not start with {\\rtf");
        while (FPos < FSize) {
            const unsigned char c = FData[FPos++];
            if (c == '{') {
                if (static_cast<int>(FStack.size()) >= RtfMaxDepth)
                    Fail("groups nested deeper than " + IntToStr(RtfMaxDepth));
                FStack.push_back(FStack.empty() ? TGroupState{} : FStack.back());
                FSkipChars = 0;
                FDirty = true;
            } else if (c == '}') {
                CloseGroup();
                if (FStack.empty()) break;
            } else if (FStack.empty()) {
                continue;  // cannot happen after the header check; kept for safety
            } else if (c == '\\') {
                ControlSequence();
            } else if (c != '\r' && c != '\n') {
                TextByte(c);
            }
        }
        if (!FStack.empty())
            throw ERtfError("RTF ends inside an open group (depth " + IntToStr(static_cast<int>(FStack.size())) + ")");
        FText.Paragraphs.back().Format = CurrentPara();
        // The last \par of a document ends its last paragraph rather than
        // starting an empty one.
        if (FText.Paragraphs.size() > 1 && FText.Paragraphs.back().Runs.empty()) FText.Paragraphs.pop_back();
        return std::move(FText);
    }

private:
    [[noreturn]] void Fail(const AnsiString& what) const {
        throw ERtfError("Bad RTF at byte " + IntToStr(static_cast<Int64>(FPos)) + ": " + what);
    }

    TGroupState& State() { return FStack.back(); }

    void CloseGroup() {
        if (State().Dest == TDest::FontTable) CommitFont();
        FStack.pop_back();
        FSkipChars = 0;
        FDirty = true;
    }

    void ControlSequence() {
        if (FPos >= FSize) Fail("the data ends after a backslash");
        const unsigned char c = FData[FPos];
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            const std::size_t start = FPos;
            while (FPos < FSize && ((FData[FPos] >= 'a' && FData[FPos] <= 'z') || (FData[FPos] >= 'A' && FData[FPos] <= 'Z')))
                if (FPos++ - start >= 32) Fail("a control word longer than 32 letters");
            const std::string_view word(reinterpret_cast<const char*>(FData + start), FPos - start);
            bool negative = false;
            bool hasParam = false;
            Int64 param = 0;
            if (FPos < FSize && FData[FPos] == '-' && FPos + 1 < FSize && FData[FPos + 1] >= '0' && FData[FPos + 1] <= '9') {
                negative = true;
                ++FPos;
            }
            int digits = 0;
            while (FPos < FSize && FData[FPos] >= '0' && FData[FPos] <= '9') {
                if (++digits > 10) Fail("a parameter of more than 10 digits");
                param = param * 10 + (FData[FPos++] - '0');
                hasParam = true;
            }
            if (negative) param = -param;
            if (FPos < FSize && FData[FPos] == ' ') ++FPos;
            ControlWord(word, static_cast<LongInt>(std::clamp<Int64>(param, INT32_MIN, INT32_MAX)), hasParam);
            return;
        }
        ++FPos;
        if (c == '\'') {
            if (FPos + 2 > FSize) Fail("\\' without two hex digits");
            const int hi = HexValue(FData[FPos]);
            const int lo = HexValue(FData[FPos + 1]);
            if (hi < 0 || lo < 0) Fail("\\' without two hex digits");
            FPos += 2;
            TextByte(static_cast<unsigned char>(hi * 16 + lo));
            return;
        }
        switch (c) {
        case '\\':
        case '{':
        case '}': TextByte(c); break;
        case '~': Symbol(0x00A0); break;
        case '_': Symbol(0x2011); break;
        case '*': FNextIsDestination = true; break;
        case '\r':
        case '\n':
            if (State().Dest == TDest::Text) EndParagraph();
            break;
        default: break;  // \- (optional hyphen), \| and the like show nothing
        }
    }

    static int HexValue(unsigned char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    void ControlWord(std::string_view w, LongInt param, bool hasParam) {
        TGroupState& s = State();
        if (w == "bin") {
            // Binary data is never text here; skip exactly its length.
            if (param < 0 || static_cast<std::size_t>(param) > FSize - FPos) Fail("\\bin runs past the end");
            FPos += static_cast<std::size_t>(param);
            return;
        }
        if (FNextIsDestination) {
            FNextIsDestination = false;
            if (s.Dest == TDest::Text && w == "pn") {
                s.Dest = TDest::Numbering;
                FPnBody = false;
            } else if (w == "fonttbl" || w == "colortbl") {
                Destination(w);
            } else {
                s.Dest = TDest::Skip;
            }
            return;
        }
        if (s.Dest == TDest::Skip) return;
        if (w == "fonttbl" || w == "colortbl" || IsSkippedDestination(w)) {
            Destination(w);
            return;
        }
        if (w == "pn" && s.Dest == TDest::Text) {
            s.Dest = TDest::Numbering;
            FPnBody = false;
            return;
        }
        switch (s.Dest) {
        case TDest::FontTable: FontWord(w, param); return;
        case TDest::ColorTable: ColorWord(w, param); return;
        case TDest::Numbering: NumberingWord(w); return;
        default: break;
        }
        TextWord(w, param, hasParam);
    }

    void Destination(std::string_view w) {
        TGroupState& s = State();
        if (w == "fonttbl") {
            s.Dest = TDest::FontTable;
        } else if (w == "colortbl") {
            s.Dest = TDest::ColorTable;
            FColors.clear();
            FColorEntry = {};
        } else {
            s.Dest = TDest::Skip;
        }
    }

    void FontWord(std::string_view w, LongInt param) {
        if (w == "f") {
            CommitFont();
            FFontNum = param;
            FFontEntry = {};
            FFontPending = true;
        } else if (w == "fcharset") {
            FFontEntry.Charset = std::clamp<LongInt>(param, 0, 255);
        } else if (w == "fprq") {
            FFontEntry.PitchAndFamily = static_cast<Byte>((FFontEntry.PitchAndFamily & 0xF0) | (param == 1 ? FIXED_PITCH : param == 2 ? VARIABLE_PITCH : DEFAULT_PITCH));
        } else {
            static const std::pair<const char*, Byte> families[] = {
                {"fnil", 0x00}, {"froman", 0x10}, {"fswiss", 0x20}, {"fmodern", 0x30},
                {"fscript", 0x40}, {"fdecor", 0x50}, {"ftech", 0x00}, {"fbidi", 0x00},
            };
            for (const auto& [name, bits] : families)
                if (w == name) FFontEntry.PitchAndFamily = static_cast<Byte>((FFontEntry.PitchAndFamily & 0x0F) | bits);
        }
    }

    void CommitFont() {
        if (!FFontPending) return;
        FFontPending = false;
        if (FFonts.size() >= static_cast<std::size_t>(RtfMaxTableEntries) && !FFonts.count(FFontNum))
            Fail("more than " + IntToStr(RtfMaxTableEntries) + " fonts");
        FFontEntry.Name = CutFaceName(Trim(FFontEntry.Name));
        FFonts[FFontNum] = FFontEntry;
    }

    void ColorWord(std::string_view w, LongInt param) {
        const Cardinal v = static_cast<Cardinal>(std::clamp<LongInt>(param, 0, 255));
        if (w == "red") FColorEntry.Rgb = (FColorEntry.Rgb & 0xFFFF00) | v;
        else if (w == "green") FColorEntry.Rgb = (FColorEntry.Rgb & 0xFF00FF) | (v << 8);
        else if (w == "blue") FColorEntry.Rgb = (FColorEntry.Rgb & 0x00FFFF) | (v << 16);
        else return;
        FColorEntry.Auto = false;
    }

    void NumberingWord(std::string_view w) {
        if (w == "pnlvlblt") {
            FPara.Numbering = PFN_BULLET;
        } else if (w == "pnlvlbody" || w == "pnlvlcont") {
            FPnBody = true;
            if (FPara.Numbering == PFN_NONE || FPara.Numbering == PFN_BULLET) FPara.Numbering = PFN_ARABIC;
        } else if (FPnBody) {
            if (w == "pndec") FPara.Numbering = PFN_ARABIC;
            else if (w == "pnlcltr") FPara.Numbering = PFN_LCLETTER;
            else if (w == "pnucltr") FPara.Numbering = PFN_UCLETTER;
            else if (w == "pnlcrm") FPara.Numbering = PFN_LCROMAN;
            else if (w == "pnucrm") FPara.Numbering = PFN_UCROMAN;
        }
    }

    void SetEffect(Cardinal mask, Cardinal effect, bool on) {
        TCharFormat& f = State().Char;
        f.Mask |= mask;
        if (on) f.Effects |= effect;
        else f.Effects &= ~effect;
        FDirty = true;
    }

    void TextWord(std::string_view w, LongInt param, bool hasParam) {
        TGroupState& s = State();
        TCharFormat& f = s.Char;
        const bool on = !hasParam || param != 0;
        if (w == "par" || w == "line") EndParagraph();
        else if (w == "pard") {
            FPara = TParaFormat{};
            FLi = FRi = FFi = 0;
        }
        else if (w == "ql") FPara.Alignment = PFA_LEFT;
        else if (w == "qr") FPara.Alignment = PFA_RIGHT;
        else if (w == "qc") FPara.Alignment = PFA_CENTER;
        else if (w == "qj") FPara.Alignment = PFA_JUSTIFY;
        else if (w == "li") FLi = param;
        else if (w == "ri") FRi = param;
        else if (w == "fi") FFi = param;
        else if (w == "tx") {
            if (FPara.TabCount < MAX_TAB_STOPS) FPara.Tabs[static_cast<std::size_t>(FPara.TabCount++)] = Clamp(param, kMaxTwips);
        }
        else if (w == "ansicpg") FDocCodePage = param == 1252 ? 1252 : 1250;
        else if (w == "deff") FDefFont = param;
        else if (w == "uc") s.Uc = std::clamp<LongInt>(param, 0, 16);
        else if (w == "u") {
            if (param >= -32768 && param <= 65535) Symbol(static_cast<char16_t>(param < 0 ? param + 65536 : param));
            FSkipChars = s.Uc;
            return;  // the fallback that follows is skipped, not this word
        }
        else if (w == "plain") {
            f = TCharFormat{};
            s.Font = -1;
            FDirty = true;
        }
        else if (w == "f") {
            s.Font = param;
            ApplyFont(f, param);
            FDirty = true;
        }
        else if (w == "fs") {
            if (hasParam && param > 0 && param <= 3276) {
                f.Height = param * 10;
                f.Mask |= CFM_SIZE;
                FDirty = true;
            }
        }
        else if (w == "b") SetEffect(CFM_BOLD, CFE_BOLD, on);
        else if (w == "i") SetEffect(CFM_ITALIC, CFE_ITALIC, on);
        else if (w == "strike") SetEffect(CFM_STRIKEOUT, CFE_STRIKEOUT, on);
        else if (w == "protect") SetEffect(CFM_PROTECTED, CFE_PROTECTED, on);
        else if (w == "ulnone") SetEffect(CFM_UNDERLINE, CFE_UNDERLINE, false);
        else if (w.substr(0, 2) == "ul" && w != "ulc") SetEffect(CFM_UNDERLINE, CFE_UNDERLINE, on);
        else if (w == "cf") {
            f.Mask |= CFM_COLOR;
            if (param > 0 && static_cast<std::size_t>(param) < FColors.size() && !FColors[static_cast<std::size_t>(param)].Auto) {
                f.Effects &= ~CFE_AUTOCOLOR;
                f.TextColor = FColors[static_cast<std::size_t>(param)].Rgb;
            } else {
                f.Effects |= CFE_AUTOCOLOR;
                f.TextColor = 0;
            }
            FDirty = true;
        }
        else if (w == "up" || w == "dn") {
            const LongInt halfPoints = hasParam ? std::clamp<LongInt>(param, 0, 3276) : 6;
            f.Offset = (w == "up" ? 10 : -10) * halfPoints;
            f.Mask |= CFM_OFFSET;
            FDirty = true;
        }
        else if (w == "tab") Symbol(u'\t');
        else if (w == "emdash") Symbol(0x2014);
        else if (w == "endash") Symbol(0x2013);
        else if (w == "bullet") Symbol(0x2022);
        else if (w == "lquote") Symbol(0x2018);
        else if (w == "rquote") Symbol(0x2019);
        else if (w == "ldblquote") Symbol(0x201C);
        else if (w == "rdblquote") Symbol(0x201D);
        else return;
    }

    void ApplyFont(TCharFormat& f, int number) {
        const auto it = FFonts.find(number);
        if (it == FFonts.end()) return;
        f.FaceName = it->second.Name;
        f.Mask |= CFM_FACE;
        f.PitchAndFamily = it->second.PitchAndFamily;
        if (it->second.Charset >= 0) {
            f.Charset = static_cast<Byte>(it->second.Charset);
            f.Mask |= CFM_CHARSET;
        }
    }

    int CodePage() {
        const int number = State().Font >= 0 ? State().Font : FDefFont;
        const auto it = FFonts.find(number);
        if (it != FFonts.end()) {
            if (it->second.Charset == 0) return 1252;
            if (it->second.Charset == 238) return 1250;
        }
        return FDocCodePage;
    }

    // One byte of text (literal, escaped or \'hh) in the current destination.
    void TextByte(unsigned char b) {
        TGroupState& s = State();
        switch (s.Dest) {
        case TDest::Text:
            if (FSkipChars > 0) {
                --FSkipChars;
                return;
            }
            if (b < 0x20 && b != '\t') return;
            Symbol(DecodeByte(b, CodePage()));
            return;
        case TDest::FontTable:
            if (b == ';') CommitFont();
            else if (FFontPending) FFontEntry.Name += static_cast<char>(b);
            return;
        case TDest::ColorTable:
            if (b != ';') return;
            if (FColors.size() >= static_cast<std::size_t>(RtfMaxTableEntries))
                Fail("more than " + IntToStr(RtfMaxTableEntries) + " colours");
            FColors.push_back(FColorEntry);
            FColorEntry = {};
            return;
        default: return;
        }
    }

    void Symbol(char16_t c) {
        if (State().Dest != TDest::Text) return;
        // Breaks come only from \par; other control characters show nothing.
        if (c < 0x20 && c != u'\t') {
            if (FSkipChars > 0) --FSkipChars;
            return;
        }
        if (FSkipChars > 0) {
            --FSkipChars;
            return;
        }
        TRichParagraph& p = FText.Paragraphs.back();
        if (!FDirty && !p.Runs.empty()) {
            p.Runs.back().Text += c;
            return;
        }
        TCharFormat f = State().Char;
        if (State().Font < 0 && !(f.Mask & CFM_FACE)) ApplyFont(f, FDefFont);
        p.Append(std::u16string(1, c), f);
        FDirty = false;
    }

    TParaFormat CurrentPara() const {
        TParaFormat p = FPara;
        p.Mask = PFM_ALL;
        p.StartIndent = Clamp(Int64(FLi) + FFi, kMaxTwips);
        p.Offset = Clamp(-Int64(FFi), kMaxTwips);
        p.RightIndent = Clamp(FRi, kMaxTwips);
        return p;
    }

    void EndParagraph() {
        FText.Paragraphs.back().Format = CurrentPara();
        FText.Paragraphs.emplace_back();
        FDirty = true;
    }

    const unsigned char* FData;
    std::size_t FSize;
    std::size_t FPos = 0;
    std::vector<TGroupState> FStack;
    TRichText FText;
    TParaFormat FPara;
    LongInt FLi = 0, FRi = 0, FFi = 0;
    bool FPnBody = false;
    int FDocCodePage = 1250;
    int FDefFont = -1;
    std::map<int, TFontEntry> FFonts;
    int FFontNum = 0;
    TFontEntry FFontEntry;
    bool FFontPending = false;
    std::vector<TColorEntry> FColors;
    TColorEntry FColorEntry;
    int FSkipChars = 0;
    bool FNextIsDestination = false;
    bool FDirty = true;  // the state changed since the last run was started
};

}  // namespace

bool LooksLikeRtf(const char* Data, std::size_t Size) { return Size >= 5 && std::memcmp(Data, "{\\rtf", 5) == 0; }

TRichText ReadRtf(const char* Data, std::size_t Size) { return TRtfParser(Data, Size).Run(); }
