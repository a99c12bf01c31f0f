#include "platform/ui/RtfReader.h"
#include "platform/ui/RtfWriter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TRichText Read(const std::string& s) { return ReadRtf(s.data(), s.size()); }

std::u16string U(const char16_t* s) { return s; }

// A document as another program writes it: tables first, formatting words
// before the text they apply to, destinations that are not text.
TEST(RtfReaderTest, ReadsTablesCharacterAndParagraphFormats) {
    const std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1250\\deff0\\deflang1029"
        "{\\fonttbl{\\f0\\fswiss\\fcharset238{\\*\\panose 020b0604020202020204}Arial;}{\\f1\\fmodern\\fprq1 Courier New;}}\r\n"
        "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue128;}\r\n"
        "{\\info{\\author Nikdo}}{\\*\\generator Pokus;}"
        "\\viewkind4\\uc1\\pard\\qc\\li720\\fi-360\\ri144\\tx1440\\tx2880\\f0\\fs24 P\\'f8\\'edli\\u353?"
        "{\\b tu\\cf1\\'e8\\b0 n}\\ul\\cf2 k\\ulnone\\tab\\f1 x\\par\r\n"
        "\\pard{\\pntext\\f0\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf0{\\pntxtb\\'b7}}\\i\\strike\\protect\\unknownword12 konec\\par\r\n"
        "}";
    const TRichText t = Read(rtf);
    ASSERT_EQ(t.Paragraphs.size(), 2u);  // the last \par ends the last paragraph

    const TRichParagraph& p0 = t.Paragraphs[0];
    EXPECT_EQ(p0.PlainText(), U(u"Příliš") + U(u"tučnk\tx"));
    EXPECT_EQ(p0.Format.Alignment, PFA_CENTER);
    EXPECT_EQ(p0.Format.StartIndent, 360);  // \li + \fi: where the first line starts
    EXPECT_EQ(p0.Format.Offset, 360);       // the other lines, from there
    EXPECT_EQ(p0.Format.RightIndent, 144);
    ASSERT_EQ(p0.Format.TabCount, 2);
    EXPECT_EQ(p0.Format.Tabs[1], 2880);
    EXPECT_EQ(p0.Format.Numbering, PFN_NONE);

    ASSERT_GE(p0.Runs.size(), 5u);
    const TCharFormat& plain = p0.Runs[0].Format;
    EXPECT_EQ(plain.FaceName, "Arial");
    EXPECT_EQ(plain.Charset, 238);
    EXPECT_EQ(plain.Height, 240);
    EXPECT_FALSE(plain.Mask & CFM_BOLD);
    EXPECT_FALSE(plain.Mask & CFM_COLOR);
    EXPECT_EQ(p0.Runs[1].Text, U(u"tu"));
    EXPECT_TRUE(p0.Runs[1].Format.Effects & CFE_BOLD);
    EXPECT_EQ(p0.Runs[2].Text, U(u"č"));
    EXPECT_EQ(p0.Runs[2].Format.TextColor, 0x0000FFu);
    EXPECT_FALSE(p0.Runs[2].Format.Effects & CFE_AUTOCOLOR);
    // The group's end took bold and the colour back.
    EXPECT_EQ(p0.Runs[3].Text, U(u"n"));
    EXPECT_TRUE((p0.Runs[3].Format.Mask & CFM_BOLD) && !(p0.Runs[3].Format.Effects & CFE_BOLD));
    EXPECT_EQ(p0.Runs[4].Text, U(u"k"));
    EXPECT_TRUE(p0.Runs[4].Format.Effects & CFE_UNDERLINE);
    EXPECT_EQ(p0.Runs[4].Format.TextColor, 0x800000u);
    EXPECT_EQ(p0.Runs.back().Text, U(u"x"));
    EXPECT_EQ(p0.Runs.back().Format.FaceName, "Courier New");
    EXPECT_EQ(p0.Runs.back().Format.PitchAndFamily & 0x0F, FIXED_PITCH);

    const TRichParagraph& p1 = t.Paragraphs[1];
    EXPECT_EQ(p1.PlainText(), U(u"konec"));  // bullet text and unknown words show nothing
    EXPECT_EQ(p1.Format.Numbering, PFN_BULLET);
    EXPECT_EQ(p1.Format.Alignment, PFA_LEFT);  // \pard
    const TCharFormat& f = p1.Runs[0].Format;
    EXPECT_TRUE(f.Effects & CFE_ITALIC);
    EXPECT_TRUE(f.Effects & CFE_STRIKEOUT);
    EXPECT_TRUE(f.Effects & CFE_PROTECTED);
}

TEST(RtfReaderTest, CodePagesAndUnicodeFallbacks) {
    // \'e8 is č in Windows-1250 and è in Windows-1252; a font's character set
    // wins over the document's code page.
    EXPECT_EQ(Read("{\\rtf1\\ansi\\ansicpg1250 \\'e8}").PlainText(), U(u"č"));
    EXPECT_EQ(Read("{\\rtf1\\ansi\\ansicpg1252 \\'e8}").PlainText(), U(u"\u00E8"));
    EXPECT_EQ(Read("{\\rtf1\\ansicpg1250{\\fonttbl{\\f0\\fcharset0 Arial;}}\\f0 \\'e8}").PlainText(), U(u"\u00E8"));
    // \ucN says how many fallback characters follow each \u; a group's end
    // stops the skipping.
    EXPECT_EQ(Read("{\\rtf1 a\\u8364?b}").PlainText(), U(u"a€b"));
    EXPECT_EQ(Read("{\\rtf1\\uc2 a\\u8364\\'80\\'80b}").PlainText(), U(u"a€b"));
    EXPECT_EQ(Read("{\\rtf1\\uc0 a\\u-3971 b}").PlainText(), U(u"a\uF07Db"));
    EXPECT_EQ(Read("{\\rtf1\\uc3 a{\\u937}b}").PlainText(), U(u"a\u03A9b"));
    EXPECT_EQ(Read("{\\rtf1 \\{x\\}\\\\\\~\\emdash\\line y}").PlainText(), U(u"{x}\\\u00A0\u2014\ry"));
    // Binary data is skipped by its length, braces inside it included.
    EXPECT_EQ(Read("{\\rtf1 a{\\*\\blip\\bin3 }{x}b}").PlainText(), U(u"ab"));
}

TEST(RtfReaderTest, RefusesWhatItCannotReadWithAnErrorNamingTheProblem) {
    const char* const bad[] = {
        "",
        "{\\rt",
        " {\\rtf1 leading blank}",
        "plain text",
        "{\\rtf1 unclosed",
        "{\\rtf1 {\\b still open}",
        "{\\rtf1 \\abcdefghijklmnopqrstuvwxyzabcdefgh x}",
        "{\\rtf1 \\fs12345678901 x}",
        "{\\rtf1 \\'g0}",
        "{\\rtf1 \\'4",
        "{\\rtf1 \\bin99 ab}",
        "{\\rtf1 ab\\",
    };
    for (const char* s : bad) EXPECT_THROW(Read(s), ERtfError) << s;

    std::string deep = "{\\rtf1 ";
    for (int i = 0; i < RtfMaxDepth; ++i) deep += "{";
    try {
        Read(deep);
        FAIL() << "nesting beyond the limit was read";
    } catch (const ERtfError& e) {
        EXPECT_NE(e.Message().find("128"), AnsiString::npos) << e.Message();
    }
    std::string fonts = "{\\rtf1{\\fonttbl";
    for (int i = 0; i <= RtfMaxTableEntries; ++i) fonts += "{\\f" + std::to_string(i) + " A;}";
    EXPECT_THROW(Read(fonts + "}}"), ERtfError);

    // Every cut-off prefix of a good document is refused cleanly.
    const std::string good = "{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1\\green2\\blue3;}\\f0\\cf1 a{\\b b}\\par c}";
    ASSERT_NO_THROW(Read(good));
    for (std::size_t n = 0; n < good.size(); ++n) EXPECT_THROW(Read(good.substr(0, n)), ERtfError) << n;
}

TCharFormat Full(const AnsiString& face, LongInt height, Cardinal effects, Cardinal color) {
    TCharFormat f;
    f.Mask = CFM_FACE | CFM_SIZE | CFM_COLOR | CFM_CHARSET | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT |
             CFM_PROTECTED | CFM_OFFSET;
    f.FaceName = face;
    f.Height = height;
    f.Effects = effects;
    f.TextColor = color;
    f.Charset = 238;
    return f;
}

TEST(RtfWriterTest, WhatItWritesReadsBackTheSame) {
    TRichText t;
    t.Paragraphs.resize(3);
    TRichParagraph& a = t.Paragraphs[0];
    a.Format.Mask = PFM_ALL;
    a.Format.Alignment = PFA_RIGHT;
    a.Format.StartIndent = 1440;
    a.Format.Offset = -360;
    a.Format.RightIndent = 200;
    a.Format.TabCount = 3;
    a.Format.Tabs = {720, 1440, 2160};
    a.Runs.push_back({u"Žluťoučký kůň {\\} ", Full("Times New Roman", 240, CFE_BOLD | CFE_AUTOCOLOR, 0)});
    a.Runs.push_back({u"€ \u03C9\tend", Full("Arial", 170, CFE_ITALIC | CFE_UNDERLINE, 0x00FF8040)});
    TRichParagraph& b = t.Paragraphs[1];
    b.Format.Mask = PFM_ALL;
    b.Format.Numbering = PFN_BULLET;
    b.Format.Offset = 200;
    b.Runs.push_back({u"chráněno", Full("Arial", 170, CFE_PROTECTED | CFE_STRIKEOUT, 0x00123456)});
    t.Paragraphs[2].Format.Mask = PFM_ALL;
    t.Paragraphs[2].Format.Numbering = PFN_UCROMAN;

    const AnsiString rtf = WriteRtf(t);
    const TRichText back = ReadRtf(rtf.data(), rtf.size());
    ASSERT_EQ(back.Paragraphs.size(), t.Paragraphs.size()) << rtf;
    for (std::size_t i = 0; i < t.Paragraphs.size(); ++i) {
        EXPECT_EQ(back.Paragraphs[i].Format, t.Paragraphs[i].Format) << i;
        ASSERT_EQ(back.Paragraphs[i].Runs.size(), t.Paragraphs[i].Runs.size()) << i << rtf;
        for (std::size_t j = 0; j < t.Paragraphs[i].Runs.size(); ++j) {
            const TRichRun& want = t.Paragraphs[i].Runs[j];
            const TRichRun& got = back.Paragraphs[i].Runs[j];
            EXPECT_EQ(got.Text, want.Text);
            EXPECT_EQ(got.Format.FaceName, want.Format.FaceName);
            EXPECT_EQ(got.Format.Height, want.Format.Height);
            EXPECT_EQ(got.Format.Charset, want.Format.Charset);
            EXPECT_EQ(got.Format.Effects & ~CFE_AUTOCOLOR, want.Format.Effects & ~CFE_AUTOCOLOR);
            EXPECT_EQ(got.Format.Effects & CFE_AUTOCOLOR, want.Format.Effects & CFE_AUTOCOLOR);
            if (!(want.Format.Effects & CFE_AUTOCOLOR)) {
                EXPECT_EQ(got.Format.TextColor, want.Format.TextColor);
            }
        }
    }
}

}  // namespace
