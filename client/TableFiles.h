#pragma once
// The client's table files, "<Name>.dat" in the program folder, and what the
// start-up found in them.
//
// A file the reader took only in part, or could not read at all, is renamed
// to "<Name>.bad" (or "<Name>.bad1", "<Name>.bad2", ... when that name is
// taken) before the table is used, so that no later save can replace what
// might still be rescued from it; the records that were read are written to
// "<Name>.dat" at once, and the table is saved as usual from then on. A
// damaged file that cannot be moved aside leaves its table unsaved for the
// whole run instead.
//
// Only tables that were loaded are ever saved: a client that stops before
// loading (a second copy, a link library that did not bind) writes nothing.

#include <vector>

#include "tables/memdset.h"

struct TTableDamage {
    AnsiString Table;     // the table's Name
    AnsiString FileName;  // the damaged file as it was found
    // Where it was moved; empty when it could not be moved (the table is then
    // not saved, so the file stays as it is).
    AnsiString SetAside;
    TMemReadStatus Status;
};

struct TTableSaveFailure {
    AnsiString Table;
    AnsiString Message;
};

class TTableFiles {
public:
    explicit TTableFiles(const AnsiString& Folder);

    AnsiString FileName(const TMemData* Table) const;

    // Opens the table with the records of its file; a missing file gives an
    // empty table (a first run).
    void Load(TMemData* Table);
    bool Loaded(const TMemData* Table) const;

    // Stores a loaded table through a temporary file, so that a failed write
    // leaves the old file as it was; raises then. A table that was never
    // loaded is left alone: false.
    bool Save(TMemData* Table);
    // Saves each loaded table of the list in order, going on past failures.
    std::vector<TTableSaveFailure> SaveAll(const std::vector<TMemData*>& Tables);

    // The damaged files met by Load, in loading order.
    const std::vector<TTableDamage>& Damaged() const { return FDamaged; }

private:
    AnsiString FreeSetAsideName(const AnsiString& Table) const;

    AnsiString FFolder;
    std::vector<const TMemData*> FLoaded;
    std::vector<TTableDamage> FDamaged;
};
