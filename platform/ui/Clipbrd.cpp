#include "platform/ui/Clipbrd.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <cstring>

#include "platform/gfx/Bitmap.h"

#include "platform/ui/Forms.h"
#include "platform/ui/UiBridge.h"

namespace {

QClipboard* System() {
    GetApplication();
    return QGuiApplication::clipboard();
}

// A program's own format travels as a MIME type of its own.
QString MimeType(const AnsiString& format) {
    return QStringLiteral("application/x-vemlor-") + QString::fromUtf8(QByteArray::fromStdString(format).toHex());
}

}  // namespace

TClipboard::TClipboard() = default;
TClipboard::~TClipboard() = default;

void TClipboard::Open() { ++FOpenCount; }

void TClipboard::Close() {
    if (FOpenCount == 0 || --FOpenCount > 0) return;
    if (!FPending) return;
    QClipboard* c = System();
    QMimeData* data = FPending.release();
    if (c) c->setMimeData(data);
    else delete data;
}

// Outside a bracket the data replaces the clipboard's; inside, its formats
// join what was gathered.
void TClipboard::Put(QMimeData* Data) {
    std::unique_ptr<QMimeData> data(Data);
    if (FOpenCount > 0) {
        if (!FPending) FPending = std::make_unique<QMimeData>();
        for (const QString& format : data->formats()) FPending->setData(format, data->data(format));
        if (data->hasImage()) FPending->setImageData(data->imageData());
        if (data->hasText()) FPending->setText(data->text());
        return;
    }
    if (QClipboard* c = System()) c->setMimeData(data.release());
}

void TClipboard::SetAsBitmap(TBitmap& Bitmap) {
    auto* data = new QMimeData;
    data->setImageData(ui_detail::BitmapToImage(Bitmap).convertToFormat(QImage::Format_RGB32));
    Put(data);
}

bool TClipboard::GetAsBitmap(TBitmap& Bitmap) const {
    QClipboard* c = System();
    const QMimeData* data = c ? c->mimeData() : nullptr;
    if (!data || !data->hasImage()) return false;
    const QImage image = qvariant_cast<QImage>(data->imageData()).convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) return false;
    TBitmap made;
    made.SetPixelFormat(pf24bit);
    made.SetSize(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        Byte* dst = made.ScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            dst[3 * x] = Byte(qBlue(src[x]));
            dst[3 * x + 1] = Byte(qGreen(src[x]));
            dst[3 * x + 2] = Byte(qRed(src[x]));
        }
    }
    Bitmap.Assign(made);
    return true;
}

AnsiString TClipboard::AsText() const {
    QClipboard* c = System();
    return c ? ui_detail::FromQ(c->text()) : AnsiString();
}

void TClipboard::SetAsText(const AnsiString& Value) {
    auto* data = new QMimeData;
    data->setText(ui_detail::ToQ(Value));
    Put(data);
}

bool TClipboard::HasFormat(Word Format) const {
    QClipboard* c = System();
    const QMimeData* data = c ? c->mimeData() : nullptr;
    if (!data) return false;
    if (Format == CF_TEXT) return data->hasText();
    if (Format == CF_BITMAP) return data->hasImage();
    return false;
}

void TClipboard::Clear() {
    if (QClipboard* c = System()) c->clear();
}

void TClipboard::SetFormatData(const AnsiString& Format, const std::vector<Byte>& Data) {
    auto* mime = new QMimeData;
    mime->setData(MimeType(Format),
                  QByteArray(reinterpret_cast<const char*>(Data.data()), qsizetype(Data.size())));
    Put(mime);
}

std::vector<Byte> TClipboard::FormatData(const AnsiString& Format) const {
    QClipboard* c = System();
    const QMimeData* data = c ? c->mimeData() : nullptr;
    if (!data) return {};
    const QByteArray bytes = data->data(MimeType(Format));
    return std::vector<Byte>(bytes.begin(), bytes.end());
}

bool TClipboard::HasFormatData(const AnsiString& Format) const {
    QClipboard* c = System();
    const QMimeData* data = c ? c->mimeData() : nullptr;
    return data && data->hasFormat(MimeType(Format));
}

TClipboard* Clipboard() {
    static TClipboard clipboard;
    return &clipboard;
}
