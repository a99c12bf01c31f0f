#pragma once
// Text resources: string tables and message tables.
//
// String table (type 6), one block of 16 strings, string i of block b being
// number (b - 1) x 16 + i:
//   OFFSET SIZE DESCRIPTION
//   0      2    character count n of string 0
//   2      2n   its UTF-16 characters (no terminator)
//   ...         the same for strings 1 to 15
//
// Message table (type 11):
//   OFFSET SIZE DESCRIPTION
//   0      4    block count b
//   4      12b  blocks: lowest id, highest id, offset of the first entry
//   ...         entries, one per id of a block: length u16 (4 + text,
//               padded to a multiple of 4), flags u16 (1: UTF-16 text),
//               zero-terminated text

#include <vector>

#include "media/ResourceModule.h"

struct TResourceLine {
    Integer Id = 0;
    AnsiString Text;
    friend bool operator==(const TResourceLine&, const TResourceLine&) = default;
};

class TTextResource : public TWriteableResource {
public:
    using TWriteableResource::TWriteableResource;
    virtual std::vector<TResourceLine> GetLines() const = 0;
    virtual void SetLines(const std::vector<TResourceLine>& Lines) = 0;
    int Capabilities() const override { return CanExport; }
    AnsiString FileFilter() const override { return "Text files (*.txt)|*.txt"; }

protected:
    // The text of the lines, one a line.
    void DoExport(TStream* Stream) override;
};

class TStringsResource : public TTextResource {
public:
    // A text name raises "String resources must have numeric IDs".
    TStringsResource(TResourceModule* AModule, const TResourceId& AType, const std::vector<Byte>& AData,
                     const TResourceId& AName);
    static const TResourceClass& StaticClass();
    const TResourceClass& Class() const override { return StaticClass(); }
    AnsiString TypeName() const override { return "Strings"; }
    // The number of the block's first string.
    AnsiString DisplayName() const override;
    int Capabilities() const override { return CanExport | CanExportSnippet; }
    void InitNew() override;

    // The non-empty strings with their numbers.
    std::vector<TResourceLine> GetLines() const override;
    // Lines whose numbers fall into the block set those strings; the rest
    // become empty.
    void SetLines(const std::vector<TResourceLine>& Lines) override;
    // The block's 16 strings. Damaged data raises EResourceError.
    std::vector<AnsiString> Strings() const;
    void SetStrings(const std::vector<AnsiString>& Strings, const AnsiString& Description);

protected:
    TResourceId NameFromText(const AnsiString& Text) const override;
    AnsiString DoExportSnippet() override;
    // Sixteen lines a block: the first block here, the others into new
    // string resources with the next free numbers.
    void DoImport(const AnsiString& FileName, const std::vector<Byte>& Bytes) override;
};

struct TMessageBlock {
    Cardinal LowId = 0;
    Cardinal HighId = 0;
    Cardinal Offset = 0;
};

class TMessagesResource : public TTextResource {
public:
    using TTextResource::TTextResource;
    static const TResourceClass& StaticClass();
    const TResourceClass& Class() const override { return StaticClass(); }
    AnsiString TypeName() const override { return "Message Table"; }
    void InitNew() override;

    int BlockCount() const;
    // "Invalid block no" beyond the count.
    TMessageBlock Block(int Index) const;
    // Every message with its id. Damaged data raises EResourceError.
    std::vector<TResourceLine> GetLines() const override;
    // One block per run of consecutive ids, 8-bit text.
    void SetLines(const std::vector<TResourceLine>& Lines) override;
};

// Lines of a text file (CR LF or LF ends a line).
std::vector<AnsiString> TextFileLines(const std::vector<Byte>& Bytes);
