#include "client/TableFiles.h"

#include <algorithm>
#include <exception>

#include "platform/rtl/FileUtils.h"

TTableFiles::TTableFiles(const AnsiString& Folder) : FFolder(IncludeTrailingPathDelimiter(Folder)) {}

AnsiString TTableFiles::FileName(const TMemData* Table) const { return FFolder + Table->Name() + ".dat"; }

bool TTableFiles::Loaded(const TMemData* Table) const {
    return std::find(FLoaded.begin(), FLoaded.end(), Table) != FLoaded.end();
}

AnsiString TTableFiles::FreeSetAsideName(const AnsiString& Table) const {
    const AnsiString base = FFolder + Table + ".bad";
    if (!FileExists(base) && !DirectoryExists(base)) return base;
    for (int i = 1;; ++i) {
        const AnsiString name = base + std::to_string(i);
        if (!FileExists(name) && !DirectoryExists(name)) return name;
    }
}

void TTableFiles::Load(TMemData* Table) {
    if (Loaded(Table)) return;
    const AnsiString file = FileName(Table);
    if (!FileExists(file)) {
        Table->Open();
        FLoaded.push_back(Table);
        return;
    }
    TMemReadStatus status = Table->RestoreFromFile(file);
    // An unreadable file leaves the table as it was, which may be closed.
    Table->Open();
    if (status.Result == rrComplete) {
        FLoaded.push_back(Table);
        return;
    }
    TTableDamage damage;
    damage.Table = Table->Name();
    damage.FileName = file;
    damage.Status = std::move(status);
    const AnsiString aside = FreeSetAsideName(Table->Name());
    if (RenameFile(file, aside)) {
        damage.SetAside = aside;
        FLoaded.push_back(Table);
        // At once, not at the first save: a run that ends before one (killed,
        // the display lost while the warning is up) must not leave the next
        // start with no table and the rows only in the set-aside file.
        try {
            Table->StoreToFile(file);
        } catch (const std::exception&) {
            // The rows are still in the set-aside file and in the table,
            // which is saved as usual from now on.
        }
    }
    FDamaged.push_back(std::move(damage));
}

bool TTableFiles::Save(TMemData* Table) {
    if (!Loaded(Table)) return false;
    Table->StoreToFile(FileName(Table));
    return true;
}

std::vector<TTableSaveFailure> TTableFiles::SaveAll(const std::vector<TMemData*>& Tables) {
    std::vector<TTableSaveFailure> failures;
    for (TMemData* table : Tables) {
        try {
            Save(table);
        } catch (const std::exception& E) {
            failures.push_back({table->Name(), E.what()});
        }
    }
    return failures;
}
