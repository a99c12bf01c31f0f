#include "platform/ui/Clipbrd.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

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

AnsiString TClipboard::AsText() const {
    QClipboard* c = System();
    return c ? ui_detail::FromQ(c->text()) : AnsiString();
}

void TClipboard::SetAsText(const AnsiString& Value) {
    if (QClipboard* c = System()) c->setText(ui_detail::ToQ(Value));
}

bool TClipboard::HasFormat(Word Format) const {
    if (Format != CF_TEXT) return false;
    QClipboard* c = System();
    const QMimeData* data = c ? c->mimeData() : nullptr;
    return data && data->hasText();
}

void TClipboard::Clear() {
    if (QClipboard* c = System()) c->clear();
}

void TClipboard::SetFormatData(const AnsiString& Format, const std::vector<Byte>& Data) {
    QClipboard* c = System();
    if (!c) return;
    auto* mime = new QMimeData;
    mime->setData(MimeType(Format),
                  QByteArray(reinterpret_cast<const char*>(Data.data()), qsizetype(Data.size())));
    c->setMimeData(mime);
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
