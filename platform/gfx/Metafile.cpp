// Metafiles through their SVG translation; nothing of Qt, libwmf or
// libemf2svg leaks into the header.

#include "platform/gfx/Metafile.h"

#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <libwmf/api.h>
#include <libwmf/svg.h>
#include <emf2svg.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/MetafileRecords.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeGuard.h"

struct TMetafile::TData {
    std::vector<Byte> File;
    bool Enhanced = false;
    Integer Width = 0;
    Integer Height = 0;
    QByteArray Svg;
};

namespace {

constexpr Cardinal PlaceableKey = 0x9AC6CDD7;
constexpr Cardinal EmfSignature = 0x464D4520;  // " EMF"
constexpr Integer ScreenDpi = 96;
// Far beyond any picture a logo is cut from; the translators read the whole
// file into memory.
constexpr std::size_t MaxFileSize = 16 * 1024 * 1024;
// Zero bytes after the copy a translator gets: a field it reads past a
// record's end, or a string it reads to its terminator, stays inside
// memory of ours.
constexpr std::size_t SpareBytes = 4096;

[[noreturn]] void Bad(const AnsiString& What) { throw EInvalidGraphic("Metafile: " + What); }

AnsiString Num(Int64 v) { return std::to_string(v); }

// libwmf's headers take the names of the usual field readers as macros.
Cardinal Le16(const Byte* p) { return Cardinal(p[0]) | (Cardinal(p[1]) << 8); }
Cardinal Le32(const Byte* p) { return Le16(p) | (Le16(p + 2) << 16); }
Int64 I32(const Byte* p) { return static_cast<std::int32_t>(Le32(p)); }

bool IsEnhanced(const std::vector<Byte>& d) {
    return d.size() >= 88 && Le32(d.data()) == 1 && Le32(&d[40]) == EmfSignature;
}

bool IsWindowsMetafile(const std::vector<Byte>& d) {
    if (d.size() >= 22 + 18 && Le32(d.data()) == PlaceableKey) return true;
    return d.size() >= 18 && (Le16(d.data()) == 1 || Le16(d.data()) == 2) && Le16(&d[2]) == 9;
}

void CheckSize(Int64 w, Int64 h) {
    if (w < 1 || w > TMetafile::MaxSide || h < 1 || h > TMetafile::MaxSide)
        Bad("a picture of " + Num(w) + " x " + Num(h) + " pixels; each side must lie in 1.." +
            Num(TMetafile::MaxSide));
}

void TranslateWindowsMetafile(TMetafile::TData& data) {
    wmfAPI* api = nullptr;
    wmfAPI_Options options{};
    options.function = wmf_svg_function;
    // The library's own messages would only go to the terminal.
    const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api) wmf_api_destroy(api);
        Bad("the Windows metafile translator cannot start");
    }
    auto destroy = ScopeExit([api] { wmf_api_destroy(api); });
    // The library reads, never writes, the buffer it is given.
    std::vector<Byte> file(data.File.size() + SpareBytes, 0);
    std::copy(data.File.begin(), data.File.end(), file.begin());
    const long size = long(data.File.size());
    wmfD_Rect box{};
    if (wmf_mem_open(api, file.data(), size) != wmf_E_None || wmf_scan(api, 0, &box) != wmf_E_None)
        Bad("the Windows metafile of " + Num(size) + " bytes cannot be read");
    unsigned int width = 0, height = 0;
    wmf_display_size(api, &width, &height, ScreenDpi, ScreenDpi);
    CheckSize(width, height);
    wmf_svg_t* svg = WMF_SVG_GetData(api);
    svg->bbox = box;
    svg->width = width;
    svg->height = height;
    svg->flags |= WMF_SVG_INLINE_IMAGES;
    svg->out = wmf_stream_create(api, nullptr);
    const wmf_error_t played = wmf_play(api, 0, &box);
    char* text = nullptr;
    unsigned long length = 0;
    wmf_stream_destroy(api, svg->out, &text, &length);
    if (played != wmf_E_None || text == nullptr || length == 0)
        Bad("the Windows metafile of " + Num(size) + " bytes cannot be drawn");
    data.Svg = QByteArray(text, qsizetype(length));
    data.Width = Integer(width);
    data.Height = Integer(height);
}

void TranslateEnhancedMetafile(TMetafile::TData& data, std::size_t size) {
    const Byte* h = data.File.data();
    // The frame is the picture's own size; the bounds only what was drawn.
    const Int64 frameW = I32(h + 32) - I32(h + 24), frameH = I32(h + 36) - I32(h + 28);
    Int64 w = frameW * ScreenDpi / 2540, h2 = frameH * ScreenDpi / 2540;
    if (w < 1 || h2 < 1) {
        w = I32(h + 16) - I32(h + 8) + 1;
        h2 = I32(h + 20) - I32(h + 12) + 1;
    }
    CheckSize(w, h2);
    std::vector<char> file(size + SpareBytes, 0);
    std::copy_n(data.File.begin(), size, file.begin());
    generatorOptions options{};
    char none[] = "";
    options.nameSpace = none;
    options.svgDelimiter = true;
    // The records of the second kind repeat what the plain records draw, in
    // a form the translator follows only in part and checks less; the plain
    // records alone draw the whole picture.
    options.emfplus = false;
    char* out = nullptr;
    std::size_t length = 0;
    const int ok = emf2svg(file.data(), size, &out, &length, &options);
    auto release = ScopeExit([out] { std::free(out); });
    if (!ok || out == nullptr || length == 0)
        Bad("the enhanced metafile of " + Num(Int64(size)) + " bytes cannot be drawn");
    data.Svg = QByteArray(out, qsizetype(length));
    data.Width = Integer(w);
    data.Height = Integer(h2);
}

}  // namespace

TMetafile::TMetafile() = default;
TMetafile::~TMetafile() = default;

std::unique_ptr<TGraphic> TMetafile::NewInstance() const { return std::make_unique<TMetafile>(); }

void TMetafile::Assign(TPersistent* Source) {
    if (auto* m = dynamic_cast<TMetafile*>(Source)) {
        FData = m->FData;
        Changed(this);
        return;
    }
    TGraphic::Assign(Source);
}

void TMetafile::LoadFromStream(TStream* Stream) {
    const Int64 left = Stream->Size() - Stream->Position();
    if (left > Int64(MaxFileSize)) Bad(Num(left) + " bytes; at most " + Num(Int64(MaxFileSize)) + " are read");
    auto data = std::make_shared<TData>();
    data->File.resize(std::size_t(std::max<Int64>(left, 0)));
    if (!data->File.empty()) Stream->ReadBuffer(data->File.data(), LongInt(data->File.size()));
    // The translators trust what the file says of itself; every record is
    // checked before one of them sees it.
    if (IsEnhanced(data->File)) {
        data->Enhanced = true;
        TranslateEnhancedMetafile(*data, CheckEnhancedMetafileRecords(data->File.data(), data->File.size()));
    } else if (IsWindowsMetafile(data->File)) {
        CheckWindowsMetafileRecords(data->File.data(), data->File.size());
        TranslateWindowsMetafile(*data);
    } else {
        Bad("the " + Num(Int64(data->File.size())) + " bytes are neither a Windows nor an enhanced metafile");
    }
    EnsureGuiApplication();
    if (!QSvgRenderer(data->Svg).isValid()) Bad("the translation of the picture cannot be drawn");
    FData = std::move(data);
    Changed(this);
}

void TMetafile::LoadFromFile(const AnsiString& FileName) {
    try {
        TGraphic::LoadFromFile(FileName);
    } catch (const EInvalidGraphic& e) {
        throw EInvalidGraphic(FileName + ": " + e.Message());
    }
}

void TMetafile::SaveToStream(TStream* Stream) {
    if (!FData) throw EInvalidGraphicOperation("Cannot save an empty metafile");
    Stream->WriteBuffer(FData->File.data(), LongInt(FData->File.size()));
}

void TMetafile::Draw(TCanvas& ACanvas, const TRect& Rect) {
    if (!FData || Rect.IsEmpty()) return;
    // Only what the canvas can show is rendered: a picture stretched far past
    // it costs no more than one that fits.
    const TRect part = IntersectRect(Rect, ACanvas.ClipRect());
    if (part.IsEmpty()) return;
    const Integer w = part.Right - part.Left, h = part.Bottom - part.Top;
    QImage image(w, h, QImage::Format_RGB32);
    for (Integer y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (Integer x = 0; x < w; ++x) {
            const TColor c = ACanvas.Pixel(part.Left + x, part.Top + y);
            row[x] = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
        }
    }
    EnsureGuiApplication();
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        QSvgRenderer renderer(FData->Svg);
        renderer.render(&painter, QRectF(Rect.Left - part.Left, Rect.Top - part.Top, Rect.Right - Rect.Left,
                                         Rect.Bottom - Rect.Top));
    }
    for (Integer y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (Integer x = 0; x < w; ++x)
            ACanvas.SetPixel(part.Left + x, part.Top + y, RGB(qRed(row[x]), qGreen(row[x]), qBlue(row[x])));
    }
}

Integer TMetafile::Width() const { return FData ? FData->Width : 0; }
Integer TMetafile::Height() const { return FData ? FData->Height : 0; }

void TMetafile::SetWidth(Integer) {}
void TMetafile::SetHeight(Integer) {}

bool TMetafile::Empty() const { return !FData; }

bool TMetafile::Enhanced() const { return FData && FData->Enhanced; }
