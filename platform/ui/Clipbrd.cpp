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

TClipboard* Clipboard() {
    static TClipboard clipboard;
    return &clipboard;
}
