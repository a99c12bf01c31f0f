#include "platform/ui/UiBridge.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Color.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"

namespace ui_detail {

QString ToQ(const AnsiString& text) {
    const std::string utf8 = AnsiToUtf8(text);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

AnsiString FromQ(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return Utf8ToAnsi(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

AnsiString StripMnemonics(const AnsiString& caption) {
    AnsiString out;
    out.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += caption[i];
    }
    return out;
}

QString ToQMnemonic(const AnsiString& caption) { return ToQ(caption); }

namespace {
QString FamilyFor(const AnsiString& name) { return ToQ(ScreenFontFamily(name)); }
}  // namespace

QFont ToQFont(const TFont& font) {
    QFont f(FamilyFor(font.Name()));
    const int h = font.Height() < 0 ? -font.Height() : font.Height();
    f.setPixelSize(h > 0 ? h : 11);
    f.setBold(font.Style().Contains(fsBold));
    f.setItalic(font.Style().Contains(fsItalic));
    f.setUnderline(font.Style().Contains(fsUnderline));
    f.setStrikeOut(font.Style().Contains(fsStrikeOut));
    f.setKerning(false);
    return f;
}

QColor ToQColor(Integer color) {
    const TColor rgb = ColorToRGB(color);
    if (rgb == clNone || rgb == clDefault) return QColor(Qt::transparent);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

Word VirtualKeyFromQt(int qtKey, bool keypad) {
    if (keypad && qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return Word(VK_NUMPAD0 + (qtKey - Qt::Key_0));
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) return Word(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return Word(VK_F1 + (qtKey - Qt::Key_F1));
    switch (qtKey) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Print: return VK_SNAPSHOT;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Help: return VK_HELP;
    case Qt::Key_Asterisk: return keypad ? VK_MULTIPLY : Word('8');
    case Qt::Key_Plus: return keypad ? VK_ADD : VK_OEM_PLUS;
    case Qt::Key_Minus: return keypad ? VK_SUBTRACT : VK_OEM_MINUS;
    case Qt::Key_Period: return keypad ? VK_DECIMAL : VK_OEM_PERIOD;
    case Qt::Key_Slash: return keypad ? VK_DIVIDE : VK_OEM_2;
    case Qt::Key_Comma: return VK_OEM_COMMA;
    case Qt::Key_Semicolon: return VK_OEM_1;
    case Qt::Key_QuoteLeft: return VK_OEM_3;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    default: return 0;
    }
}

int QtKeyFromVirtualKey(Word key) {
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return key;
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD0 + 9) return Qt::Key_0 + (key - VK_NUMPAD0);
    if (key >= VK_F1 && key < VK_F1 + 24) return Qt::Key_F1 + (key - VK_F1);
    switch (key) {
    case VK_BACK: return Qt::Key_Backspace;
    case VK_TAB: return Qt::Key_Tab;
    case VK_RETURN: return Qt::Key_Return;
    case VK_SHIFT: return Qt::Key_Shift;
    case VK_CONTROL: return Qt::Key_Control;
    case VK_MENU: return Qt::Key_Alt;
    case VK_ESCAPE: return Qt::Key_Escape;
    case VK_SPACE: return Qt::Key_Space;
    case VK_PRIOR: return Qt::Key_PageUp;
    case VK_NEXT: return Qt::Key_PageDown;
    case VK_END: return Qt::Key_End;
    case VK_HOME: return Qt::Key_Home;
    case VK_LEFT: return Qt::Key_Left;
    case VK_UP: return Qt::Key_Up;
    case VK_RIGHT: return Qt::Key_Right;
    case VK_DOWN: return Qt::Key_Down;
    case VK_INSERT: return Qt::Key_Insert;
    case VK_DELETE: return Qt::Key_Delete;
    case VK_MULTIPLY: return Qt::Key_Asterisk;
    case VK_ADD:
    case VK_OEM_PLUS: return Qt::Key_Plus;
    case VK_SUBTRACT:
    case VK_OEM_MINUS: return Qt::Key_Minus;
    case VK_DECIMAL:
    case VK_OEM_PERIOD: return Qt::Key_Period;
    case VK_DIVIDE:
    case VK_OEM_2: return Qt::Key_Slash;
    case VK_OEM_COMMA: return Qt::Key_Comma;
    default: return 0;
    }
}

std::uint64_t ShiftBitsFromQt(int modifiers, int buttons) {
    TShiftState s;
    if (modifiers & Qt::ShiftModifier) s.Include(ssShift);
    if (modifiers & Qt::AltModifier) s.Include(ssAlt);
    if (modifiers & Qt::ControlModifier) s.Include(ssCtrl);
    if (buttons & Qt::LeftButton) s.Include(ssLeft);
    if (buttons & Qt::RightButton) s.Include(ssRight);
    if (buttons & Qt::MiddleButton) s.Include(ssMiddle);
    return s.Bits();
}

namespace {
int gDispatchDepth = 0;
}

TDispatchGuard::TDispatchGuard() { ++gDispatchDepth; }
TDispatchGuard::~TDispatchGuard() { --gDispatchDepth; }
bool InDispatch() { return gDispatchDepth > 0; }

bool BeingDestroyed(TObject* sender) {
    auto* component = dynamic_cast<TComponent*>(sender);
    if (!component) return false;
    if (component->ComponentState().Contains(csDestroying)) return true;
    if (auto* control = dynamic_cast<TControl*>(component))
        for (TControl* p = control->Parent(); p; p = p->Parent())
            if (p->ComponentState().Contains(csDestroying)) return true;
    return false;
}

void SafeCall(TObject* sender, const std::function<void()>& fn) {
    // Qt still sends focus and paint events while a window is torn down;
    // the program's handlers of a half-destroyed window must not run.
    if (BeingDestroyed(sender)) return;
    TDispatchGuard guard;
    try {
        fn();
    } catch (...) {
        Application->HandleException(sender);
    }
}

QImage BitmapToImage(TBitmap& bitmap, bool transparent, Integer transparentColor) {
    const int w = bitmap.Width(), h = bitmap.Height();
    QImage image(w > 0 ? w : 0, h > 0 ? h : 0, QImage::Format_ARGB32);
    if (w <= 0 || h <= 0) return image;
    const int bits = bitmap.BitsPerPixel();
    const TColor key = transparentColor == -1 ? bitmap.TransparentColor() : transparentColor;
    const TColor keyRgb = ColorToRGB(key) & 0xFFFFFF;
    for (int y = 0; y < h; ++y) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        if (bits == 32 || bits == 24) {
            const Byte* in = bitmap.ScanLine(y);
            const int step = bits / 8;
            for (int x = 0; x < w; ++x) {
                const Byte b = in[x * step], g = in[x * step + 1], r = in[x * step + 2];
                const bool clear = transparent && RGB(r, g, b) == keyRgb;
                out[x] = clear ? qRgba(0, 0, 0, 0) : qRgb(r, g, b);
            }
        } else {
            for (int x = 0; x < w; ++x) {
                const TColor c = bitmap.GetPixel(x, y) & 0xFFFFFF;
                const bool clear = transparent && c == keyRgb;
                out[x] = clear ? qRgba(0, 0, 0, 0) : qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
            }
        }
    }
    return image;
}

const QImage& OpaqueImage(TBitmap& bitmap) {
    static std::vector<QRgb> pixels;
    static QImage image;
    const int w = bitmap.Width(), h = bitmap.Height();
    const int bits = bitmap.BitsPerPixel();
    if (w <= 0 || h <= 0 || (bits != 32 && bits != 24)) {
        image = BitmapToImage(bitmap);
        return image;
    }
    const std::size_t count = std::size_t(w) * std::size_t(h);
    if (pixels.size() < count) {
        image = QImage();
        pixels.resize(count);
    }
    for (int y = 0; y < h; ++y) {
        const Byte* in = bitmap.ScanLine(y);
        QRgb* out = pixels.data() + std::size_t(y) * std::size_t(w);
        // Kept apart, so that each loop has a fixed step the compiler can
        // widen: this runs for every pixel of every self-painted control.
        if (bits == 32) {
            for (int x = 0; x < w; ++x) {
                std::uint32_t v;
                std::memcpy(&v, in + 4 * x, 4);
                out[x] = 0xFF000000u | (v & 0xFFFFFFu);
            }
        } else {
            for (int x = 0; x < w; ++x)
                out[x] = 0xFF000000u | (QRgb(in[3 * x + 2]) << 16) | (QRgb(in[3 * x + 1]) << 8) | QRgb(in[3 * x]);
        }
    }
    image = QImage(reinterpret_cast<const uchar*>(pixels.data()), w, h, w * 4, QImage::Format_RGB32);
    return image;
}

namespace {
class TPaintWidget : public QWidget {
public:
    TPaintWidget(QWidget* parent, std::function<void(QPainter&)> painter)
        : QWidget(parent), FPainter(std::move(painter)) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        TControl* control = ControlOf(this);
        if (!FPainter || !control) return;  // the control is gone
        QPainter p(this);
        // Qt paints only this area anyway; the clip tells the painter which
        // one, so a control far larger than the screen can paint just it.
        p.setClipRect(event->rect());
        SafeCall(control, [&] { FPainter(p); });
    }

private:
    std::function<void(QPainter&)> FPainter;
};
}  // namespace

QWidget* NewPaintWidget(QWidget* parent, std::function<void(QPainter&)> painter) {
    return new TPaintWidget(parent, std::move(painter));
}

namespace {
TModalHook& ModalHookSlot() {
    static TModalHook hook;
    return hook;
}
TFileDialogHook& FileDialogHookSlot() {
    static TFileDialogHook hook;
    return hook;
}
int gScreenWidth = 0, gScreenHeight = 0;
}  // namespace

void SetFileDialogHook(TFileDialogHook hook) { FileDialogHookSlot() = std::move(hook); }
bool CallFileDialogHook(TFileDialogView& view) {
    TFileDialogHook hook = FileDialogHookSlot();
    if (!hook) return false;
    hook(view);
    return true;
}

void SetModalHook(TModalHook hook) { ModalHookSlot() = std::move(hook); }
void CallModalHook(TForm* form) {
    TModalHook hook = ModalHookSlot();
    if (hook) hook(form);
}

void SetScreenSizeOverride(int width, int height) {
    gScreenWidth = width;
    gScreenHeight = height;
}
bool ScreenSizeOverride(int& width, int& height) {
    if (gScreenWidth <= 0 || gScreenHeight <= 0) return false;
    width = gScreenWidth;
    height = gScreenHeight;
    return true;
}

}  // namespace ui_detail
