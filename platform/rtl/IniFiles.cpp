#include "platform/rtl/IniFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "platform/rtl/DateUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"

namespace {

enum class LineKind { Other, Section, Key };

struct TIniLine {
    AnsiString Text;   // as read, without the line end
    LineKind Kind = LineKind::Other;
    AnsiString Name;   // section or key name, trimmed
    AnsiString Value;  // key value, trimmed, quotes still on
    int Section = -1;  // index of the section header line this line belongs to
};

struct TIniDocument {
    std::vector<TIniLine> Lines;
    // Built once for a document that no longer changes (a kept one): the key
    // lines of each section by its name in capitals, in file order, every
    // occurrence of the section included. Without it lookups walk the lines.
    std::unordered_map<std::string, std::vector<int>> SectionKeys;
    bool Indexed = false;

    void BuildIndex() {
        SectionKeys.clear();
        std::string current;
        for (std::size_t i = 0; i < Lines.size(); ++i) {
            const TIniLine& line = Lines[i];
            if (line.Kind == LineKind::Section) {
                current = AnsiUpperCase(line.Name);
                SectionKeys[current];
            } else if (line.Kind == LineKind::Key) {
                SectionKeys[current].push_back(static_cast<int>(i));
            }
        }
        Indexed = true;
    }
    // The key lines of a section in file order (nullptr: no such section).
    const std::vector<int>* KeysOf(const AnsiString& upperSection) const {
        auto it = SectionKeys.find(upperSection);
        return it == SectionKeys.end() ? nullptr : &it->second;
    }

    static TIniLine ParseLine(const AnsiString& text, int section) {
        TIniLine line;
        line.Text = text;
        line.Section = section;
        const AnsiString trimmed = Trim(text);
        if (trimmed.empty() || trimmed[0] == ';')
            return line;
        if (trimmed[0] == '[') {
            const std::size_t close = trimmed.find(']');
            line.Kind = LineKind::Section;
            line.Name = Trim(trimmed.substr(1, close == AnsiString::npos ? AnsiString::npos : close - 1));
            return line;
        }
        const std::size_t equals = trimmed.find('=');
        if (section < 0 || equals == AnsiString::npos || equals == 0)
            return line;
        line.Kind = LineKind::Key;
        line.Name = Trim(trimmed.substr(0, equals));
        line.Value = Trim(trimmed.substr(equals + 1));
        if (line.Name.empty())
            line.Kind = LineKind::Other;
        return line;
    }

    void Parse(const AnsiString& content) {
        Lines.clear();
        int section = -1;
        std::size_t pos = 0;
        while (pos < content.size()) {
            std::size_t end = content.find('\n', pos);
            const std::size_t next = end == AnsiString::npos ? content.size() : end + 1;
            if (end == AnsiString::npos)
                end = content.size();
            if (end > pos && content[end - 1] == '\r')
                --end;
            TIniLine line = ParseLine(content.substr(pos, end - pos), section);
            if (line.Kind == LineKind::Section) {
                section = static_cast<int>(Lines.size());
                line.Section = section;
            }
            Lines.push_back(std::move(line));
            pos = next;
        }
    }

    AnsiString Serialize() const {
        AnsiString out;
        for (const TIniLine& line : Lines) {
            out += line.Text;
            out += "\r\n";
        }
        return out;
    }

    // After lines were inserted or removed: each line's owning header again.
    void Renumber() {
        int current = -1;
        for (std::size_t i = 0; i < Lines.size(); ++i) {
            if (Lines[i].Kind == LineKind::Section)
                current = static_cast<int>(i);
            Lines[i].Section = current;
        }
    }

    bool InSection(const TIniLine& line, const AnsiString& upperSection) const {
        return line.Section >= 0 && AnsiUpperCase(Lines[static_cast<std::size_t>(line.Section)].Name) == upperSection;
    }

    // The first line of the key in any occurrence of the section, or -1.
    int FindKey(const AnsiString& section, const AnsiString& ident) const {
        const AnsiString upperSection = AnsiUpperCase(Trim(section));
        const AnsiString upperIdent = AnsiUpperCase(Trim(ident));
        if (Indexed) {
            if (const std::vector<int>* keys = KeysOf(upperSection))
                for (int i : *keys)
                    if (AnsiUpperCase(Lines[static_cast<std::size_t>(i)].Name) == upperIdent) return i;
            return -1;
        }
        for (std::size_t i = 0; i < Lines.size(); ++i) {
            const TIniLine& line = Lines[i];
            if (line.Kind == LineKind::Key && AnsiUpperCase(line.Name) == upperIdent && InSection(line, upperSection))
                return static_cast<int>(i);
        }
        return -1;
    }

    bool HasSection(const AnsiString& section) const {
        const AnsiString upper = AnsiUpperCase(Trim(section));
        if (Indexed) return KeysOf(upper) != nullptr;
        for (const TIniLine& line : Lines)
            if (line.Kind == LineKind::Section && AnsiUpperCase(line.Name) == upper)
                return true;
        return false;
    }
};

AnsiString Unquote(const AnsiString& value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.substr(1, value.size() - 2);
    return value;
}

// Blanks at either end would be lost on reading, so such a value is written
// inside a pair of double quotes, which reading strips again. A value that
// itself begins and ends with a quote is written as it stands: reading drops
// that pair, as callers of the profile functions expect and compensate for
// (the settings storage wraps such values itself).
AnsiString QuoteForWriting(const AnsiString& value) {
    if (value.empty())
        return value;
    const unsigned char first = static_cast<unsigned char>(value.front());
    const unsigned char last = static_cast<unsigned char>(value.back());
    if (first <= ' ' || last <= ' ')
        return "\"" + value + "\"";
    return value;
}

bool HasLineBreak(const AnsiString& s) { return s.find_first_of("\r\n") != AnsiString::npos; }

// ---- The parsed files, kept between reads ----------------------------------
//
// Parsing a settings file for every key read cost more than anything else
// the settings storage did, so each file's parsed form is kept and used
// again while the file on disk is unchanged. A change is seen by the file's
// identity (device, inode), size and change times. An entry keeps its file
// open, so that the inode number cannot pass to a later file while the entry
// trusts it. Time stamps are coarse (a few milliseconds): a file changed in
// the moments before it was read could change again in place, to the same
// size, without a new time stamp. Such an entry keeps the bytes it parsed and
// compares them on every read until its file has been quiet for a second, as
// version-control tools do for racily clean files.

constexpr std::size_t kCachedFiles = 16;
constexpr std::time_t kQuietSeconds = 1;

struct TFileStamp {
    dev_t Dev = 0;
    ino_t Ino = 0;
    off_t Size = 0;
    struct timespec MTime {};
    struct timespec CTime {};

    static TFileStamp Of(const struct stat& st) {
        return {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
    }
    bool operator==(const TFileStamp& o) const {
        return Dev == o.Dev && Ino == o.Ino && Size == o.Size && MTime.tv_sec == o.MTime.tv_sec &&
               MTime.tv_nsec == o.MTime.tv_nsec && CTime.tv_sec == o.CTime.tv_sec && CTime.tv_nsec == o.CTime.tv_nsec;
    }
    // Changed more than kQuietSeconds before `now`.
    bool QuietBefore(const struct timespec& now) const {
        auto before = [&](const struct timespec& t) {
            const std::time_t seconds = t.tv_sec + kQuietSeconds;
            return seconds < now.tv_sec || (seconds == now.tv_sec && t.tv_nsec < now.tv_nsec);
        };
        return before(MTime) && before(CTime);
    }
};

struct TCachedIni {
    std::string Key;  // the system's name of the file
    TFileStamp Stamp;
    int Handle = -1;
    bool Trusted = false;  // the stamp alone tells every later change
    AnsiString Bytes;      // while not trusted: what was parsed
    std::shared_ptr<const TIniDocument> Document;
};

class TIniCache {
public:
    ~TIniCache() {
        for (TCachedIni& entry : FEntries) ::close(entry.Handle);
    }

    // The file's parsed form; an empty one for a missing or unreadable file.
    std::shared_ptr<const TIniDocument> Document(const AnsiString& fileName) {
        const std::string key = SysFileName(ExpandFileName(fileName));
        struct stat st;
        if (::stat(key.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            Forget(key);
            return Empty();
        }
        {
            std::lock_guard<std::mutex> lock(FMutex);
            auto it = Find(key);
            if (it != FEntries.end() && it->Trusted && it->Stamp == TFileStamp::Of(st)) {
                FEntries.splice(FEntries.begin(), FEntries, it);
                return it->Document;
            }
        }
        struct timespec now;
        ::clock_gettime(CLOCK_REALTIME, &now);
        const int handle = ::open(key.c_str(), O_RDONLY | O_CLOEXEC);
        if (handle < 0)
            return Empty();
        AnsiString bytes;
        if (::fstat(handle, &st) == 0) bytes.reserve(static_cast<std::size_t>(std::max<off_t>(st.st_size, 0)) + 1);
        if (::fstat(handle, &st) != 0 || !ReadAll(handle, bytes)) {
            ::close(handle);
            return Empty();
        }
        TCachedIni fresh;
        fresh.Key = key;
        fresh.Stamp = TFileStamp::Of(st);
        fresh.Handle = handle;
        fresh.Trusted = fresh.Stamp.QuietBefore(now);
        std::lock_guard<std::mutex> lock(FMutex);
        auto it = Find(key);
        if (it != FEntries.end() && it->Stamp == fresh.Stamp && !it->Trusted && it->Bytes == bytes) {
            fresh.Document = it->Document;  // the same bytes: no need to parse them again
        } else {
            auto document = std::make_shared<TIniDocument>();
            document->Parse(bytes);
            document->BuildIndex();
            fresh.Document = std::move(document);
        }
        if (!fresh.Trusted)
            fresh.Bytes = std::move(bytes);
        if (it != FEntries.end()) {
            ::close(it->Handle);
            FEntries.erase(it);
        }
        FEntries.push_front(std::move(fresh));
        if (FEntries.size() > kCachedFiles) {
            ::close(FEntries.back().Handle);
            FEntries.pop_back();
        }
        return FEntries.front().Document;
    }

private:
    static std::shared_ptr<const TIniDocument> Empty() {
        static const auto empty = std::make_shared<const TIniDocument>();
        return empty;
    }
    static bool ReadAll(int handle, AnsiString& bytes) {
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(handle, buffer, sizeof buffer);
            if (got == 0)
                return true;
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            bytes.append(buffer, static_cast<std::size_t>(got));
        }
    }
    std::list<TCachedIni>::iterator Find(const std::string& key) {
        return std::find_if(FEntries.begin(), FEntries.end(), [&](const TCachedIni& e) { return e.Key == key; });
    }
    void Forget(const std::string& key) {
        std::lock_guard<std::mutex> lock(FMutex);
        auto it = Find(key);
        if (it == FEntries.end())
            return;
        ::close(it->Handle);
        FEntries.erase(it);
    }

    std::mutex FMutex;
    std::list<TCachedIni> FEntries;  // most recently used first
};

// The system's name of a settings file, one for every spelling of it: the
// key of its cache entry, its open batch and its lock.
std::string FileKey(const AnsiString& fileName) { return SysFileName(ExpandFileName(fileName)); }

// ---- Writing -----------------------------------------------------------------
//
// Two processes write some settings files (the client's call thread and the
// updater both record versions in "update.ini"), so every write reads the
// file, changes it and replaces it while holding an exclusive advisory lock
// (flock) on a lock file beside it, ".~<name>.lock", which every writer of
// either program takes and which is never removed (removing it would let a
// writer lock a file that a newer writer no longer looks at). Readers take no
// lock: a replace is atomic, so they see the old file or the new one. The
// lock is taken through a descriptor of its own for each write, so threads of
// one process keep out of each other's way through it as well.

// "Unable to write to <file>. <why>": the system's reason, as a table's
// failed save gives it, so that the user learns what to mend (a full disk, a
// folder that takes no files) rather than only that something went wrong.
EIniFileException UnableToWrite(const AnsiString& fileName, const AnsiString& reason) {
    return EIniFileException("Unable to write to " + fileName + (reason.empty() ? AnsiString() : ". " + reason));
}

EIniFileException UnableToWrite(const AnsiString& fileName, int error) {
    return UnableToWrite(fileName, SysErrorMessage(error));
}

EIniFileException UnableToWrite(const AnsiString& fileName, const Exception& cause) {
    return UnableToWrite(fileName, FileErrorReason(cause.Message()));
}

class TWriteLock {
public:
    TWriteLock(const std::string& key, const AnsiString& fileName) {
        const std::size_t slash = key.rfind('/');
        const std::string lockName = key.substr(0, slash + 1) + ".~" + key.substr(slash + 1) + ".lock";
        FHandle = ::open(lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
        // Why the lock file could not be made, not why it is not there.
        const int createError = errno;
        if (FHandle < 0)
            FHandle = ::open(lockName.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (FHandle < 0)
            throw UnableToWrite(fileName, createError);
        while (::flock(FHandle, LOCK_EX) != 0) {
            if (errno != EINTR) {
                const int error = errno;
                ::close(FHandle);
                throw UnableToWrite(fileName, error);
            }
        }
    }
    ~TWriteLock() { ::close(FHandle); }
    TWriteLock(const TWriteLock&) = delete;
    TWriteLock& operator=(const TWriteLock&) = delete;

private:
    int FHandle = -1;
};

// The file as it is now, for a write: a missing file starts empty; one that
// exists but cannot be read must not be replaced by a file holding only the
// new keys.
AnsiString ContentForWriting(const AnsiString& fileName) {
    try {
        return ReadFileBytes(fileName);
    } catch (const EFOpenError& e) {
        if (FileExists(fileName) || DirectoryExists(fileName))
            throw UnableToWrite(fileName, e);
    } catch (const Exception& e) {
        throw UnableToWrite(fileName, e);
    }
    return AnsiString();
}

}  // namespace

// A batch open on one file: its lock, and the file's contents as the batch's
// writes have changed them so far.
struct TIniBatchState {
    TIniBatchState(const std::string& key, const AnsiString& fileName)
        : Key(key), FileName(fileName), Lock(key, fileName), Document(std::make_shared<TIniDocument>()) {
        Document->Parse(ContentForWriting(fileName));
        Document->BuildIndex();
    }
    std::string Key;
    AnsiString FileName;
    TWriteLock Lock;
    std::shared_ptr<TIniDocument> Document;
    bool Changed = false;
};

namespace {

// The batches open on this thread; writes and reads on this thread go to them.
thread_local std::vector<TIniBatchState*> tBatches;

TIniBatchState* OpenBatch(const std::string& key) {
    for (TIniBatchState* batch : tBatches)
        if (batch->Key == key) return batch;
    return nullptr;
}

// A missing or unreadable file reads as empty; reading never creates it.
std::shared_ptr<const TIniDocument> ParsedFile(const AnsiString& fileName) {
    if (!tBatches.empty())
        if (TIniBatchState* batch = OpenBatch(FileKey(fileName)))
            return batch->Document;
    static TIniCache cache;
    return cache.Document(fileName);
}

bool ParseInteger(const AnsiString& text, Integer& value) {
    const AnsiString s = Trim(text);
    std::size_t pos = 0;
    bool negative = false;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-'))
        negative = s[pos++] == '-';
    if (s.size() - pos >= 2 && s[pos] == '0' && (s[pos + 1] == 'x' || s[pos + 1] == 'X')) {
        pos += 2;
        if (pos >= s.size() || s.size() - pos > 8)
            return false;
        std::uint32_t result = 0;
        for (; pos < s.size(); ++pos) {
            const char c = s[pos];
            int digit;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            else
                return false;
            result = result * 16 + static_cast<std::uint32_t>(digit);
        }
        // Eight hex digits fill the 32 bits, as a colour like 0xFFFFFFFF is meant.
        if (negative)
            result = 0u - result;
        value = static_cast<Integer>(result);
        return true;
    }
    if (pos >= s.size())
        return false;
    Int64 result = 0;
    for (; pos < s.size(); ++pos) {
        if (s[pos] < '0' || s[pos] > '9')
            return false;
        result = result * 10 + (s[pos] - '0');
        if (result > 2147483648LL)
            return false;
    }
    if (negative)
        result = -result;
    if (result > 2147483647LL)
        return false;
    value = static_cast<Integer>(result);
    return true;
}

}  // namespace

TIniFile::TIniFile(const AnsiString& fileName) : FFileName(fileName) {}

namespace {

// Read, change, replace - under the file's lock so that concurrent writers
// never lose each other's keys; inside a batch of this thread, only the
// batch's copy changes. `change` returns false when it changed nothing; then
// the file is not touched (and not created).
template <typename TChange>
void Modify(const AnsiString& fileName, TChange change) {
    const std::string key = FileKey(fileName);
    if (TIniBatchState* batch = OpenBatch(key)) {
        // The change walks and edits the lines; the index follows afterwards.
        batch->Document->Indexed = false;
        const bool changed = change(*batch->Document);
        batch->Document->BuildIndex();
        batch->Changed = batch->Changed || changed;
        return;
    }
    TWriteLock lock(key, fileName);
    TIniDocument document;
    document.Parse(ContentForWriting(fileName));
    if (!change(document))
        return;
    try {
        WriteFileAtomic(fileName, document.Serialize());
    } catch (const Exception& e) {
        throw UnableToWrite(fileName, e);
    }
}

// A key or section of a file that does not exist has nothing to delete,
// unless a batch of this thread is about to create the file.
bool NothingToDelete(const AnsiString& fileName) {
    return !FileExists(fileName) && (tBatches.empty() || !OpenBatch(FileKey(fileName)));
}

}  // namespace

AnsiString TIniFile::ReadString(const AnsiString& section, const AnsiString& ident,
                                const AnsiString& defaultValue) const {
    const std::shared_ptr<const TIniDocument> document = ParsedFile(FFileName);
    const int index = document->FindKey(section, ident);
    if (index < 0)
        return defaultValue;
    return Unquote(document->Lines[static_cast<std::size_t>(index)].Value);
}

AnsiString TIniFile::WriteProblem(const AnsiString& section, const AnsiString& ident, const AnsiString& value) {
    const AnsiString name = Trim(ident);
    if (HasLineBreak(section) || Trim(section).find(']') != AnsiString::npos)
        return "a section name may not hold ']' or a line break";
    if (name.empty())
        return "the key name is empty";
    if (HasLineBreak(ident) || name.find('=') != AnsiString::npos || name[0] == '[' || name[0] == ';')
        return "a key name may not hold '=' or a line break, nor start with '[' or ';'";
    if (HasLineBreak(value))
        return "a value may not hold a line break";
    return AnsiString();
}

void TIniFile::WriteString(const AnsiString& section, const AnsiString& ident, const AnsiString& value) {
    const AnsiString name = Trim(ident);
    const AnsiString sectionName = Trim(section);
    const AnsiString problem = WriteProblem(section, ident, value);
    if (!problem.empty())
        throw EIniFileException("Cannot write key \"" + ident + "\" of section [" + section + "] to " +
                                FFileName + ": " + problem);

    const AnsiString text = name + "=" + QuoteForWriting(value);
    Modify(FFileName, [&](TIniDocument& document) {
        const int index = document.FindKey(sectionName, name);
        if (index >= 0) {
            TIniLine& line = document.Lines[static_cast<std::size_t>(index)];
            if (line.Text == text)
                return false;
            line = TIniDocument::ParseLine(text, line.Section);
            return true;
        }
        // After the last non-blank line of the section's last occurrence.
        const AnsiString upper = AnsiUpperCase(sectionName);
        int insertAt = -1;
        int header = -1;
        for (std::size_t i = 0; i < document.Lines.size(); ++i) {
            const TIniLine& line = document.Lines[i];
            if (line.Kind == LineKind::Section && AnsiUpperCase(line.Name) == upper) {
                header = static_cast<int>(i);
                insertAt = header + 1;
            } else if (header >= 0 && line.Section == header && !Trim(line.Text).empty()) {
                insertAt = static_cast<int>(i) + 1;
            }
        }
        if (header < 0) {
            header = static_cast<int>(document.Lines.size());
            document.Lines.push_back(TIniDocument::ParseLine("[" + sectionName + "]", header));
            insertAt = header + 1;
        }
        document.Lines.insert(document.Lines.begin() + insertAt, TIniDocument::ParseLine(text, header));
        document.Renumber();
        return true;
    });
}

Integer TIniFile::ReadInteger(const AnsiString& section, const AnsiString& ident, Integer defaultValue) const {
    Integer value;
    return ParseInteger(ReadString(section, ident, AnsiString()), value) ? value : defaultValue;
}

void TIniFile::WriteInteger(const AnsiString& section, const AnsiString& ident, Integer value) {
    WriteString(section, ident, IntToStr(value));
}

bool TIniFile::ReadBool(const AnsiString& section, const AnsiString& ident, bool defaultValue) const {
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const AnsiString& section, const AnsiString& ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

double TIniFile::ReadFloat(const AnsiString& section, const AnsiString& ident, double defaultValue) const {
    const AnsiString text = Trim(ReadString(section, ident, AnsiString()));
    double value;
    if (text.empty() || !TryStrToFloat(text, value))
        return defaultValue;
    return value;
}

void TIniFile::WriteFloat(const AnsiString& section, const AnsiString& ident, double value) {
    WriteString(section, ident, FloatToStr(value));
}

TDateTime TIniFile::ReadDateTime(const AnsiString& section, const AnsiString& ident,
                                 TDateTime defaultValue) const {
    const AnsiString text = ReadString(section, ident, AnsiString());
    TDateTime value;
    if (text.empty() || !TryStrToDateTime(text, value))
        return defaultValue;
    return value;
}

void TIniFile::WriteDateTime(const AnsiString& section, const AnsiString& ident, TDateTime value) {
    WriteString(section, ident, DateTimeToStr(value));
}

std::vector<AnsiString> TIniFile::ReadSections() const {
    const std::shared_ptr<const TIniDocument> document = ParsedFile(FFileName);
    std::vector<AnsiString> result;
    std::vector<AnsiString> seen;
    for (const TIniLine& line : document->Lines) {
        if (line.Kind != LineKind::Section)
            continue;
        const AnsiString upper = AnsiUpperCase(line.Name);
        if (std::find(seen.begin(), seen.end(), upper) != seen.end())
            continue;
        seen.push_back(upper);
        result.push_back(line.Name);
    }
    return result;
}

namespace {

// The keys of a section in file order, each once (its first occurrence).
std::vector<std::pair<AnsiString, AnsiString>> SectionPairs(const AnsiString& fileName, const AnsiString& section) {
    const std::shared_ptr<const TIniDocument> document = ParsedFile(fileName);
    const AnsiString upperSection = AnsiUpperCase(Trim(section));
    std::vector<std::pair<AnsiString, AnsiString>> result;
    std::vector<AnsiString> seen;
    const std::vector<int>* keys = document->KeysOf(upperSection);
    if (!keys)
        return result;
    for (int index : *keys) {
        const TIniLine& line = document->Lines[static_cast<std::size_t>(index)];
        const AnsiString upper = AnsiUpperCase(line.Name);
        if (std::find(seen.begin(), seen.end(), upper) != seen.end())
            continue;
        seen.push_back(upper);
        result.emplace_back(line.Name, Unquote(line.Value));
    }
    return result;
}

void Fill(TStrings& strings, const std::vector<AnsiString>& items) {
    strings.BeginUpdate();
    auto endUpdate = ScopeExit([&strings] { strings.EndUpdate(); });
    strings.Clear();
    for (const AnsiString& item : items)
        strings.Add(item);
}

}  // namespace

std::vector<AnsiString> TIniFile::ReadSection(const AnsiString& section) const {
    std::vector<AnsiString> result;
    for (const auto& pair : SectionPairs(FFileName, section))
        result.push_back(pair.first);
    return result;
}

std::vector<AnsiString> TIniFile::ReadSectionValues(const AnsiString& section) const {
    std::vector<AnsiString> result;
    for (const auto& pair : SectionPairs(FFileName, section))
        result.push_back(pair.first + "=" + pair.second);
    return result;
}

void TIniFile::ReadSections(TStrings& strings) const { Fill(strings, ReadSections()); }

void TIniFile::ReadSection(const AnsiString& section, TStrings& strings) const {
    Fill(strings, ReadSection(section));
}

void TIniFile::ReadSectionValues(const AnsiString& section, TStrings& strings) const {
    Fill(strings, ReadSectionValues(section));
}

bool TIniFile::SectionExists(const AnsiString& section) const {
    return ParsedFile(FFileName)->HasSection(Trim(section));
}

bool TIniFile::ValueExists(const AnsiString& section, const AnsiString& ident) const {
    return ParsedFile(FFileName)->FindKey(Trim(section), ident) >= 0;
}

void TIniFile::DeleteKey(const AnsiString& section, const AnsiString& ident) {
    if (NothingToDelete(FFileName))
        return;
    Modify(FFileName, [&](TIniDocument& document) {
        bool changed = false;
        for (int index; (index = document.FindKey(Trim(section), ident)) >= 0; changed = true) {
            document.Lines.erase(document.Lines.begin() + index);
            document.Renumber();
        }
        return changed;
    });
}

void TIniFile::EraseSection(const AnsiString& section) {
    if (NothingToDelete(FFileName))
        return;
    Modify(FFileName, [&](TIniDocument& document) {
        const AnsiString upper = AnsiUpperCase(Trim(section));
        std::vector<TIniLine> kept;
        bool changed = false;
        for (const TIniLine& line : document.Lines) {
            const bool header = line.Kind == LineKind::Section && AnsiUpperCase(line.Name) == upper;
            if (header || document.InSection(line, upper))
                changed = true;
            else
                kept.push_back(line);
        }
        document.Lines = std::move(kept);
        document.Renumber();
        return changed;
    });
}

// ---- TIniFileBatch ---------------------------------------------------------------

TIniFileBatch::TIniFileBatch(const AnsiString& fileName) {
    const std::string key = FileKey(fileName);
    // Inside another batch of the file: part of it, nothing of its own.
    if (OpenBatch(key))
        return;
    FState = std::make_unique<TIniBatchState>(key, fileName);
    tBatches.push_back(FState.get());
}

TIniFileBatch::~TIniFileBatch() {
    if (FState)
        tBatches.erase(std::remove(tBatches.begin(), tBatches.end(), FState.get()), tBatches.end());
}

void TIniFileBatch::Commit() {
    if (!FState)
        return;
    const std::unique_ptr<TIniBatchState> state = std::move(FState);
    tBatches.erase(std::remove(tBatches.begin(), tBatches.end(), state.get()), tBatches.end());
    if (!state->Changed)
        return;
    try {
        WriteFileAtomic(state->FileName, state->Document->Serialize());
    } catch (const Exception& e) {
        throw UnableToWrite(state->FileName, e);
    }
}
