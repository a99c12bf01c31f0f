#pragma once
// Settings files ("Vemlor.ini", "update.ini", "modem.dat"), which both
// programs read and write, so this layout is a promise to stored files:
//
//   ; comment           lines whose first non-blank character is ';'
//   [Section]           names compared without regard to letter case
//   Key = Value         blanks around key and value are not part of them
//
// Lines end in CR LF or LF when read and CR LF when written. Values are bytes
// and are never transcoded. A value of at least two characters enclosed in a
// matching pair of ' or " is read without that pair. Lines that are neither
// sections nor keys are kept as they are when the file is rewritten.
//
// Every read looks at the file on disk: its parsed form is kept and used
// again only while the file is unchanged (IniFiles.cpp says how a change is
// seen). Every write reads the file, changes it and replaces it atomically
// while holding the file's write lock, an advisory lock on ".~<name>.lock"
// beside it that every writer, in this process or another, takes; so a write
// is visible at once to every other TIniFile on the same file and no
// concurrent write is lost. A TIniFileBatch makes several writes one.

#include <memory>
#include <vector>

#include "platform/rtl/Object.h"
#include "platform/rtl/System.h"

class TStrings;

class TIniFile : public TObject {
public:
    explicit TIniFile(const AnsiString& fileName);

    const AnsiString& FileName() const { return FFileName; }

    // The default only when the key is missing; a present empty key gives "".
    AnsiString ReadString(const AnsiString& section, const AnsiString& ident,
                          const AnsiString& defaultValue) const;
    // Replaces the key where it stands, adds a new key after the last line of
    // its section and a new section at the end of the file. A value with
    // blanks at either end is written inside double quotes so that it reads
    // back unchanged; any other value is written as it stands. Creates the file
    // but not its folder. Raises EIniFileException "Unable to write to %s.
    // <the system's reason>" when the file cannot be written (the old file
    // stays as it was), and refuses a section or key that would not read back
    // as itself (line breaks, '=' in a key, a key starting with '[' or ';', a
    // section holding ']') or a value with line breaks.
    void WriteString(const AnsiString& section, const AnsiString& ident, const AnsiString& value);
    // Why WriteString would refuse these names and value; empty when it
    // would not, so that callers can refuse bad names before they act.
    static AnsiString WriteProblem(const AnsiString& section, const AnsiString& ident, const AnsiString& value);

    // Decimal with an optional sign, or hexadecimal after "0x"; any other
    // text, or a number outside the 32-bit range, gives the default.
    Integer ReadInteger(const AnsiString& section, const AnsiString& ident, Integer defaultValue) const;
    void WriteInteger(const AnsiString& section, const AnsiString& ident, Integer value);
    // Written as "1"/"0"; any integer other than 0 reads as true.
    bool ReadBool(const AnsiString& section, const AnsiString& ident, bool defaultValue) const;
    void WriteBool(const AnsiString& section, const AnsiString& ident, bool value);
    // Always with '.' as the decimal separator; unreadable text gives the default.
    double ReadFloat(const AnsiString& section, const AnsiString& ident, double defaultValue) const;
    void WriteFloat(const AnsiString& section, const AnsiString& ident, double value);
    // As DateTimeToStr / StrToDateTime write and read it.
    TDateTime ReadDateTime(const AnsiString& section, const AnsiString& ident,
                           TDateTime defaultValue) const;
    void WriteDateTime(const AnsiString& section, const AnsiString& ident, TDateTime value);

    // In file order; a section or key that occurs twice is listed once.
    std::vector<AnsiString> ReadSections() const;
    std::vector<AnsiString> ReadSection(const AnsiString& section) const;        // key names
    std::vector<AnsiString> ReadSectionValues(const AnsiString& section) const;  // "key=value"
    // The same, replacing the contents of `strings`.
    void ReadSections(TStrings& strings) const;
    void ReadSection(const AnsiString& section, TStrings& strings) const;
    void ReadSectionValues(const AnsiString& section, TStrings& strings) const;

    bool SectionExists(const AnsiString& section) const;
    bool ValueExists(const AnsiString& section, const AnsiString& ident) const;
    // A missing file, section or key is a successful no-op.
    void DeleteKey(const AnsiString& section, const AnsiString& ident);
    void EraseSection(const AnsiString& section);
    // Every write already reached the file.
    void UpdateFile() {}

private:
    AnsiString FFileName;
};

struct TIniBatchState;

// Writes that reach a settings file together or not at all. From its
// construction to Commit, the batch holds the file's write lock (other
// writers wait, readers elsewhere see the file as it was), and every write to
// the file made on this thread, through any TIniFile, changes the batch's copy
// of it, which reads on this thread see. Commit replaces the file once,
// atomically, when anything changed; destroying an uncommitted batch drops its
// changes. A batch of a file opened inside another batch of the same file on
// the same thread is part of it: the outer batch's Commit or drop decides.
class TIniFileBatch {
public:
    // Raises EIniFileException "Unable to write to %s. <reason>" when the
    // file cannot be locked, or exists and cannot be read.
    explicit TIniFileBatch(const AnsiString& fileName);
    ~TIniFileBatch();
    TIniFileBatch(const TIniFileBatch&) = delete;
    TIniFileBatch& operator=(const TIniFileBatch&) = delete;

    // Raises EIniFileException "Unable to write to %s. <reason>" when the
    // file cannot be replaced; the old file stays as it was and the changes
    // are dropped.
    void Commit();

private:
    std::unique_ptr<TIniBatchState> FState;  // only the outermost batch's
};
