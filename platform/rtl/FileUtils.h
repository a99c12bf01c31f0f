#pragma once
// Paths and files. Names are Windows-1250 text like every other string; they
// are converted to the system's UTF-8 only at the operating-system call.
//
// Both '\' and '/' are accepted as separators (stored data writes
// "Lang\czech.lng"); every function that returns a path returns it with '/'.
// Stored data names files as a case-insensitive file system allows, so a name
// whose exact spelling does not exist resolves to an existing entry that
// differs only in letter case, folder by folder (SysFileName). Masks match
// case-insensitively and listings are sorted by name, so results never depend
// on directory order.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/System.h"

// The system's reason for `error` (an errno value), in English whatever the
// process locale, so that messages stay plain ASCII.
AnsiString SysErrorMessage(int error);
// The reason that ends the message of a file function's error ("Cannot
// create file "<name>". <reason>"), or the whole message when it has none.
// A name may hold anything; the system's reasons hold no quote.
AnsiString FileErrorReason(const AnsiString& message);

// The executable's folder with a trailing '/'.
AnsiString ProgramFolder();
// Tests point the program folder elsewhere; an empty text restores the real one.
void SetProgramFolder(const AnsiString& folder);

// '\' -> '/'.
AnsiString NormalizePath(const AnsiString& path);
// The UTF-8 name handed to the operating system for `fileName`: separators
// normalised, converted, and each component that does not exist with this
// exact spelling replaced by an existing one differing only in letter case.
// Streams and other platform code open files through this.
std::string SysFileName(const AnsiString& fileName);

bool FileExists(const AnsiString& fileName);      // an existing non-directory
bool DirectoryExists(const AnsiString& directory);
bool CreateDir(const AnsiString& directory);      // parent must exist
bool ForceDirectories(const AnsiString& directory);
bool DeleteFile(const AnsiString& fileName);      // never removes a directory
// Replaces an existing target atomically.
bool RenameFile(const AnsiString& oldName, const AnsiString& newName);

// "a/b/c.txt": path "a/b/", dir "a/b", name "c.txt", ext ".txt".
AnsiString ExtractFilePath(const AnsiString& fileName);
AnsiString ExtractFileDir(const AnsiString& fileName);
AnsiString ExtractFileName(const AnsiString& fileName);
AnsiString ExtractFileExt(const AnsiString& fileName);
// Replaces the extension (with its dot) or appends `extension` when there is none.
AnsiString ChangeFileExt(const AnsiString& fileName, const AnsiString& extension);
AnsiString IncludeTrailingPathDelimiter(const AnsiString& path);
AnsiString ExcludeTrailingPathDelimiter(const AnsiString& path);  // keeps a lone "/"
// Absolute, with "." and ".." folded away lexically.
AnsiString ExpandFileName(const AnsiString& fileName);
AnsiString GetCurrentDir();                       // without a trailing '/'
bool SetCurrentDir(const AnsiString& directory);

// -1 when the file does not exist.
Int64 FileSize(const AnsiString& fileName);
// The local modification time; false (and -1 from the second form) when the
// file does not exist.
bool FileAge(const AnsiString& fileName, TDateTime& fileDateTime);
TDateTime FileAge(const AnsiString& fileName);

// Attribute bits of TSearchRec::Attr and FindFirst's filter.
constexpr Integer faReadOnly = 0x01;   // no write permission for the owner
constexpr Integer faHidden = 0x02;     // name starts with '.'
constexpr Integer faSysFile = 0x04;    // not a regular file or directory
constexpr Integer faVolumeID = 0x08;
constexpr Integer faDirectory = 0x10;
constexpr Integer faArchive = 0x20;
constexpr Integer faAnyFile = 0x3F;

struct TSearchState;

struct TSearchRec {
    TDateTime Time = 0;   // modification time, local
    Int64 Size = 0;
    Integer Attr = 0;
    AnsiString Name;      // without the folder
    Integer ExcludeAttr = 0;
    std::shared_ptr<TSearchState> FindHandle;
};

// `pathMask` is a folder and a mask ("Lang\*.lng", "/x/_*.*"). As in the
// class library, plain files are always found, directories, hidden and
// system entries only when `attr` asks for them; "." and ".." are never
// returned. Returns 0 when an entry was found, else non-zero (no more
// entries, or the folder could not be read).
Integer FindFirst(const AnsiString& pathMask, Integer attr, TSearchRec& rec);
Integer FindNext(TSearchRec& rec);
void FindClose(TSearchRec& rec);

// Windows mask semantics, letter case ignored (Windows-1250 letters too):
// '*' any run, '?' one character, "*.*" everything, "*." names without a dot.
bool MatchesMask(const AnsiString& name, const AnsiString& mask);
// The names (without the folder) of the entries of `folder` matching `mask`,
// sorted; by default plain files only (no directories, no hidden names, so
// never a writer's temporary file).
std::vector<AnsiString> ListFiles(const AnsiString& folder, const AnsiString& mask,
                                  Integer attr = faReadOnly | faArchive);

// Replacing a file is a transaction: the new contents go to a temporary file
// in the target's folder, and only Commit() (flush, fsync, rename over the
// target) makes them visible - readers see the old file or the new one,
// never a mixture. Destroying an uncommitted writer removes the temporary
// file and leaves the target untouched.
class TAtomicFileWriter {
public:
    // Raises EFCreateError "Cannot create file "%s". <reason>" when the
    // temporary file cannot be created (e.g. the folder is missing).
    explicit TAtomicFileWriter(const AnsiString& fileName);
    ~TAtomicFileWriter();
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

    // Raise EWriteError naming the file on failure.
    void Write(const void* data, std::size_t count);
    void Write(const AnsiString& bytes);
    // Raises EWriteError (the target is left as it was) on failure. A writer
    // commits once; writing after Commit raises EInvalidOperation.
    void Commit();
    // Drops the temporary file now.
    void Discard();

    const AnsiString& FileName() const { return FFileName; }
    bool Committed() const { return FCommitted; }

private:
    AnsiString FFileName;
    std::string FTempName;   // UTF-8, as created
    std::string FTargetName; // UTF-8
    int FHandle = -1;
    bool FCommitted = false;
};

// Creates an empty file in `folder` under a name that starts with `prefix`
// and that no entry of the folder had, and returns its path. For a writer
// that names its target itself (another program) but must never land on an
// existing file. Raises EFCreateError when the folder takes no new file.
AnsiString CreateFreshFile(const AnsiString& folder, const AnsiString& prefix);
// The same for a folder that only this user may enter; its path is returned
// with a trailing '/'. A name inside it exists only once someone writes it.
AnsiString CreateFreshFolder(const AnsiString& folder, const AnsiString& prefix);
// Removes a folder and everything in it; a symbolic link is removed, never
// followed. False when something could not be removed.
bool RemoveTree(const AnsiString& directory);

// The permission bits (07777) for a file written to take the place of
// `fileName`: those of `fileName` when it exists, else those of a new file
// (0666 less the umask). TAtomicFileWriter gives its files these bits;
// whoever renames a file of another writer over its target does the same.
Integer ReplacementFileMode(const AnsiString& fileName);
// Sets the permission bits of a file; false when they cannot be set.
bool SetFileMode(const AnsiString& fileName, Integer mode);

// Fault injection for tests: called with the target's name each time a
// writer has just created its temporary file, before it has made the file its
// own. Tests put another process's sweep, or a kill, at that moment. Empty by
// default; set it only while no writer runs.
void SetAtomicWriterTestHook(std::function<void(const AnsiString& FileName)> Hook);

// Writes `bytes` as the whole new contents of `fileName` through a
// TAtomicFileWriter.
void WriteFileAtomic(const AnsiString& fileName, const AnsiString& bytes);
// The whole file; raises EFOpenError "Cannot open file "%s". <reason>".
AnsiString ReadFileBytes(const AnsiString& fileName);
