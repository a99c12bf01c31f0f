#pragma once
// Test helpers shared by the icon tests here and in media/: pictures with
// see-through pixels, written as PNG through ImageMagick and turned into
// icon and cursor files by icoutils' icotool, an independent maker and
// reader of those files.

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <vector>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Color.h"
#include "platform/gfx/Icon.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/System.h"

namespace icon_files {

struct TRgbaPicture {
    int Width = 0;
    int Height = 0;
    std::vector<Byte> Rgba;  // rows top-down
    bool Opaque(int x, int y) const { return Rgba[std::size_t(4 * (y * Width + x) + 3)] >= 128; }
    TColor Color(int x, int y) const {
        const Byte* p = &Rgba[std::size_t(4 * (y * Width + x))];
        return RGB(p[0], p[1], p[2]);
    }
};

// `colors` distinct colours in a pattern, with a see-through diagonal band
// (see-through pixels are black: icotool counts them as one more colour).
inline TRgbaPicture Pattern(int Width, int Height, int Colors) {
    TRgbaPicture p{Width, Height, {}};
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            const int i = (x * 7 + y * 3) % Colors;
            const bool clear = (x + 2 * y) % 11 == 0;
            p.Rgba.push_back(clear ? 0 : Byte(i * 97 % 256));
            p.Rgba.push_back(clear ? 0 : Byte(255 - i * 31 % 256));
            p.Rgba.push_back(clear ? 0 : Byte(i * 53 % 256));
            p.Rgba.push_back(clear ? 0 : 255);
        }
    return p;
}

inline bool HaveTools() {
    return std::filesystem::exists("/usr/bin/icotool") && std::filesystem::exists("/usr/bin/convert");
}

inline std::string OutPath(const std::string& Name) {
    std::filesystem::create_directories(VEMLOR_TEST_OUTPUT);
    return std::string(VEMLOR_TEST_OUTPUT) + "/" + Name;
}

inline int RunTool(const std::string& Command) { return std::system((Command + " 2>/dev/null").c_str()); }

inline void WriteFile(const std::string& Path, const std::vector<Byte>& Data) {
    std::ofstream(Path, std::ios::binary).write(reinterpret_cast<const char*>(Data.data()), std::streamsize(Data.size()));
}

inline std::vector<Byte> ReadFile(const std::string& Path) {
    std::ifstream f(Path, std::ios::binary);
    return std::vector<Byte>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

inline bool WritePng(const TRgbaPicture& Picture, const std::string& Path) {
    WriteFile(Path + ".rgba", Picture.Rgba);
    return RunTool("convert -size " + std::to_string(Picture.Width) + "x" + std::to_string(Picture.Height) +
               " -depth 8 rgba:" + Path + ".rgba PNG32:" + Path) == 0;
}

inline TRgbaPicture ReadPng(const std::string& Path, int Width, int Height) {
    TRgbaPicture p{Width, Height, {}};
    if (RunTool("convert " + Path + " -depth 8 rgba:" + Path + ".rgba") == 0) p.Rgba = ReadFile(Path + ".rgba");
    return p;
}

// icotool -c of one PNG per picture; `extra` holds further options
// ("--cursor -X 3 -Y 5"). Returns the file's bytes, empty on failure.
inline std::vector<Byte> MakeIconFile(const std::vector<TRgbaPicture>& Pictures, int Bits, const std::string& Name,
                                      const std::string& Extra = "") {
    std::string inputs;
    for (std::size_t i = 0; i < Pictures.size(); ++i) {
        const std::string png = OutPath(Name + "_" + std::to_string(i) + ".png");
        if (!WritePng(Pictures[i], png)) return {};
        inputs += " " + png;
    }
    const std::string out = OutPath(Name);
    if (RunTool("icotool -c -b " + std::to_string(Bits) + " " + Extra + " -o " + out + inputs) != 0) return {};
    return ReadFile(out);
}

// What `icotool -l` says of a file, one line per image.
inline std::string ListIconFile(const std::string& Path) {
    const std::string out = Path + ".list";
    if (RunTool("icotool -l " + Path + " > " + out) != 0) return {};
    std::ifstream f(out);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// An icon of one colour with every pixel shown.
inline std::unique_ptr<TIcon> SolidIcon(int Size, TColor Color, TPixelFormat Format = pf24bit) {
    TIconInfo info;
    info.Color = std::make_unique<TBitmap>();
    info.Color->SetPixelFormat(Format);
    info.Color->SetSize(Size, Size);
    info.Color->Canvas()->Brush()->SetColor(Color);
    info.Color->Canvas()->FillRect(Rect(0, 0, Size, Size));
    info.Mask = std::make_unique<TBitmap>();
    info.Mask->SetPixelFormat(pf1bit);
    info.Mask->SetSize(Size, Size);
    info.Mask->Canvas()->Brush()->SetColor(clBlack);
    info.Mask->Canvas()->FillRect(Rect(0, 0, Size, Size));
    auto icon = std::make_unique<TIcon>();
    icon->SetHandle(CreateIconIndirect(info));
    return icon;
}

// The message of what the action raises.
inline AnsiString MessageOf(const std::function<void()>& Action) {
    try {
        Action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(nothing raised)";
}

}  // namespace icon_files
