// Formatting a range of the rich-edit control's text into a rectangle of a
// printed page: whole lines from the range's start go on the page while
// they fit in the rectangle's height, and the answer is where the next page
// starts.
//
// The text is laid out once per rectangle width on a copy of the document,
// at 96 pixels per inch, and drawn scaled to the printer's resolution.
#include "platform/ui/RichEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

#include "platform/ui/Printers.h"
#include "platform/ui/RichEditImpl.h"

struct TRichPrintLayout {
    std::unique_ptr<QTextDocument> Doc;
    double Width = -1;
};

void TRichPrintLayoutDelete::operator()(TRichPrintLayout* Layout) const { delete Layout; }

Integer TCustomRichMemo::FormatRange(const TFormatRange* Range, bool Render) {
    HandleNeeded();
    if (!Range) {
        FEngine->PrintLayout.reset();
        return 0;
    }
    QTextDocument* d = FEngine->Doc();
    if (!d) return -1;
    const Integer len = FEngine->Length();
    const Integer from = std::clamp<Integer>(Range->Chars.Min, 0, len);
    const Integer to = Range->Chars.Max < 0 ? len : std::clamp<Integer>(Range->Chars.Max, from, len);
    if (from >= to) return to;
    QPainter* painter = nullptr;
    if (Render) {
        painter = Range->Target ? Range->Target->Painter() : nullptr;
        if (!painter) throw EPrinter("Printer is not currently printing");
    }

    const double width = rich_detail::TwipsToPixels(Range->Rect.Right - Range->Rect.Left);
    const double height = rich_detail::TwipsToPixels(Range->Rect.Bottom - Range->Rect.Top);
    auto& layout = FEngine->PrintLayout;
    if (!layout || layout->Width != width) {
        layout.reset(new TRichPrintLayout);
        layout->Doc.reset(d->clone());
        layout->Doc->setDocumentMargin(0);
        layout->Doc->setTextWidth(std::max(width, 1.0));
        layout->Doc->size();  // lays the whole text out
        layout->Width = width;
    }
    QTextDocument* doc = layout->Doc.get();

    double top = -1;
    double bottom = 0;
    Integer next = from;
    for (QTextBlock b = doc->findBlock(from); b.isValid() && next < to; b = b.next()) {
        const QTextLayout* tl = b.layout();
        if (!tl) break;
        const double y0 = tl->position().y();
        bool full = false;
        for (int i = 0; i < tl->lineCount(); ++i) {
            const QTextLine line = tl->lineAt(i);
            const Integer lineEnd = b.position() + line.textStart() + line.textLength();
            if (lineEnd <= from && line.textLength() > 0) continue;
            const double lineTop = y0 + line.y();
            if (top < 0) top = lineTop;
            if (lineTop + line.height() - top > height) {
                full = true;
                break;
            }
            bottom = lineTop + line.height();
            next = i == tl->lineCount() - 1 && b.next().isValid() ? b.position() + b.length() : lineEnd;
            if (next >= to) break;
        }
        if (full) break;
    }
    next = std::min(next, to);
    if (painter && next > from) {
        const double sx = Range->Target->PixelsPerInchX() / 96.0;
        const double sy = Range->Target->PixelsPerInchY() / 96.0;
        painter->save();
        painter->translate(Range->Rect.Left * Range->Target->PixelsPerInchX() / 1440.0,
                           Range->Rect.Top * Range->Target->PixelsPerInchY() / 1440.0);
        painter->scale(sx, sy);
        painter->translate(0, -top);
        const QRectF clip(0, top, width, bottom - top);
        painter->setClipRect(clip);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = clip;
        context.palette.setColor(QPalette::Text, Qt::black);
        doc->documentLayout()->draw(painter, context);
        painter->restore();
    }
    return next;
}
