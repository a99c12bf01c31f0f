// GIF decoding and encoding beside giflib on the same files, and Floyd-
// Steinberg black-and-white reduction of a 1000 x 1000 picture beside
// ImageMagick's `-dither FloydSteinberg -remap` to a black-and-white palette
// when it is installed. The files are made by our LZW coder from pictures of
// different kinds (photo-like 256 colours, a two-colour drawing, an
// interlaced picture, an animation of 20 frames); both decoders read the
// same bytes. The run-length coder writes files several times larger than
// LZW's, so its time has no counterpart in giflib: only the sizes are shown.

#include <benchmark/benchmark.h>
#include <gif_lib.h>
#include <unistd.h>

#include <algorithm>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
#include "media/GIFColors.h"
#include "media/GIFImage.h"

using namespace GIFImage;

namespace {

struct Picture {
    int width, height, colors, frames;
    bool interlaced;
    std::vector<std::vector<Byte>> pixels;  // one per frame
};

Picture MakePicture(int w, int h, int colors, int frames, bool interlaced, unsigned salt) {
    Picture p{w, h, colors, frames, interlaced, {}};
    std::mt19937 rng(salt);
    for (int f = 0; f < frames; ++f) {
        std::vector<Byte> px(std::size_t(w) * std::size_t(h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                // Smooth areas with some grain, like a scanned photo.
                const double v = 0.5 + 0.25 * std::sin(x * 0.02 + f) + 0.25 * std::cos(y * 0.03 + x * 0.005);
                int c = int(v * (colors - 1)) + int(rng() % 3) - 1;
                px[std::size_t(y) * w + x] = Byte(std::clamp(c, 0, colors - 1));
            }
        p.pixels.push_back(std::move(px));
    }
    return p;
}

std::vector<Byte> EncodeOurs(const Picture& p, TGIFCompression c = gcLZW) {
    TGIFImage gif;
    gif.SetCompression(c);
    gif.Header().SetWidth(p.width);
    gif.Header().SetHeight(p.height);
    for (int i = 0; i < p.colors; ++i) gif.GlobalColorMap().Add(RGB(i * 255 / std::max(1, p.colors - 1), i, 255 - i));
    for (const auto& px : p.pixels) {
        auto frame = std::make_unique<TGIFSubImage>(&gif);
        frame->SetSize(p.width, p.height);
        frame->SetInterlaced(p.interlaced);
        frame->Data() = px;
        gif.Images().Add(std::move(frame));
    }
    TMemoryStream s;
    gif.SaveToStream(&s);
    const Byte* b = static_cast<const Byte*>(s.Memory());
    return std::vector<Byte>(b, b + s.Size());
}

struct MemReader {
    const std::vector<Byte>* data;
    std::size_t pos;
};
int ReadMem(GifFileType* gif, GifByteType* buf, int n) {
    auto* r = static_cast<MemReader*>(gif->UserData);
    const int k = int(std::min<std::size_t>(std::size_t(n), r->data->size() - r->pos));
    std::memcpy(buf, r->data->data() + r->pos, std::size_t(k));
    r->pos += std::size_t(k);
    return k;
}
int WriteMem(GifFileType* gif, const GifByteType* buf, int n) {
    static_cast<std::vector<Byte>*>(gif->UserData)->insert(static_cast<std::vector<Byte>*>(gif->UserData)->end(), buf,
                                                           buf + n);
    return n;
}

std::vector<Byte> EncodeGiflib(const Picture& p) {
    std::vector<Byte> out;
    int err = 0;
    GifFileType* gif = EGifOpen(&out, WriteMem, &err);
    int bits = 1;
    while ((1 << bits) < p.colors) ++bits;
    ColorMapObject* map = GifMakeMapObject(1 << bits, nullptr);
    for (int i = 0; i < p.colors; ++i)
        map->Colors[i] = GifColorType{Byte(i * 255 / std::max(1, p.colors - 1)), Byte(i), Byte(255 - i)};
    EGifPutScreenDesc(gif, p.width, p.height, bits, 0, map);
    for (const auto& px : p.pixels) {
        EGifPutImageDesc(gif, 0, 0, p.width, p.height, p.interlaced, nullptr);
        static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        if (p.interlaced) {
            for (int pass = 0; pass < 4; ++pass)
                for (int y = start[pass]; y < p.height; y += step[pass])
                    EGifPutLine(gif, const_cast<GifPixelType*>(px.data() + std::size_t(y) * p.width), p.width);
        } else {
            EGifPutLine(gif, const_cast<GifPixelType*>(px.data()), p.width * p.height);
        }
    }
    EGifCloseFile(gif, &err);
    GifFreeMapObject(map);
    return out;
}

const std::map<std::string, Picture>& Pictures() {
    static const std::map<std::string, Picture> pictures{
        {"photo640x480", MakePicture(640, 480, 256, 1, false, 1)},
        {"drawing1000x1000", MakePicture(1000, 1000, 2, 1, false, 2)},
        {"interlaced800x600", MakePicture(800, 600, 64, 1, true, 3)},
        {"animation20x160x120", MakePicture(160, 120, 16, 20, false, 4)},
    };
    return pictures;
}

const std::map<std::string, std::vector<Byte>>& Files() {
    static const std::map<std::string, std::vector<Byte>> files = [] {
        std::map<std::string, std::vector<Byte>> f;
        for (const auto& [name, p] : Pictures()) f[name] = EncodeOurs(p);
        return f;
    }();
    return files;
}

void DecodeOurs(benchmark::State& state) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        for (const auto& [name, data] : Files()) {
            TMemoryStream s;
            s.WriteBuffer(data.data(), LongInt(data.size()));
            s.SetPosition(0);
            TGIFImage gif;
            gif.LoadFromStream(&s);
            benchmark::DoNotOptimize(gif.Images()[0]->Data().data());
            bytes += data.size();
        }
    }
    state.SetBytesProcessed(Int64(bytes));
}

void DecodeGiflib(benchmark::State& state) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        for (const auto& [name, data] : Files()) {
            // The same work as ours: a copy of the file in memory, then every frame's pixels.
            std::vector<Byte> copy = data;
            MemReader r{&copy, 0};
            int err = 0;
            GifFileType* gif = DGifOpen(&r, ReadMem, &err);
            if (gif == nullptr || DGifSlurp(gif) != GIF_OK) state.SkipWithError("giflib failed");
            benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
            DGifCloseFile(gif, &err);
            bytes += data.size();
        }
    }
    state.SetBytesProcessed(Int64(bytes));
}

void EncodeOursLZW(benchmark::State& state) {
    for (auto _ : state)
        for (const auto& [name, p] : Pictures()) benchmark::DoNotOptimize(EncodeOurs(p, gcLZW).size());
}

void EncodeOursRLE(benchmark::State& state) {
    for (auto _ : state)
        for (const auto& [name, p] : Pictures()) benchmark::DoNotOptimize(EncodeOurs(p, gcRLE).size());
}

void EncodeGiflibLZW(benchmark::State& state) {
    for (auto _ : state)
        for (const auto& [name, p] : Pictures()) benchmark::DoNotOptimize(EncodeGiflib(p).size());
}

std::unique_ptr<TBitmap> Photo1000() {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(1000, 1000);
    for (int y = 0; y < 1000; ++y) {
        Byte* row = b->ScanLine(y);
        for (int x = 0; x < 1000; ++x) {
            row[3 * x] = Byte((x * y) >> 8);
            row[3 * x + 1] = Byte(x / 4 + y / 8);
            row[3 * x + 2] = Byte(127 + 127 * std::sin(x * 0.01 + y * 0.02));
        }
    }
    return b;
}

// Floyd-Steinberg beside ImageMagick, as a separate program: its time is
// that of the call that dithers to a black-and-white palette less that of a
// plain copy of the same picture (reading and writing alike). Ours, the
// dithering call and the plain copy run in turns, kDitherRounds times, and
// each side's figure is the median of its rounds, the same statistic on
// both sides. Ours is -1 without ImageMagick; theirs is 0 when the dithering
// took no measurable time beyond the copy, which no ratio can use.
constexpr int kDitherRounds = 7;

struct TDitherTimes {
    double Ours = -1, Theirs = -1;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

TDitherTimes DitherBesideImageMagick() {
    TDitherTimes result;
    if (!std::filesystem::exists("/usr/bin/convert")) return result;
    const auto photo = Photo1000();
    char pattern[] = "/tmp/bench_gif_XXXXXX";
    if (!::mkdtemp(pattern)) return result;
    const std::string dir = pattern;
    const std::string in = dir + "/photo.ppm", out = dir + "/out.ppm", palette = dir + "/bw.pbm";
    std::ofstream(palette, std::ios::binary) << "P1 2 1\n1 0\n";  // black, white
    {
        std::ofstream f(in, std::ios::binary);
        f << "P6 1000 1000 255\n";
        for (int y = 0; y < 1000; ++y) {
            const Byte* row = photo->ScanLine(y);
            for (int x = 0; x < 1000; ++x) f.put(char(row[3 * x + 2])).put(char(row[3 * x + 1])).put(char(row[3 * x]));
        }
    }
    using clock = std::chrono::steady_clock;
    auto timed = [](const std::string& cmd) {
        const auto a = clock::now();
        if (std::system(cmd.c_str()) != 0) return -1.0;
        return std::chrono::duration<double>(clock::now() - a).count();
    };
    std::vector<double> ours, dither, plain;
    for (int i = 0; i < kDitherRounds; ++i) {
        const auto a = clock::now();
        auto r = ReduceBitmapColors(*photo, rmMonochrome, dmFloydSteinberg, 8, nullptr);
        benchmark::DoNotOptimize(r->ScanLine(0));
        ours.push_back(std::chrono::duration<double>(clock::now() - a).count());
        dither.push_back(timed("/usr/bin/convert " + in + " -dither FloydSteinberg -remap " + palette + " " + out));
        plain.push_back(timed("/usr/bin/convert " + in + " " + out));
    }
    std::filesystem::remove_all(dir);
    result.Ours = Median(ours);
    if (*std::min_element(dither.begin(), dither.end()) < 0 || *std::min_element(plain.begin(), plain.end()) < 0)
        return result;
    result.Theirs = std::max(Median(dither) - Median(plain), 0.0);
    std::printf("\nFloyd-Steinberg 1000x1000 to black and white, %d rounds in turns\n", kDitherRounds);
    std::printf("ours                 %8.1f ms median (%.1f .. %.1f)\n", result.Ours * 1e3,
                *std::min_element(ours.begin(), ours.end()) * 1e3, *std::max_element(ours.begin(), ours.end()) * 1e3);
    std::printf("ImageMagick dither   %8.1f ms median, less its plain copy %.1f ms median\n", Median(dither) * 1e3,
                Median(plain) * 1e3);
    return result;
}

std::size_t TotalSize(std::vector<Byte> (*encode)(const Picture&)) {
    std::size_t total = 0;
    for (const auto& [name, p] : Pictures()) total += encode(p).size();
    return total;
}
std::vector<Byte> EncodeOursLZWFile(const Picture& p) { return EncodeOurs(p, gcLZW); }
std::vector<Byte> EncodeOursRLEFile(const Picture& p) { return EncodeOurs(p, gcRLE); }

BENCHMARK(DecodeOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeGiflib)->Unit(benchmark::kMillisecond);
BENCHMARK(EncodeOursLZW)->Unit(benchmark::kMillisecond);
BENCHMARK(EncodeOursRLE)->Unit(benchmark::kMillisecond);
BENCHMARK(EncodeGiflibLZW)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const TDitherTimes dither = DitherBesideImageMagick();
    TRatioTable table(reporter.Seconds);
    std::printf("\nRatios (below 1: ours is faster)\n");
    table.Ratio("decode, ours / giflib", "DecodeOurs", "DecodeGiflib", 1);
    table.Ratio("encode LZW, ours / giflib", "EncodeOursLZW", "EncodeGiflibLZW", 1.5);
    std::printf("%-64s %zu / %zu bytes\n", "file sizes, LZW: ours / giflib", TotalSize(EncodeOursLZWFile),
                TotalSize(EncodeGiflib));
    std::printf("%-64s %zu / %zu bytes (no ratio: unequal files)\n", "file sizes, run-length ours / LZW giflib",
                TotalSize(EncodeOursRLEFile), TotalSize(EncodeGiflib));
    int result = 0;
    if (dither.Ours < 0) {
        std::printf("ImageMagick not installed: no Floyd-Steinberg ratio\n");
    } else if (dither.Theirs <= 0) {
        std::fprintf(stderr, "error: ImageMagick's dither took no time beyond a plain copy, or failed; no ratio\n");
        result = 1;
    } else {
        table.Print("Floyd-Steinberg 1000x1000 b/w, ours / ImageMagick's dither", dither.Ours / dither.Theirs);
        std::printf("    ours:   ReduceBitmapColors(rmMonochrome, dmFloydSteinberg) in memory, median of %d\n"
                    "    theirs: convert -dither FloydSteinberg -remap to a black-and-white palette, less a plain\n"
                    "            convert of the same file, medians of %d\n",
                    kDitherRounds, kDitherRounds);
    }
    benchmark::Shutdown();
    return result;
}
