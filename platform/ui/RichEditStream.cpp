// Streaming the rich-edit control's text in and out through a callback.
//
// A load reads everything the callback gives before the text changes: RTF is
// read whole into formatted text by our own reader, plain text is decoded
// whole (Windows-1250 bytes, or UTF-16 little-endian with SF_UNICODE). Only
// when that succeeded does the document change, so a refused or failing
// stream leaves the text as it was.
#include "platform/ui/RichEdit.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <string>
#include <vector>

#include "platform/ui/RichEditImpl.h"
#include "platform/ui/RtfReader.h"
#include "platform/ui/RtfWriter.h"
#include "platform/ui/UiBridge.h"

using namespace ui_detail;
using namespace rich_detail;

namespace {

constexpr Integer kChunk = 4096;
// A load larger than this is refused rather than exhausting memory.
constexpr std::size_t kMaxStreamBytes = std::size_t(1) << 30;

// The plain text of the bytes: line breaks of every kind become one
// paragraph break, NUL characters are dropped.
TRichText PlainRichText(const std::string& data, bool unicode) {
    std::u16string text;
    if (unicode) {
        text.reserve(data.size() / 2);
        for (std::size_t i = 0; i + 1 < data.size(); i += 2)
            text += static_cast<char16_t>(static_cast<unsigned char>(data[i]) | (static_cast<unsigned char>(data[i + 1]) << 8));
        // A byte-order mark only says how the rest reads.
        if (!text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
    } else {
        text = AnsiToUtf16(data);
    }
    TRichText t;
    std::u16string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            t.Paragraphs.back().Append(line, TCharFormat{});
            line.clear();
            t.Paragraphs.emplace_back();
        } else if (c != 0) {
            line += c;
        }
    }
    t.Paragraphs.back().Append(line, TCharFormat{});
    return t;
}

}  // namespace

Integer TCustomRichMemo::StreamIn(Cardinal Format, TRichStream& Stream) {
    HandleNeeded();
    Stream.Error = 0;
    std::string data;
    std::vector<Byte> buffer(kChunk);
    while (Stream.Callback) {
        Integer done = 0;
        const Cardinal error = Stream.Callback(buffer.data(), kChunk, done);
        if (error != 0) {
            Stream.Error = error;
            return 0;
        }
        if (done <= 0) break;
        data.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(std::min(done, kChunk)));
        if (data.size() > kMaxStreamBytes) {
            Stream.Error = 1;
            return 0;
        }
    }
    TRichText text;
    const Cardinal base = Format & 0x0F;
    if (base == SF_RTF || base == SF_RTFNOOBJS) {
        if (!LooksLikeRtf(data.data(), data.size())) {
            Stream.Error = 1;
            return 0;
        }
        try {
            text = ReadRtf(data.data(), data.size());
        } catch (const ERtfError&) {
            Stream.Error = 1;
            return 0;
        }
    } else {
        text = PlainRichText(data, Format & SF_UNICODE);
    }
    Integer inserted = 0;
    FEngine->Operate([&] {
        QTextDocument* d = FEngine->Doc();
        if (!d) return;
        const bool selection = Format & SFF_SELECTION;
        if (!selection) FEngine->Select(0, FEngine->Length());
        const TCharRange sel = FEngine->Selection();
        TruncateRichText(text, FEngine->Room(sel.Min, sel.Max));
        inserted = RichTextLength(text);
        const TCharFormat def = FEngine->Default;
        const bool plain = FEngine->PlainMode() || base == SF_TEXT;
        FEngine->Replace(sel.Min, sel.Max, inserted,
                         [&](QTextCursor& c) {
                             if (!selection) {
                                 TParaFormat fresh;
                                 fresh.Mask = PFM_ALL;
                                 SetBlockParaFormat(d, c.blockNumber(), fresh);
                             }
                             InsertRichText(d, c, text, def, plain, !selection || text.Paragraphs.size() > 1);
                         },
                         EM_STREAMIN, selection ? TRichUndo::Step : TRichUndo::None);
        if (!selection) FEngine->Modified = false;
    });
    return inserted;
}

Integer TCustomRichMemo::StreamOut(Cardinal Format, TRichStream& Stream) {
    HandleNeeded();
    Stream.Error = 0;
    QTextDocument* d = FEngine->Doc();
    if (!d) return 0;
    TCharRange range{0, FEngine->Length()};
    if (Format & SFF_SELECTION) range = FEngine->Selection();
    const TRichText text = DocumentRichText(d, range.Min, range.Max, FEngine->Default);
    std::string bytes;
    const Cardinal base = Format & 0x0F;
    if (base == SF_RTF || base == SF_RTFNOOBJS) {
        bytes = WriteRtf(text);
    } else {
        std::u16string plain;
        for (std::size_t i = 0; i < text.Paragraphs.size(); ++i) {
            if (i) plain += u"\r\n";
            plain += text.Paragraphs[i].PlainText();
        }
        if (Format & SF_UNICODE) {
            bytes.reserve(plain.size() * 2 + 2);
            // A load takes a leading U+FEFF for a byte-order mark; a text
            // that starts with one as a character keeps it behind a mark.
            if (!plain.empty() && plain[0] == 0xFEFF) bytes = "\xFF\xFE";
            for (char16_t c : plain) {
                bytes += static_cast<char>(c & 0xFF);
                bytes += static_cast<char>(c >> 8);
            }
        } else {
            bytes = Utf16ToAnsi(plain);
        }
    }
    std::size_t pos = 0;
    while (pos < bytes.size() && Stream.Callback) {
        const Integer n = static_cast<Integer>(std::min<std::size_t>(kChunk, bytes.size() - pos));
        std::vector<Byte> chunk(bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                                bytes.begin() + static_cast<std::ptrdiff_t>(pos) + n);
        Integer done = 0;
        const Cardinal error = Stream.Callback(chunk.data(), n, done);
        if (error != 0) {
            Stream.Error = error;
            break;
        }
        if (done <= 0) {
            Stream.Error = 1;  // the receiver takes nothing more
            break;
        }
        pos += static_cast<std::size_t>(std::min(done, n));
    }
    return range.Max - range.Min;
}
