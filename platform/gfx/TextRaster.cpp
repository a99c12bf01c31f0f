// Text rasterising through Qt; nothing of it leaks into a header.

#include "platform/gfx/Canvas.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cstdlib>
#include <memory>
#include <mutex>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"

// Fonts need a QGuiApplication. The user-interface layer creates the real
// application first; a program or test that only draws gets an offscreen one.
void EnsureGuiApplication() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (QCoreApplication::instance() != nullptr) return;
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "vemlor";
        static char* argv[] = {name, nullptr};
        static std::unique_ptr<QGuiApplication> app(new QGuiApplication(argc, argv));
    });
}

namespace {

QString FamilyFor(const AnsiString& name) {
    return QString::fromUtf8(AnsiToUtf8(ScreenFontFamily(name)).c_str());
}

QFont MakeFont(const TFont& font) {
    QFont f(FamilyFor(font.Name()));
    const int h = font.Height() < 0 ? -font.Height() : font.Height();
    f.setPixelSize(h > 0 ? h : 11);
    f.setBold(font.Style().Contains(fsBold));
    f.setItalic(font.Style().Contains(fsItalic));
    f.setUnderline(font.Style().Contains(fsUnderline));
    f.setStrikeOut(font.Style().Contains(fsStrikeOut));
    f.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setKerning(false);
    return f;
}

QString ToQString(const AnsiString& text) { return QString::fromUtf8(AnsiToUtf8(text).c_str()); }

}  // namespace

TPoint MeasureText(const TFont& Font, const AnsiString& Text) {
    EnsureGuiApplication();
    const QFontMetrics m(MakeFont(Font));
    return Point(m.horizontalAdvance(ToQString(Text)), m.height());
}

TTextImage RasterizeText(const TFont& Font, const AnsiString& Text, bool RightToLeft) {
    EnsureGuiApplication();
    const QFont font = MakeFont(Font);
    const QFontMetrics m(font);
    TTextImage out;
    out.Width = m.horizontalAdvance(ToQString(Text));
    out.Height = m.height();
    if (out.Width <= 0 || out.Height <= 0) {
        out.Width = std::max(out.Width, 0);
        return out;
    }
    QImage image(out.Width, out.Height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        p.setFont(font);
        p.setPen(Qt::black);
        if (RightToLeft) p.setLayoutDirection(Qt::RightToLeft);
        p.drawText(0, m.ascent(), ToQString(Text));
    }
    out.Coverage.resize(std::size_t(out.Width) * std::size_t(out.Height));
    for (int y = 0; y < out.Height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < out.Width; ++x) out.Coverage[std::size_t(y) * out.Width + x] = Byte(qAlpha(line[x]));
    }
    return out;
}
