// PNG decoding through Qt; nothing of Qt leaks into the header.

#include "platform/gfx/Png.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <cstring>
#include <string>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Exceptions.h"

namespace {

constexpr Byte Signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::size_t HeaderEnd = 33;  // signature, IHDR chunk with its CRC

[[noreturn]] void BadPng(const AnsiString& What) { throw EInvalidGraphic("PNG image: " + What); }

AnsiString Num(Int64 v) { return std::to_string(v); }

Int64 Big32(const Byte* p) { return (Int64(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }

// The decoder sets memory aside for the length a chunk claims before it
// reads the chunk: no chunk but the image data may claim more than this.
constexpr Int64 MaxChunkBytes = 4 * 1024 * 1024;

bool IsChunk(const Byte* p, const char* Type) { return std::memcmp(p + 4, Type, 4) == 0; }

// Text and colour profiles are compressed, may expand a thousandfold, and
// nothing reads them from a picture decoded here.
bool Unwanted(const Byte* p) {
    return IsChunk(p, "tEXt") || IsChunk(p, "zTXt") || IsChunk(p, "iTXt") || IsChunk(p, "iCCP");
}

// Chunk after chunk up to IEND, each inside the data and within its
// limit; what the decoder gets is the signature and the wanted chunks.
//   OFFSET SIZE DESCRIPTION (each chunk)
//   0      4    data length, big-endian
//   4      4    type
//   8      n    data
//   8+n    4    CRC of type and data
QByteArray WantedChunks(const Byte* Data, std::size_t Size, const AnsiString& Picture) {
    QByteArray kept(reinterpret_cast<const char*>(Data), qsizetype(sizeof Signature));
    Int64 at = sizeof Signature;
    const Int64 size = Int64(Size);
    while (true) {
        if (size - at < 12)
            BadPng(Picture + "the data ends before the closing chunk (IEND)");
        const Byte* chunk = Data + at;
        const AnsiString type(reinterpret_cast<const char*>(chunk + 4), 4);
        const Int64 length = Big32(chunk);
        if (length > size - at - 12)
            BadPng(Picture + "chunk " + type + " at byte " + Num(at) + " claims " + Num(length) + " bytes; " +
                   Num(size - at - 12) + " are left");
        if (length > MaxChunkBytes && !IsChunk(chunk, "IDAT"))
            BadPng(Picture + "chunk " + type + " at byte " + Num(at) + " claims " + Num(length) +
                   " bytes; at most " + Num(MaxChunkBytes));
        if (!Unwanted(chunk)) kept.append(reinterpret_cast<const char*>(chunk), qsizetype(length + 12));
        at += length + 12;
        if (IsChunk(chunk, "IEND")) return kept;
    }
}

}  // namespace

bool IsPng(const Byte* Data, std::size_t Size) {
    return Size >= sizeof Signature && std::memcmp(Data, Signature, sizeof Signature) == 0;
}

bool PngSize(const Byte* Data, std::size_t Size, Integer& Width, Integer& Height) {
    if (!IsPng(Data, Size) || Size < HeaderEnd || std::memcmp(Data + 12, "IHDR", 4) != 0) return false;
    // Sides of 2^31 and more are no PNG; they read as negative here and
    // fail the callers' range checks.
    Width = Integer(std::uint32_t(Big32(Data + 16)));
    Height = Integer(std::uint32_t(Big32(Data + 20)));
    return true;
}

TPngPixels DecodePng(const Byte* Data, std::size_t Size, Integer MaxSide) {
    TPngPixels png;
    if (!IsPng(Data, Size)) BadPng("the data does not start with the PNG signature");
    if (!PngSize(Data, Size, png.Width, png.Height))
        BadPng("no header chunk (IHDR) in the first " + Num(HeaderEnd) + " bytes; the data has " +
               Num(Int64(Size)));
    // A few hundred bytes can describe a picture of gigabytes: refused
    // before the decoder sets memory aside for it.
    if (png.Width < 1 || png.Width > MaxSide) BadPng("width " + Num(png.Width) + " is outside 1.." + Num(MaxSide));
    if (png.Height < 1 || png.Height > MaxSide)
        BadPng("height " + Num(png.Height) + " is outside 1.." + Num(MaxSide));
    const AnsiString picture =
        Num(png.Width) + " x " + Num(png.Height) + " pixels in " + Num(Int64(Size)) + " bytes: ";
    QByteArray bytes = WantedChunks(Data, Size, picture);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    reader.setAutoTransform(false);
    QImage image;
    if (!reader.read(&image))
        BadPng(picture + Utf8ToAnsi(reader.errorString().toStdString()));
    if (image.width() != png.Width || image.height() != png.Height)
        BadPng("decoded as " + Num(image.width()) + " x " + Num(image.height()) + ", the header says " +
               Num(png.Width) + " x " + Num(png.Height));
    image = image.convertToFormat(QImage::Format_ARGB32);
    png.Bgra.resize(std::size_t(png.Width) * std::size_t(png.Height) * 4);
    Byte* out = png.Bgra.data();
    for (Integer y = 0; y < png.Height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (Integer x = 0; x < png.Width; ++x, out += 4) {
            out[0] = Byte(qBlue(row[x]));
            out[1] = Byte(qGreen(row[x]));
            out[2] = Byte(qRed(row[x]));
            out[3] = Byte(qAlpha(row[x]));
        }
    }
    return png;
}
