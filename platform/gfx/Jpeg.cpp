#include "platform/gfx/Jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gfx/Canvas.h"
#include "platform/rtl/Exceptions.h"

extern "C" {
#include <jpeglib.h>
#include <jerror.h>
}

namespace {

// libjpeg reports fatal errors through error_exit, which must not return.
// We jump back to the calling function, which then raises; the functions
// that call setjmp keep no C++ objects with destructors alive across it.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr info) {
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, err->message);
    std::longjmp(err->jump, 1);
}

void OutputMessage(j_common_ptr) {}

// What a picture may cost, checked before anything is decoded: a few hundred
// bytes of header can claim 65000 x 65000 pixels, and a progressive file
// makes the library set aside the whole image's coefficients before it reads
// a single scan. The memory bound refuses such a buffer instead of letting
// the library allocate it.
constexpr Int64 MaxJpegPixels = Int64(1) << 26;
constexpr long MaxJpegMemory = 512L << 20;

struct DecodeResult {
    int width = 0, height = 0;
    bool ok = false;
    char message[JMSG_LENGTH_MAX] = {0};
};

// Decodes into rgb (3 bytes per pixel, R,G,B, rows top-down); `rgb` is
// sized by the caller-supplied resize callback after the header is read.
DecodeResult Decode(const Byte* data, std::size_t size, std::vector<Byte>* rgb) {
    DecodeResult result;
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = OutputMessage;
    JSAMPLE* volatile row = nullptr;
    if (setjmp(err.jump)) {
        // Without a backing store the library asks for one only when the
        // picture's buffers would pass the memory bound.
        if (err.pub.msg_code == JERR_NO_BACKING_STORE)
            std::snprintf(result.message, sizeof result.message,
                          "picture of %u x %u pixels needs more than the limit of %ld MB to decode",
                          unsigned(cinfo.image_width), unsigned(cinfo.image_height), MaxJpegMemory >> 20);
        else
            std::snprintf(result.message, sizeof result.message, "%s", err.message);
        jpeg_destroy_decompress(&cinfo);
        std::free(row);
        return result;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = MaxJpegMemory;
    jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    if (Int64(cinfo.image_width) * cinfo.image_height > MaxJpegPixels) {
        std::snprintf(result.message, sizeof result.message,
                      "picture of %u x %u pixels is larger than the limit of %lld pixels",
                      unsigned(cinfo.image_width), unsigned(cinfo.image_height), static_cast<long long>(MaxJpegPixels));
        jpeg_destroy_decompress(&cinfo);
        return result;
    }
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&cinfo);
    result.width = int(cinfo.output_width);
    result.height = int(cinfo.output_height);
    rgb->resize(std::size_t(result.width) * std::size_t(result.height) * 3);
    const int comps = cinfo.output_components;
    row = static_cast<JSAMPLE*>(std::malloc(std::size_t(result.width) * std::size_t(comps)));
    while (cinfo.output_scanline < cinfo.output_height) {
        const std::size_t y = cinfo.output_scanline;
        JSAMPROW rows[1] = {row};
        jpeg_read_scanlines(&cinfo, rows, 1);
        Byte* out = rgb->data() + y * std::size_t(result.width) * 3;
        for (int x = 0; x < result.width; ++x) {
            if (comps == 4) {
                // Adobe writes CMYK inverted.
                const int k = row[4 * x + 3];
                out[3 * x] = Byte(row[4 * x] * k / 255);
                out[3 * x + 1] = Byte(row[4 * x + 1] * k / 255);
                out[3 * x + 2] = Byte(row[4 * x + 2] * k / 255);
            } else if (comps == 3) {
                std::memcpy(out + 3 * x, row + 3 * x, 3);
            } else {
                out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = row[x];
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::free(row);
    result.ok = true;
    return result;
}

struct EncodeResult {
    bool ok = false;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX] = {0};
};

EncodeResult Encode(const Byte* rgb, int width, int height, int quality, bool gray) {
    EncodeResult result;
    jpeg_compress_struct cinfo;
    ErrorManager err;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = OutputMessage;
    if (setjmp(err.jump)) {
        std::snprintf(result.message, sizeof result.message, "%s", err.message);
        jpeg_destroy_compress(&cinfo);
        std::free(result.buffer);
        result.buffer = nullptr;
        return result;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &result.buffer, &result.size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    if (gray) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rows[1] = {const_cast<JSAMPLE*>(rgb + std::size_t(cinfo.next_scanline) * std::size_t(width) * 3)};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    result.ok = true;
    return result;
}

}  // namespace

TJPEGImage::TJPEGImage() { FBitmap.SetPixelFormat(pf24bit); }
TJPEGImage::~TJPEGImage() = default;

std::unique_ptr<TGraphic> TJPEGImage::NewInstance() const { return std::make_unique<TJPEGImage>(); }

void TJPEGImage::Assign(TPersistent* Source) {
    if (auto* j = dynamic_cast<TJPEGImage*>(Source)) {
        FBitmap.Assign(j->FBitmap);
        FQuality = j->FQuality;
        FGrayscale = j->FGrayscale;
        Changed(this);
        return;
    }
    if (auto* b = dynamic_cast<TBitmap*>(Source)) {
        FBitmap.Assign(*b);
        FBitmap.SetPixelFormat(pf24bit);
        Changed(this);
        return;
    }
    TGraphic::Assign(Source);
}

void TJPEGImage::AssignTo(TPersistent* Dest) {
    if (auto* b = dynamic_cast<TBitmap*>(Dest)) {
        b->Assign(FBitmap);
        return;
    }
    TGraphic::AssignTo(Dest);
}

void TJPEGImage::SetWidth(Integer) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }
void TJPEGImage::SetHeight(Integer) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }

void TJPEGImage::SetCompressionQuality(Integer Value) { FQuality = std::clamp(Value, 1, 100); }

void TJPEGImage::LoadFromBytes(const Byte* Data, std::size_t Size) {
    std::vector<Byte> rgb;
    const DecodeResult r = Decode(Data, Size, &rgb);
    if (!r.ok) throw EInvalidGraphic(AnsiString("JPEG image: ") + r.message);
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(r.width, r.height);
    for (int y = 0; y < r.height; ++y) {
        Byte* dst = b.ScanLine(y);
        const Byte* src = rgb.data() + std::size_t(y) * std::size_t(r.width) * 3;
        for (int x = 0; x < r.width; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    FBitmap.Assign(b);
    Changed(this);
}

void TJPEGImage::LoadFromStream(TStream* Stream) {
    const Int64 left = Stream->Size() - Stream->Position();
    std::vector<Byte> data(std::size_t(std::max<Int64>(left, 0)));
    if (!data.empty()) Stream->ReadBuffer(data.data(), LongInt(data.size()));
    LoadFromBytes(data.data(), data.size());
}

void TJPEGImage::SaveToStream(TStream* Stream) {
    if (FBitmap.Empty()) throw EInvalidGraphicOperation("Cannot save an empty JPEG image");
    TBitmap b;
    b.Assign(FBitmap);
    b.SetPixelFormat(pf24bit);
    std::vector<Byte> rgb(std::size_t(b.Width()) * std::size_t(b.Height()) * 3);
    for (int y = 0; y < b.Height(); ++y) {
        const Byte* src = b.ScanLine(y);
        Byte* dst = rgb.data() + std::size_t(y) * std::size_t(b.Width()) * 3;
        for (int x = 0; x < b.Width(); ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    EncodeResult r = Encode(rgb.data(), b.Width(), b.Height(), FQuality, FGrayscale);
    if (!r.ok) throw EInvalidGraphic(AnsiString("JPEG image: ") + r.message);
    try {
        Stream->WriteBuffer(r.buffer, LongInt(r.size));
    } catch (...) {
        std::free(r.buffer);
        throw;
    }
    std::free(r.buffer);
}

void TJPEGImage::Draw(TCanvas& ACanvas, const TRect& Rect) { FBitmap.Draw(ACanvas, Rect); }
