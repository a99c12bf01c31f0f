// Character and paragraph formats of the rich-edit control in Qt's text
// document, and formatted text in and out of it.
//
// Each attribute a character or paragraph has of its own is kept as a user
// property of its Qt format; an attribute it lacks is the default's. The
// font, colour and layout Qt draws with (the display) are made from those
// attributes, so they can always be made again, after the default changed.
#include "platform/ui/RichEditImpl.h"

#include <QPalette>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>

#include <algorithm>
#include <map>
#include <vector>

#include "platform/gfx/Graphics.h"
#include "platform/ui/UiBridge.h"

using namespace ui_detail;

namespace {

enum : int {
    kFace = QTextFormat::UserProperty + 1,
    kHeight,
    kColor,
    kAutoColor,
    kCharset,
    kPitch,
    kWeight,
    kOffset,
    kBold,
    kItalic,
    kUnderline,
    kStrike,
    kProtected,
    kLink,
    kAutoLink,
    kNumbering = QTextFormat::UserProperty + 40,
    kStartIndent,
    kRightIndent,
    kOffsetIndent,
    kAlignment,
    kTabs,
};

struct TEffectProp {
    int Property;
    Cardinal Mask;
    Cardinal Effect;
};
constexpr TEffectProp kEffects[] = {
    {kBold, CFM_BOLD, CFE_BOLD},
    {kItalic, CFM_ITALIC, CFE_ITALIC},
    {kUnderline, CFM_UNDERLINE, CFE_UNDERLINE},
    {kStrike, CFM_STRIKEOUT, CFE_STRIKEOUT},
    {kProtected, CFM_PROTECTED, CFE_PROTECTED},
    {kLink, CFM_LINK, CFE_LINK},
};

// The classic face names stand for the fonts we ship, as everywhere in the
// layer; asked once per name.
QString DisplayFamily(const AnsiString& face) {
    static std::map<AnsiString, QString> cache;
    auto it = cache.find(face);
    if (it != cache.end()) return it->second;
    TFont font;
    if (!face.empty()) font.SetName(face);
    const QString family = ToQFont(font).family();
    if (cache.size() < 256) cache[face] = family;
    return family;
}

Word EffectiveWeight(const TCharFormat& f, bool explicitWeight) {
    if (explicitWeight && f.Weight) return f.Weight;
    return (f.Effects & CFE_BOLD) ? 700 : 400;
}

QColor ColorOf(Cardinal rgb) { return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF); }

}  // namespace

namespace rich_detail {

double TwipsToPixels(Integer Twips) { return Twips / 15.0; }

TCharFormat EffectiveFormat(const QTextCharFormat& q, const TCharFormat& def) {
    TCharFormat f = def;
    f.Mask = CFM_ALL2;
    if (q.hasProperty(kFace)) f.FaceName = FromQ(q.stringProperty(kFace));
    if (q.hasProperty(kHeight)) f.Height = q.intProperty(kHeight);
    if (q.hasProperty(kAutoColor)) {
        if (q.boolProperty(kAutoColor)) f.Effects |= CFE_AUTOCOLOR;
        else f.Effects &= ~CFE_AUTOCOLOR;
        f.TextColor = static_cast<Cardinal>(q.intProperty(kColor));
    }
    if (q.hasProperty(kCharset)) f.Charset = static_cast<Byte>(q.intProperty(kCharset));
    if (q.hasProperty(kPitch)) f.PitchAndFamily = static_cast<Byte>(q.intProperty(kPitch));
    if (q.hasProperty(kOffset)) f.Offset = q.intProperty(kOffset);
    for (const TEffectProp& e : kEffects)
        if (q.hasProperty(e.Property)) {
            if (q.boolProperty(e.Property)) f.Effects |= e.Effect;
            else f.Effects &= ~e.Effect;
        }
    const bool explicitWeight = q.hasProperty(kWeight);
    if (explicitWeight) f.Weight = static_cast<Word>(q.intProperty(kWeight));
    else if (q.hasProperty(kBold)) f.Weight = EffectiveWeight(f, false);
    if (!f.Weight) f.Weight = EffectiveWeight(f, false);
    return f;
}

Cardinal CharDifferences(const TCharFormat& a, const TCharFormat& b) {
    Cardinal d = 0;
    for (const TEffectProp& e : kEffects)
        if ((a.Effects & e.Effect) != (b.Effects & e.Effect)) d |= e.Mask;
    if (a.Height != b.Height) d |= CFM_SIZE;
    if ((a.Effects & CFE_AUTOCOLOR) != (b.Effects & CFE_AUTOCOLOR) ||
        (!(a.Effects & CFE_AUTOCOLOR) && a.TextColor != b.TextColor))
        d |= CFM_COLOR;
    if (a.FaceName != b.FaceName || a.PitchAndFamily != b.PitchAndFamily) d |= CFM_FACE;
    if (a.Charset != b.Charset) d |= CFM_CHARSET;
    if (a.Offset != b.Offset) d |= CFM_OFFSET;
    if (a.Weight != b.Weight) d |= CFM_WEIGHT;
    return d;
}

void MergeAttributes(QTextCharFormat& q, const TCharFormat& f) {
    if (f.Mask & CFM_FACE) {
        q.setProperty(kFace, ToQ(CutFaceName(f.FaceName)));
        q.setProperty(kPitch, int(f.PitchAndFamily));
    }
    if (f.Mask & CFM_SIZE) q.setProperty(kHeight, int(f.Height));
    if (f.Mask & CFM_COLOR) {
        q.setProperty(kAutoColor, (f.Effects & CFE_AUTOCOLOR) != 0);
        q.setProperty(kColor, int(f.TextColor & 0xFFFFFF));
    }
    if (f.Mask & CFM_CHARSET) q.setProperty(kCharset, int(f.Charset));
    if (f.Mask & CFM_OFFSET) q.setProperty(kOffset, int(f.Offset));
    for (const TEffectProp& e : kEffects)
        if (f.Mask & e.Mask) q.setProperty(e.Property, (f.Effects & e.Effect) != 0);
    if (f.Mask & CFM_WEIGHT) q.setProperty(kWeight, int(f.Weight));
    else if (f.Mask & CFM_BOLD) q.clearProperty(kWeight);  // bold alone decides the weight again
}

QTextCharFormat WithDisplay(const QTextCharFormat& q, const TCharFormat& def) {
    const TCharFormat f = EffectiveFormat(q, def);
    QTextCharFormat out = q;
    out.setFontFamilies(QStringList{DisplayFamily(f.FaceName)});
    out.setFontPointSize(f.Height > 0 ? f.Height / 20.0 : 8.0);
    out.setFontWeight(std::clamp<int>(f.Weight, 100, 900));
    out.setFontItalic(f.Effects & CFE_ITALIC);
    const bool link = f.Effects & CFE_LINK;
    out.setFontUnderline((f.Effects & CFE_UNDERLINE) || link);
    out.setFontStrikeOut(f.Effects & CFE_STRIKEOUT);
    if (!(f.Effects & CFE_AUTOCOLOR)) out.setForeground(ColorOf(f.TextColor));
    else if (link) out.setForeground(QColor(0, 0, 255));
    else out.clearForeground();
    return out;
}

namespace {

struct TFormatSpan {
    int From;
    int To;
    QTextCharFormat Format;
};

// The fragments of [from, to) with their formats, collected before any is
// changed: a format change merges and splits the fragments being walked.
std::vector<TFormatSpan> Spans(QTextDocument* doc, Integer from, Integer to) {
    std::vector<TFormatSpan> spans;
    for (QTextBlock b = doc->findBlock(from); b.isValid() && b.position() <= to; b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            const int s = std::max<int>(frag.position(), from);
            const int e = std::min<int>(frag.position() + frag.length(), to);
            if (s < e) spans.push_back({s, e, frag.charFormat()});
        }
    return spans;
}

void Apply(QTextDocument* doc, const std::vector<TFormatSpan>& spans) {
    QTextCursor c(doc);
    for (const TFormatSpan& span : spans) {
        c.setPosition(span.From);
        c.setPosition(span.To, QTextCursor::KeepAnchor);
        c.setCharFormat(span.Format);
    }
}

}  // namespace

void RefreshDisplay(QTextDocument* doc, Integer from, Integer to, const TCharFormat& def) {
    std::vector<TFormatSpan> spans = Spans(doc, from, to);
    for (TFormatSpan& span : spans) span.Format = WithDisplay(span.Format, def);
    Apply(doc, spans);
}

void ApplyDefaultDisplay(QTextEdit* edit, const TCharFormat& def) {
    const QTextCharFormat shown = WithDisplay(QTextCharFormat(), def);
    edit->document()->setDefaultFont(shown.font());
    QPalette pal = edit->palette();
    const TColor text = (def.Effects & CFE_AUTOCOLOR) ? ColorToRGB(clWindowText) : TColor(def.TextColor);
    pal.setColor(QPalette::Text, ToQColor(text));
    edit->setPalette(pal);
}

TCharFormat SelectionFormat(QTextDocument* doc, Integer from, Integer to, const TCharFormat& def) {
    TCharFormat result;
    bool first = true;
    for (QTextBlock b = doc->findBlock(from); b.isValid() && b.position() < to; b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (frag.position() >= to || frag.position() + frag.length() <= from) continue;
            const TCharFormat f = EffectiveFormat(frag.charFormat(), def);
            if (first) {
                result = f;
                first = false;
            } else {
                result.Mask &= ~CharDifferences(result, f);
            }
        }
    if (first) result = EffectiveFormat(QTextCharFormat(), def);
    return result;
}

namespace {

// The format of the character at pos; false for a paragraph break or the end.
bool CharAt(QTextDocument* doc, Integer pos, const TCharFormat& def, TCharFormat& f) {
    const QTextBlock b = doc->findBlock(pos);
    if (!b.isValid() || pos < 0 || pos >= b.position() + b.length() - 1) return false;
    for (auto it = b.begin(); !it.atEnd(); ++it) {
        const QTextFragment frag = it.fragment();
        if (pos >= frag.position() && pos < frag.position() + frag.length()) {
            f = EffectiveFormat(frag.charFormat(), def);
            return true;
        }
    }
    return false;
}

bool Has(QTextDocument* doc, Integer pos, const TCharFormat& def, Cardinal effect) {
    TCharFormat f;
    return CharAt(doc, pos, def, f) && (f.Effects & effect);
}

// Addresses start with one of these (letter case ignored) and run to the
// next blank; punctuation at their end belongs to the sentence.
std::vector<std::pair<int, int>> FindUrls(const QString& t) {
    static const char* const prefixes[] = {"http://", "https://", "ftp://", "mailto:", "file://", "www."};
    std::vector<std::pair<int, int>> spans;
    int i = 0;
    const int n = static_cast<int>(t.size());
    while (i < n) {
        // Whatever ends a word is skipped here, or the scan would stand still.
        while (i < n && (t[i].isSpace() || t[i] == QChar('(') || t[i] == QChar('<') || t[i] == QChar('>') ||
                         t[i] == QChar('"')))
            ++i;
        const int start = i;
        while (i < n && !t[i].isSpace() && t[i] != QChar('<') && t[i] != QChar('>') && t[i] != QChar('"')) ++i;
        int end = i;
        while (end > start && QStringLiteral(".,;:!?)]}'").contains(t[end - 1])) --end;
        for (const char* p : prefixes) {
            const QString prefix = QString::fromLatin1(p);
            if (end - start > prefix.size() && t.mid(start, prefix.size()).compare(prefix, Qt::CaseInsensitive) == 0) {
                spans.emplace_back(start, end);
                break;
            }
        }
    }
    return spans;
}

void SetAutoLink(QTextDocument* doc, int from, int to, bool on, const TCharFormat& def) {
    std::vector<TFormatSpan> changed;
    for (TFormatSpan& span : Spans(doc, from, to)) {
        QTextCharFormat& q = span.Format;
        const bool isAuto = q.boolProperty(kAutoLink);
        if (on == isAuto || (on && q.boolProperty(kLink))) continue;
        if (on) {
            q.setProperty(kLink, true);
            q.setProperty(kAutoLink, true);
        } else {
            q.clearProperty(kLink);
            q.clearProperty(kAutoLink);
        }
        q = WithDisplay(q, def);
        changed.push_back(std::move(span));
    }
    Apply(doc, changed);
}

}  // namespace

bool RangeIsProtected(QTextDocument* doc, Integer from, Integer to, const TCharFormat& def) {
    if (from == to) return Has(doc, from - 1, def, CFE_PROTECTED) && Has(doc, from, def, CFE_PROTECTED);
    for (QTextBlock b = doc->findBlock(from); b.isValid() && b.position() < to; b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (frag.position() >= to || frag.position() + frag.length() <= from) continue;
            if (EffectiveFormat(frag.charFormat(), def).Effects & CFE_PROTECTED) return true;
        }
    return false;
}

TCharRange LinkRange(QTextDocument* doc, Integer pos, const TCharFormat& def) {
    if (!Has(doc, pos, def, CFE_LINK)) return {pos, pos};
    Integer s = pos;
    Integer e = pos + 1;
    while (Has(doc, s - 1, def, CFE_LINK)) --s;
    while (Has(doc, e, def, CFE_LINK)) ++e;
    return {s, e};
}

void MarkUrls(QTextDocument* doc, Integer from, Integer to, const TCharFormat& def) {
    for (QTextBlock b = doc->findBlock(from); b.isValid() && b.position() <= to; b = b.next()) {
        const int base = b.position();
        int done = base;
        for (const auto& [s, e] : FindUrls(b.text())) {
            SetAutoLink(doc, done, base + s, false, def);
            SetAutoLink(doc, base + s, base + e, true, def);
            done = base + e;
        }
        SetAutoLink(doc, done, base + b.length() - 1, false, def);
    }
}

void ClearUrls(QTextDocument* doc, const TCharFormat& def) {
    SetAutoLink(doc, 0, doc->characterCount(), false, def);
}

void StripFormats(QTextDocument* doc, const TCharFormat& def) {
    QTextCursor c(doc);
    c.select(QTextCursor::Document);
    c.setCharFormat(WithDisplay(QTextCharFormat(), def));
}

TParaFormat BlockParaFormat(const QTextBlock& b) {
    TParaFormat p;
    p.Mask = PFM_ALL;
    const QTextBlockFormat f = b.blockFormat();
    if (f.hasProperty(kNumbering)) p.Numbering = static_cast<Word>(f.intProperty(kNumbering));
    if (f.hasProperty(kStartIndent)) p.StartIndent = f.intProperty(kStartIndent);
    if (f.hasProperty(kRightIndent)) p.RightIndent = f.intProperty(kRightIndent);
    if (f.hasProperty(kOffsetIndent)) p.Offset = f.intProperty(kOffsetIndent);
    if (f.hasProperty(kAlignment)) p.Alignment = static_cast<Word>(f.intProperty(kAlignment));
    if (f.hasProperty(kTabs)) {
        const QVariantList tabs = f.property(kTabs).toList();
        p.TabCount = static_cast<SmallInt>(std::min<qsizetype>(tabs.size(), MAX_TAB_STOPS));
        for (int i = 0; i < p.TabCount; ++i) p.Tabs[static_cast<std::size_t>(i)] = tabs[i].toInt();
    }
    return p;
}

Cardinal ParaDifferences(const TParaFormat& a, const TParaFormat& b) {
    Cardinal d = 0;
    if (a.Numbering != b.Numbering) d |= PFM_NUMBERING;
    if (a.StartIndent != b.StartIndent) d |= PFM_STARTINDENT;
    if (a.RightIndent != b.RightIndent) d |= PFM_RIGHTINDENT;
    if (a.Offset != b.Offset) d |= PFM_OFFSET;
    if (a.Alignment != b.Alignment) d |= PFM_ALIGNMENT;
    if (a.TabCount != b.TabCount || !std::equal(a.Tabs.begin(), a.Tabs.begin() + std::clamp<int>(a.TabCount, 0, MAX_TAB_STOPS), b.Tabs.begin()))
        d |= PFM_TABSTOPS;
    return d;
}

void SetBlockParaFormat(QTextDocument* doc, int blockNumber, const TParaFormat& f) {
    const QTextBlock b = doc->findBlockByNumber(blockNumber);
    if (!b.isValid()) return;
    TParaFormat p = BlockParaFormat(b);
    if (f.Mask & PFM_NUMBERING) p.Numbering = f.Numbering;
    if (f.Mask & PFM_STARTINDENT) p.StartIndent = f.StartIndent;
    if (f.Mask & PFM_RIGHTINDENT) p.RightIndent = f.RightIndent;
    if (f.Mask & PFM_OFFSET) p.Offset = f.Offset;
    if (f.Mask & PFM_ALIGNMENT) p.Alignment = f.Alignment;
    if (f.Mask & PFM_TABSTOPS) {
        p.TabCount = std::clamp<SmallInt>(f.TabCount, 0, MAX_TAB_STOPS);
        p.Tabs = f.Tabs;
        std::fill(p.Tabs.begin() + p.TabCount, p.Tabs.end(), 0);
    }
    QTextBlockFormat bf = b.blockFormat();
    bf.setProperty(kNumbering, int(p.Numbering));
    bf.setProperty(kStartIndent, int(p.StartIndent));
    bf.setProperty(kRightIndent, int(p.RightIndent));
    bf.setProperty(kOffsetIndent, int(p.Offset));
    bf.setProperty(kAlignment, int(p.Alignment));
    QVariantList tabs;
    QList<QTextOption::Tab> shownTabs;
    for (int i = 0; i < p.TabCount; ++i) {
        tabs << p.Tabs[static_cast<std::size_t>(i)];
        shownTabs << QTextOption::Tab(TwipsToPixels(p.Tabs[static_cast<std::size_t>(i)]), QTextOption::LeftTab);
    }
    bf.setProperty(kTabs, tabs);
    bf.setTabPositions(shownTabs);
    bf.setAlignment(p.Alignment == PFA_RIGHT    ? Qt::AlignRight
                    : p.Alignment == PFA_CENTER ? Qt::AlignHCenter
                    : p.Alignment == PFA_JUSTIFY ? Qt::AlignJustify
                                                 : Qt::AlignLeft);
    bf.setLeftMargin(std::max(0.0, TwipsToPixels(p.StartIndent + p.Offset)));
    bf.setTextIndent(-TwipsToPixels(p.Offset));
    bf.setRightMargin(std::max(0.0, TwipsToPixels(p.RightIndent)));
    QTextCursor c(b);
    c.setBlockFormat(bf);

    QTextList* list = b.textList();
    if (p.Numbering == PFN_NONE) {
        if (list) list->remove(b);
        return;
    }
    QTextListFormat::Style style = QTextListFormat::ListDisc;
    switch (p.Numbering) {
    case PFN_ARABIC: style = QTextListFormat::ListDecimal; break;
    case PFN_LCLETTER: style = QTextListFormat::ListLowerAlpha; break;
    case PFN_UCLETTER: style = QTextListFormat::ListUpperAlpha; break;
    case PFN_LCROMAN: style = QTextListFormat::ListLowerRoman; break;
    case PFN_UCROMAN: style = QTextListFormat::ListUpperRoman; break;
    default: break;
    }
    if (list && list->format().style() == style) return;
    if (list) list->remove(b);
    const QTextBlock prev = b.previous();
    if (prev.isValid() && prev.textList() && prev.textList()->format().style() == style) {
        prev.textList()->add(b);
    } else {
        QTextListFormat lf;
        lf.setStyle(style);
        lf.setIndent(0);
        c.createList(lf);
    }
}

TRichText DocumentRichText(QTextDocument* doc, Integer from, Integer to, const TCharFormat& def) {
    TRichText t;
    t.Paragraphs.clear();
    for (QTextBlock b = doc->findBlock(from); b.isValid(); b = b.next()) {
        TRichParagraph p;
        p.Format = BlockParaFormat(b);
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            const int s = std::max<int>(frag.position(), from);
            const int e = std::min<int>(frag.position() + frag.length(), to);
            if (s < e)
                p.Append(frag.text().mid(s - frag.position(), e - s).toStdU16String(),
                         EffectiveFormat(frag.charFormat(), def));
        }
        t.Paragraphs.push_back(std::move(p));
        if (b.position() + b.length() - 1 >= to) break;
    }
    if (t.Paragraphs.empty()) t.Paragraphs.emplace_back();
    return t;
}

namespace {

// The units as they are: the toolkit's conversion from UTF-16 takes a
// leading U+FEFF or U+FFFE for a byte-order mark, dropping the one and
// swapping the bytes of the whole run after the other.
QString TextUnits(const std::u16string& Text) {
    return QString(reinterpret_cast<const QChar*>(Text.data()), static_cast<qsizetype>(Text.size()));
}

}  // namespace

void InsertRichText(QTextDocument* doc, QTextCursor& c, const TRichText& t, const TCharFormat& def, bool plain,
                    bool applyParagraphs) {
    std::vector<int> blocks;
    blocks.reserve(t.Paragraphs.size());
    const QTextCharFormat plainFormat = WithDisplay(QTextCharFormat(), def);
    for (std::size_t i = 0; i < t.Paragraphs.size(); ++i) {
        if (i) c.insertBlock();
        blocks.push_back(c.blockNumber());
        for (const TRichRun& r : t.Paragraphs[i].Runs) {
            if (r.Text.empty()) continue;
            if (plain) {
                c.insertText(TextUnits(r.Text), plainFormat);
            } else {
                QTextCharFormat q;
                MergeAttributes(q, r.Format);
                c.insertText(TextUnits(r.Text), WithDisplay(q, def));
            }
        }
    }
    if (plain || !applyParagraphs) return;
    for (std::size_t i = 0; i < blocks.size(); ++i) SetBlockParaFormat(doc, blocks[i], t.Paragraphs[i].Format);
}

Integer RichTextLength(const TRichText& t) {
    Integer n = static_cast<Integer>(t.Paragraphs.size()) - 1;
    for (const TRichParagraph& p : t.Paragraphs)
        for (const TRichRun& r : p.Runs) n += static_cast<Integer>(r.Text.size());
    return n;
}

void TruncateRichText(TRichText& t, Integer chars) {
    Integer left = std::max<Integer>(chars, 0);
    for (std::size_t i = 0; i < t.Paragraphs.size(); ++i) {
        if (i) {
            if (left == 0) {
                t.Paragraphs.resize(i);
                return;
            }
            --left;  // the break before this paragraph
        }
        auto& runs = t.Paragraphs[i].Runs;
        for (std::size_t j = 0; j < runs.size(); ++j) {
            const Integer n = static_cast<Integer>(runs[j].Text.size());
            if (n <= left) {
                left -= n;
                continue;
            }
            runs[j].Text.resize(static_cast<std::size_t>(left));
            runs.resize(left ? j + 1 : j);
            t.Paragraphs.resize(i + 1);
            return;
        }
    }
}

}  // namespace rich_detail
