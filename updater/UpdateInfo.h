#pragma once
// The update description "update.dat" that the update server offers, and the
// plan made from it: which packages are newer than the ones recorded in
// "update.ini" [Version], what the user is told about them, and in which
// order they are fetched.
//
// The description is INI text (Windows-1250), read byte for byte:
//
//   [Setup]
//   MainURL=http://host/updclnt/     base address of the package files
//   [Client]                          one section per package, in fetch order
//   Version=1.05                      decimal number, "." separator
//   Size=123456                       exact size in bytes (0 or missing: unknown)
//   FileName=vemlor.zip               plain file name, on the server and on disk
//   Exclusive=0                       1: this package alone, offering its installer
//   Run=0                             1: start the file once saved
//   Params=/S                         parameters of an exclusive installer
//   OutputDir=Plugins                 folder below the program folder ("" = itself)
//   [InfoClient]                      the lines shown for the package, values only
//   1=New address book.
//
// Lines are "[name]" sections or "key=value" pairs (blanks around both are
// dropped, a value in matching quotes loses them); other lines, and lines
// starting with ";", are ignored. Section and key names are found ignoring
// letter case, and the first of two equal keys counts, as in every settings
// file of the program. The description comes from outside: it is refused
// whole, with a reason, when it is larger than kMaxDescription, holds a zero
// byte or a line longer than kMaxDescriptionLine, or has more than
// kMaxSections sections.

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

#include "platform/rtl/System.h"

constexpr std::size_t kMaxDescription = 1024 * 1024;
constexpr std::size_t kMaxDescriptionLine = 4096;
constexpr std::size_t kMaxSections = 1000;

class TUpdateDescription {
public:
    TUpdateDescription() = default;

    // Parses the bytes; false (with Error() naming the fault) when the text
    // is refused. Empty, or without any section, is no error: Sections() is
    // then empty.
    bool Parse(const AnsiString& Bytes);
    const AnsiString& Error() const { return FError; }

    // Section names in file order, each once.
    std::vector<AnsiString> Sections() const;
    bool SectionExists(const AnsiString& Section) const;
    // The first value of the key; Default when the section or key is missing.
    AnsiString ReadString(const AnsiString& Section, const AnsiString& Key, const AnsiString& Default) const;
    // Decimal or "0x" hexadecimal; Default for anything else.
    Integer ReadInteger(const AnsiString& Section, const AnsiString& Key, Integer Default) const;
    // Every value of the section in file order.
    std::vector<AnsiString> SectionValues(const AnsiString& Section) const;

private:
    struct TSection {
        AnsiString Name;
        std::vector<std::pair<AnsiString, AnsiString>> Pairs;
    };
    const TSection* Find(const AnsiString& Section) const;

    std::vector<TSection> FSections;
    AnsiString FError;
};

// A version as the description and "update.ini" write it; 1.0 when the text
// is missing or is no number.
double ParseVersion(const AnsiString& Text);

// One package section of the description.
struct TUpdatePackage {
    AnsiString Name;        // the section
    AnsiString Version;     // exactly as written
    Integer Size = 0;
    AnsiString FileName;
    bool Exclusive = false;
    bool Run = false;
    AnsiString Params;
    AnsiString OutputDir;   // as written, relative to the program folder
};
TUpdatePackage ReadPackage(const TUpdateDescription& Description, const AnsiString& Section);

// A file name from the server may name nothing but a file: no folder part,
// not "." or "..", no control character.
bool IsPlainFileName(const AnsiString& Name);
// An output folder from the server stays below the program folder: relative,
// without a drive and without "..".
bool IsSafeOutputDir(const AnsiString& Folder);

// What the description offers over the installed versions.
struct TUpdatePlan {
    AnsiString MainURL;               // [Setup] MainURL as written
    std::vector<AnsiString> Lines;    // for the list of what is new
    std::vector<AnsiString> Queue;    // package sections in fetch order
};
// InstalledVersion gives the "update.ini" [Version] text of a package ("" when none).
TUpdatePlan PlanUpdate(const TUpdateDescription& Description,
                       const std::function<AnsiString(const AnsiString&)>& InstalledVersion);

// Base address + "/" + name, the "/" only when the base lacks one.
AnsiString JoinUrl(const AnsiString& Base, const AnsiString& Name);
