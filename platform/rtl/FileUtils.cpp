#include "platform/rtl/FileUtils.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <system_error>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"

namespace {

// Names that come from the system (directory entries, the working folder).
AnsiString FromSys(const std::string& name) { return Utf8ToAnsi(name); }

std::mutex& ProgramFolderMutex() {
    static std::mutex mutex;
    return mutex;
}

AnsiString& ProgramFolderOverride() {
    static AnsiString folder;
    return folder;
}

bool SysStat(const std::string& name, struct stat& st) { return ::stat(name.c_str(), &st) == 0; }

TDateTime ToDateTime(const struct timespec& ts) {
    std::time_t seconds = ts.tv_sec;
    std::tm local{};
    localtime_r(&seconds, &local);
    TDateTime result = 0;
    TryEncodeDateTime(static_cast<Word>(local.tm_year + 1900), static_cast<Word>(local.tm_mon + 1),
                      static_cast<Word>(local.tm_mday), static_cast<Word>(local.tm_hour),
                      static_cast<Word>(local.tm_min), static_cast<Word>(local.tm_sec > 59 ? 59 : local.tm_sec),
                      static_cast<Word>(ts.tv_nsec / 1000000), result);
    return result;
}

Integer AttrOf(const AnsiString& name, const struct stat& st) {
    Integer attr = 0;
    if (S_ISDIR(st.st_mode))
        attr |= faDirectory;
    else if (!S_ISREG(st.st_mode))
        attr |= faSysFile;
    if (!name.empty() && name[0] == '.')
        attr |= faHidden;
    if ((st.st_mode & S_IWUSR) == 0)
        attr |= faReadOnly;
    return attr;
}

bool Glob(const AnsiString& name, const AnsiString& mask) {
    std::size_t n = 0, m = 0, starMask = AnsiString::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || mask[m] == name[n])) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (starMask != AnsiString::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

bool NameLess(const AnsiString& a, const AnsiString& b) {
    const Integer c = AnsiCompareText(a, b);
    return c != 0 ? c < 0 : a < b;
}

Int64 UmaskedMode() {
    // Read rather than set-and-restore the umask: umask() changes it for
    // every thread of the process in between.
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0)
            return 0666 & ~std::stol(line.substr(6), nullptr, 8);
    }
    return 0644;
}

// The permission bits for a file that takes the place of `name`: the old
// file's, so that replacing it neither opens nor closes it to anyone, else a
// new file's.
mode_t ReplacementMode(const std::string& name) {
    struct stat st;
    return SysStat(name, st) ? (st.st_mode & 07777) : static_cast<mode_t>(UmaskedMode());
}

}  // namespace

AnsiString SysErrorMessage(int error) {
    const char* text = strerrordesc_np(error);
    return text ? AnsiString(text) : "Error " + std::to_string(error);
}

AnsiString FileErrorReason(const AnsiString& message) {
    const std::size_t quote = message.rfind("\". ");
    return quote == AnsiString::npos ? message : message.substr(quote + 3);
}

struct TSearchState {
    std::vector<TSearchRec> Entries;
    std::size_t Next = 0;
};

AnsiString ProgramFolder() {
    {
        std::lock_guard<std::mutex> lock(ProgramFolderMutex());
        if (!ProgramFolderOverride().empty())
            return ProgramFolderOverride();
    }
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return IncludeTrailingPathDelimiter(GetCurrentDir());
    return ExtractFilePath(FromSys(std::string(buffer, static_cast<std::size_t>(length))));
}

void SetProgramFolder(const AnsiString& folder) {
    std::lock_guard<std::mutex> lock(ProgramFolderMutex());
    ProgramFolderOverride() = folder.empty() ? AnsiString() : IncludeTrailingPathDelimiter(folder);
}

AnsiString NormalizePath(const AnsiString& path) {
    AnsiString result = path;
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
}

std::string SysFileName(const AnsiString& fileName) {
    const std::string exact = AnsiToUtf8(NormalizePath(fileName));
    struct stat st;
    if (exact.empty() || ::lstat(exact.c_str(), &st) == 0)
        return exact;
    // Walk the components; the first one missing with this spelling is looked
    // up ignoring letter case. When several entries differ only in case the
    // byte-wise smallest wins, so the choice does not depend on the file system.
    std::string resolved = exact[0] == '/' ? "/" : "";
    std::size_t pos = resolved.size();
    while (pos <= exact.size()) {
        std::size_t slash = exact.find('/', pos);
        if (slash == std::string::npos)
            slash = exact.size();
        const std::string component = exact.substr(pos, slash - pos);
        const bool last = slash == exact.size();
        if (!component.empty() && component != "." && component != "..") {
            std::string candidate = resolved + component;
            if (::lstat(candidate.c_str(), &st) != 0) {
                const AnsiString wanted = AnsiUpperCase(FromSys(component));
                std::string best;
                if (DIR* dir = ::opendir(resolved.empty() ? "." : resolved.c_str())) {
                    while (const dirent* entry = ::readdir(dir)) {
                        const std::string name = entry->d_name;
                        if (name == "." || name == "..")
                            continue;
                        if (AnsiUpperCase(FromSys(name)) == wanted && (best.empty() || name < best))
                            best = name;
                    }
                    ::closedir(dir);
                }
                if (best.empty())
                    return resolved + exact.substr(pos);  // the rest does not exist yet
                candidate = resolved + best;
            }
            resolved = candidate;
        } else {
            resolved += component;
        }
        if (!last)
            resolved += '/';
        pos = slash + 1;
    }
    return resolved;
}

bool FileExists(const AnsiString& fileName) {
    struct stat st;
    return SysStat(SysFileName(fileName), st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const AnsiString& directory) {
    struct stat st;
    return SysStat(SysFileName(directory), st) && S_ISDIR(st.st_mode);
}

bool CreateDir(const AnsiString& directory) {
    return ::mkdir(SysFileName(ExcludeTrailingPathDelimiter(directory)).c_str(), 0777) == 0;
}

bool ForceDirectories(const AnsiString& directory) {
    const AnsiString dir = ExcludeTrailingPathDelimiter(NormalizePath(directory));
    if (dir.empty())
        return false;
    if (DirectoryExists(dir))
        return true;
    const AnsiString parent = ExtractFileDir(dir);
    if (!parent.empty() && parent != dir && !ForceDirectories(parent))
        return false;
    return CreateDir(dir) || DirectoryExists(dir);  // another thread may have made it
}

bool DeleteFile(const AnsiString& fileName) {
    const std::string name = SysFileName(fileName);
    struct stat st;
    if (::lstat(name.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    return ::unlink(name.c_str()) == 0;
}

bool RenameFile(const AnsiString& oldName, const AnsiString& newName) {
    return ::rename(SysFileName(oldName).c_str(), SysFileName(newName).c_str()) == 0;
}

AnsiString ExtractFilePath(const AnsiString& fileName) {
    const AnsiString name = NormalizePath(fileName);
    const std::size_t slash = name.rfind('/');
    return slash == AnsiString::npos ? AnsiString() : name.substr(0, slash + 1);
}

AnsiString ExtractFileDir(const AnsiString& fileName) {
    const AnsiString name = NormalizePath(fileName);
    const std::size_t slash = name.rfind('/');
    if (slash == AnsiString::npos)
        return AnsiString();
    return slash == 0 ? AnsiString("/") : name.substr(0, slash);
}

AnsiString ExtractFileName(const AnsiString& fileName) {
    const AnsiString name = NormalizePath(fileName);
    const std::size_t slash = name.rfind('/');
    return slash == AnsiString::npos ? name : name.substr(slash + 1);
}

AnsiString ExtractFileExt(const AnsiString& fileName) {
    const AnsiString name = ExtractFileName(fileName);
    const std::size_t dot = name.rfind('.');
    return dot == AnsiString::npos ? AnsiString() : name.substr(dot);
}

AnsiString ChangeFileExt(const AnsiString& fileName, const AnsiString& extension) {
    const AnsiString name = NormalizePath(fileName);
    const std::size_t slash = name.rfind('/');
    const std::size_t dot = name.rfind('.');
    if (dot == AnsiString::npos || (slash != AnsiString::npos && dot < slash))
        return name + extension;
    return name.substr(0, dot) + extension;
}

AnsiString IncludeTrailingPathDelimiter(const AnsiString& path) {
    AnsiString result = NormalizePath(path);
    if (result.empty() || result.back() != '/')
        result += '/';
    return result;
}

AnsiString ExcludeTrailingPathDelimiter(const AnsiString& path) {
    AnsiString result = NormalizePath(path);
    if (result.size() > 1 && result.back() == '/')
        result.pop_back();
    return result;
}

AnsiString ExpandFileName(const AnsiString& fileName) {
    AnsiString name = NormalizePath(fileName);
    if (name.empty())
        return name;
    if (name[0] != '/')
        name = IncludeTrailingPathDelimiter(GetCurrentDir()) + name;
    const bool trailing = name.back() == '/';
    std::vector<AnsiString> parts;
    std::size_t pos = 0;
    while (pos <= name.size()) {
        std::size_t slash = name.find('/', pos);
        if (slash == AnsiString::npos)
            slash = name.size();
        const AnsiString part = name.substr(pos, slash - pos);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = slash + 1;
    }
    AnsiString result;
    for (const AnsiString& part : parts)
        result += "/" + part;
    if (result.empty() || trailing)
        result += "/";
    return result;
}

AnsiString GetCurrentDir() {
    std::string buffer(4096, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return AnsiString();
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::strlen(buffer.c_str()));
    return FromSys(buffer);
}

bool SetCurrentDir(const AnsiString& directory) {
    return ::chdir(SysFileName(directory).c_str()) == 0;
}

Int64 FileSize(const AnsiString& fileName) {
    struct stat st;
    if (!SysStat(SysFileName(fileName), st) || S_ISDIR(st.st_mode))
        return -1;
    return static_cast<Int64>(st.st_size);
}

bool FileAge(const AnsiString& fileName, TDateTime& fileDateTime) {
    struct stat st;
    if (!SysStat(SysFileName(fileName), st) || S_ISDIR(st.st_mode))
        return false;
    fileDateTime = ToDateTime(st.st_mtim);
    return true;
}

TDateTime FileAge(const AnsiString& fileName) {
    TDateTime result;
    return FileAge(fileName, result) ? result : -1;
}

bool MatchesMask(const AnsiString& name, const AnsiString& mask) {
    const AnsiString n = AnsiUpperCase(name);
    AnsiString m = AnsiUpperCase(mask);
    if (m == "*" || m == "*.*")
        return true;
    // DOS rules: "x." asks for names without an extension, and a trailing
    // ".*" may also match nothing ("_*.*" finds "_readme").
    if (m.size() >= 2 && m.back() == '.' && m != "..") {
        m.pop_back();
        return n.find('.') == AnsiString::npos && Glob(n, m);
    }
    if (Glob(n, m))
        return true;
    if (m.size() >= 2 && m.compare(m.size() - 2, 2, ".*") == 0)
        return Glob(n, m.substr(0, m.size() - 2));
    return false;
}

Integer FindFirst(const AnsiString& pathMask, Integer attr, TSearchRec& rec) {
    FindClose(rec);
    const AnsiString normalized = NormalizePath(pathMask);
    const AnsiString folder = ExtractFilePath(normalized);
    AnsiString mask = ExtractFileName(normalized);
    if (mask.empty())
        mask = "*";
    const std::string sysFolder = folder.empty() ? std::string(".") : SysFileName(folder);
    DIR* dir = ::opendir(sysFolder.c_str());
    if (!dir)
        return errno ? errno : ENOENT;
    auto state = std::make_shared<TSearchState>();
    const Integer exclude = ~attr & (faHidden | faSysFile | faVolumeID | faDirectory);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string sysName = entry->d_name;
        if (sysName == "." || sysName == "..")
            continue;
        const AnsiString name = FromSys(sysName);
        if (!MatchesMask(name, mask))
            continue;
        const std::string full = sysFolder + "/" + sysName;
        struct stat st;
        if (!SysStat(full, st) && ::lstat(full.c_str(), &st) != 0)
            continue;  // vanished meanwhile
        TSearchRec found;
        found.Name = name;
        found.Attr = AttrOf(name, st);
        if ((found.Attr & exclude) != 0)
            continue;
        found.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<Int64>(st.st_size);
        found.Time = ToDateTime(st.st_mtim);
        found.ExcludeAttr = exclude;
        state->Entries.push_back(std::move(found));
    }
    ::closedir(dir);
    std::sort(state->Entries.begin(), state->Entries.end(),
              [](const TSearchRec& a, const TSearchRec& b) { return NameLess(a.Name, b.Name); });
    if (state->Entries.empty())
        return ENOENT;
    rec.FindHandle = state;
    return FindNext(rec);
}

Integer FindNext(TSearchRec& rec) {
    TSearchState* state = rec.FindHandle.get();
    if (!state || state->Next >= state->Entries.size())
        return ENOENT;
    const TSearchRec& next = state->Entries[state->Next++];
    rec.Time = next.Time;
    rec.Size = next.Size;
    rec.Attr = next.Attr;
    rec.Name = next.Name;
    rec.ExcludeAttr = next.ExcludeAttr;
    return 0;
}

void FindClose(TSearchRec& rec) { rec.FindHandle.reset(); }

std::vector<AnsiString> ListFiles(const AnsiString& folder, const AnsiString& mask, Integer attr) {
    std::vector<AnsiString> names;
    TSearchRec rec;
    const AnsiString pathMask = folder.empty() ? mask : IncludeTrailingPathDelimiter(folder) + mask;
    for (Integer rc = FindFirst(pathMask, attr, rec); rc == 0; rc = FindNext(rec))
        names.push_back(rec.Name);
    FindClose(rec);
    return names;
}

// ---- TAtomicFileWriter -------------------------------------------------------
//
// A writer's temporary file is "<folder>/.~<name>.XXXXXX", locked (flock) by
// the writer for as long as it lives. A process killed mid-save leaves its
// temporary file behind, unlocked; the next writer of the same name removes
// every such file it can lock, and leaves those of live writers, in this
// process or another, alone.
//
// A file is created before it can be locked, so a sweep may take a brand-new
// temporary for a stale one. The sweep unlinks only while it holds the lock;
// the writer therefore waits for the lock and then looks whether its file
// still has a name: if a sweep got there first, it starts again with a new
// file.

namespace {

constexpr std::size_t kTempSuffix = 6;  // mkostemp's XXXXXX
constexpr int kCreateAttempts = 100;

void RemoveStaleTemporaries(const std::string& folder, const std::string& base) {
    const std::string prefix = ".~" + base + ".";
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + kTempSuffix || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const int fd = ::openat(dirFd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat st;
        // Its writer is gone when the lock is free; a live one keeps it. A
        // file another sweep removed meanwhile may have lent its name to a
        // new writer's file: only a file that still has its name goes.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
            st.st_nlink > 0)
            ::unlinkat(dirFd, name.c_str(), 0);
        ::close(fd);
    }
    ::closedir(dir);
}

std::function<void(const AnsiString&)>& TestHookSlot() {
    static std::function<void(const AnsiString&)> hook;
    return hook;
}

std::function<void(const AnsiString&)> TestHook() { return TestHookSlot(); }

}  // namespace

void SetAtomicWriterTestHook(std::function<void(const AnsiString& FileName)> Hook) {
    TestHookSlot() = std::move(Hook);
}

TAtomicFileWriter::TAtomicFileWriter(const AnsiString& fileName)
    : FFileName(fileName), FTargetName(SysFileName(fileName)) {
    const std::size_t slash = FTargetName.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : FTargetName.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? FTargetName : FTargetName.substr(slash + 1);
    for (int attempt = 1;; ++attempt) {
        RemoveStaleTemporaries(folder, base);
        // Hidden and prefixed with "~" so that a leftover after a crash matches
        // none of the program's masks ("_*.*" picks up pending program files).
        std::string pattern = folder + ".~" + base + ".XXXXXX";
        FHandle = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (FHandle < 0)
            throw EFCreateError("Cannot create file \"" + fileName + "\". " + SysErrorMessage(errno));
        if (const auto hook = TestHook()) hook(fileName);
        // Marks the file as a live writer's until it is committed or dropped.
        // Waits only while a sweep holds it, which lets go right after.
        while (::flock(FHandle, LOCK_EX) != 0 && errno == EINTR) {
        }
        struct stat st;
        if (::fstat(FHandle, &st) != 0 || st.st_nlink > 0) {
            FTempName = pattern;
            break;
        }
        ::close(FHandle);
        FHandle = -1;
        // Only sweeps racing with every attempt get here.
        if (attempt == kCreateAttempts)
            throw EFCreateError("Cannot create file \"" + fileName + "\". " + SysErrorMessage(ENOENT));
    }
    ::fchmod(FHandle, ReplacementMode(FTargetName));
}

TAtomicFileWriter::~TAtomicFileWriter() {
    if (!FCommitted)
        Discard();
}

void TAtomicFileWriter::Write(const void* data, std::size_t count) {
    if (FHandle < 0)
        throw EInvalidOperation("Cannot write to \"" + FFileName + "\": the file was already committed or discarded");
    const char* bytes = static_cast<const char*>(data);
    while (count > 0) {
        const ssize_t written = ::write(FHandle, bytes, count);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throw EWriteError("Cannot write file \"" + FFileName + "\". " + SysErrorMessage(errno));
        }
        bytes += written;
        count -= static_cast<std::size_t>(written);
    }
}

void TAtomicFileWriter::Write(const AnsiString& bytes) { Write(bytes.data(), bytes.size()); }

void TAtomicFileWriter::Commit() {
    if (FHandle < 0)
        throw EInvalidOperation("Cannot commit \"" + FFileName + "\": the file was already committed or discarded");
    // The lock goes only with the descriptor, after the rename: a temporary
    // left unlocked for even a moment is a killed save's to another writer's
    // sweep, which would unlink it under this one's rename.
    int error = 0;
    if (::fsync(FHandle) != 0)
        error = errno;
    else if (::rename(FTempName.c_str(), FTargetName.c_str()) != 0)
        error = errno;
    if (error != 0)
        ::unlink(FTempName.c_str());
    // The data reached the disk with fsync; once renamed, the new file is in
    // place, whatever close might still report.
    ::close(FHandle);
    FHandle = -1;
    if (error != 0) {
        FTempName.clear();
        throw EWriteError("Cannot write file \"" + FFileName + "\". " + SysErrorMessage(error));
    }
    FCommitted = true;
    FTempName.clear();
    // Make the rename itself durable; a failure here no longer loses data.
    const std::size_t slash = FTargetName.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : FTargetName.substr(0, slash + 1);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

void TAtomicFileWriter::Discard() {
    if (FHandle >= 0) {
        ::close(FHandle);
        FHandle = -1;
    }
    if (!FTempName.empty()) {
        ::unlink(FTempName.c_str());
        FTempName.clear();
    }
}

void WriteFileAtomic(const AnsiString& fileName, const AnsiString& bytes) {
    TAtomicFileWriter writer(fileName);
    writer.Write(bytes);
    writer.Commit();
}

AnsiString ReadFileBytes(const AnsiString& fileName) {
    const std::string name = SysFileName(fileName);
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw EFOpenError("Cannot open file \"" + fileName + "\". " + SysErrorMessage(errno));
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        throw EFOpenError("Cannot open file \"" + fileName + "\". " + SysErrorMessage(EISDIR));
    }
    AnsiString result;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            throw EReadError("Cannot read file \"" + fileName + "\". " + SysErrorMessage(error));
        }
        result.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return result;
}

AnsiString CreateFreshFile(const AnsiString& folder, const AnsiString& prefix) {
    const AnsiString path = IncludeTrailingPathDelimiter(folder);
    // The prefix as it stands: looked up ignoring case it could name another
    // entry, and the name returned would not be the file created.
    std::string pattern = SysFileName(path) + AnsiToUtf8(prefix) + "XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        throw EFCreateError("Cannot create file \"" + path + prefix + "\". " + SysErrorMessage(errno));
    ::close(fd);
    return path + prefix + FromSys(pattern.substr(pattern.size() - 6));
}

AnsiString CreateFreshFolder(const AnsiString& folder, const AnsiString& prefix) {
    const AnsiString path = IncludeTrailingPathDelimiter(folder);
    // As for CreateFreshFile: the prefix is used as it stands.
    std::string pattern = SysFileName(path) + AnsiToUtf8(prefix) + "XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw EFCreateError("Cannot create folder \"" + path + prefix + "\". " + SysErrorMessage(errno));
    return path + prefix + FromSys(pattern.substr(pattern.size() - 6)) + "/";
}

bool RemoveTree(const AnsiString& directory) {
    std::error_code error;
    std::filesystem::remove_all(SysFileName(ExcludeTrailingPathDelimiter(directory)), error);
    return !error;
}

Integer ReplacementFileMode(const AnsiString& fileName) {
    return static_cast<Integer>(ReplacementMode(SysFileName(fileName)));
}

bool SetFileMode(const AnsiString& fileName, Integer mode) {
    return ::chmod(SysFileName(fileName).c_str(), static_cast<mode_t>(mode) & 07777) == 0;
}
