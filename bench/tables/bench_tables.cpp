// A contact table of 100,000 rows (integer ID, texts of 50, 20, 255, 20 and 20
// characters, a boolean) in the table engine and in SQLite: append, store,
// restore and a scan, sorting by a text and by an integer, and finding rows
// by key, then the ratios with their goals. Each pair does the same work:
// both scans read the same two columns, an append in memory meets SQLite's
// in-memory database and an append that is stored meets SQLite's insert into
// a file (both synced to the disk), both sorts order texts by the same
// collation and hand over the same columns of every row, and a restore and
// SQLite's read both build and tear down their result inside the loop.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"
#include "tables/memdset.h"

namespace {

constexpr int kRows = 100000;

struct TContact {
    int Id;
    std::string Jmeno, Cislo, IDSkup, Osloveni, Podpis;
    bool Vybrany;
};

const std::vector<TContact>& Contacts() {
    static const std::vector<TContact> rows = [] {
        std::vector<TContact> v;
        v.reserve(kRows);
        const char* first[] = {"Jan", "Petr", "Marie", "Jana", "Tomáš", "Lucie", "Pavel", "Kateřina"};
        const char* last[] = {"Novák", "Svoboda", "Dvořáková", "Černý", "Procházka", "Kučerová"};
        for (int i = 0; i < kRows; ++i) {
            TContact c;
            c.Id = i + 1;
            c.Jmeno = std::string(first[i % 8]) + " " + last[(i / 8) % 6] + " " + std::to_string(i);
            c.Cislo = "00420" + std::to_string(600000000 + i * 7);
            c.IDSkup = std::to_string(i % 5) + ";" + std::to_string(i % 11) + ";";
            c.Osloveni = "Ahoj " + std::string(first[i % 8]);
            c.Podpis = "Tvůj Pavel";
            c.Vybrany = i % 3 == 0;
            v.push_back(std::move(c));
        }
        return v;
    }();
    return rows;
}

std::string Folder() {
    static const std::string folder = [] {
        auto p = std::filesystem::temp_directory_path() / "vemlor-bench-tables";
        std::filesystem::create_directories(p);
        return p.string() + "/";
    }();
    return folder;
}

struct TAddressBook {
    std::unique_ptr<TComponent> Owner = std::make_unique<TComponent>(nullptr);
    TMemData* T = new TMemData(Owner.get());
    TField *ID, *Jmeno, *Cislo, *IDSkup, *Osloveni, *Podpis, *Vybrany;

    template <class F>
    F* Add(const char* name, int size = 0) {
        auto* f = new F(Owner.get());
        if (size) f->SetSize(size);
        f->SetFieldName(name);
        f->SetDataSet(T);
        return f;
    }
    TAddressBook() {
        T->SetName("Adresa");
        ID = Add<TIntegerField>("ID");
        Jmeno = Add<TStringField>("Jmeno", 50);
        Cislo = Add<TStringField>("Cislo", 20);
        IDSkup = Add<TStringField>("IDSkup", 255);
        Osloveni = Add<TStringField>("Osloveni", 20);
        Podpis = Add<TStringField>("Podpis", 20);
        Vybrany = Add<TBooleanField>("Vybrany");
        T->Open();
    }
    void Fill() {
        T->DisableControls();
        for (const TContact& c : Contacts()) {
            T->Append();
            ID->SetAsInteger(c.Id);
            Jmeno->SetAsString(c.Jmeno);
            Cislo->SetAsString(c.Cislo);
            IDSkup->SetAsString(c.IDSkup);
            Osloveni->SetAsString(c.Osloveni);
            Podpis->SetAsString(c.Podpis);
            Vybrany->SetAsBoolean(c.Vybrany);
            T->Post();
        }
        T->EnableControls();
    }
};

// Appends into a fresh table; making the empty table is outside the time,
// as making SQLite's empty database is, and freeing it inside.
void MemAppend(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto book = std::make_unique<TAddressBook>();
        state.ResumeTiming();
        book->Fill();
        benchmark::DoNotOptimize(book->T->RecordCount());
        book.reset();
    }
}

// The same, then stored to its file (written and synced to the disk).
void MemAppendStore(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto book = std::make_unique<TAddressBook>();
        state.ResumeTiming();
        book->Fill();
        book->T->StoreToFile(Folder() + "Adresa.dat");
        book.reset();
    }
}

void MemStore(benchmark::State& state) {
    TAddressBook book;
    book.Fill();
    for (auto _ : state) book.T->StoreToFile(Folder() + "Adresa.dat");
    state.SetBytesProcessed(state.iterations() * FileSize(Folder() + "Adresa.dat"));
}

void MemRestore(benchmark::State& state) {
    {
        TAddressBook book;
        book.Fill();
        book.T->StoreToFile(Folder() + "Adresa.dat");
    }
    // As the client does at start: into a table that holds nothing yet. The
    // records are freed inside the loop, as SQLite's read frees its statement.
    for (auto _ : state) {
        state.PauseTiming();
        auto book = std::make_unique<TAddressBook>();
        state.ResumeTiming();
        book->T->RestoreFromFile(Folder() + "Adresa.dat");
        if (book->T->RecordCount() != kRows) state.SkipWithError("restore lost rows");
        book.reset();
    }
}

// The floor of a restore: one read() of the whole file into a fresh buffer.
void ReadBytes(benchmark::State& state) {
    {
        TAddressBook book;
        book.Fill();
        book.T->StoreToFile(Folder() + "Adresa.dat");
    }
    const std::string name = Folder() + "Adresa.dat";
    for (auto _ : state) {
        const int fd = ::open(name.c_str(), O_RDONLY);
        struct stat st;
        if (fd < 0 || ::fstat(fd, &st) != 0) state.SkipWithError("cannot read the file");
        auto* buffer = static_cast<char*>(std::malloc(static_cast<std::size_t>(st.st_size)));
        if (::read(fd, buffer, static_cast<std::size_t>(st.st_size)) != st.st_size) state.SkipWithError("short read");
        benchmark::DoNotOptimize(buffer);
        std::free(buffer);
        ::close(fd);
    }
}

// What the client's number search does: compare a text in place; and count
// the ticked rows. Two columns of every row.
void MemScan(benchmark::State& state) {
    TAddressBook book;
    book.Fill();
    TMemFields* s = book.T->MemFields();
    const TMemField* cislo = s->FieldAt(3);
    const TMemField* vybrany = s->FieldAt(7);
    for (auto _ : state) {
        int hits = 0;
        for (int i = 0; i < s->StoredRecordCount(); ++i) {
            if (std::strcmp(reinterpret_cast<const char*>(cislo->ValuePtr(i)), "00420600069993") == 0) ++hits;
            hits += vybrany->ValuePtr(i)[0];
        }
        benchmark::DoNotOptimize(hits);
    }
}

void Check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::abort();
    }
}

// The table engine's text order (Windows-1250 linguistic), for SQLite.
int EngineCollation(void*, int lengthA, const void* a, int lengthB, const void* b) {
    return AnsiCompareStr(AnsiString(static_cast<const char*>(a), static_cast<std::size_t>(lengthA)),
                          AnsiString(static_cast<const char*>(b), static_cast<std::size_t>(lengthB)));
}

// A fresh database with the table, in a file or in memory, knowing the
// engine's collation as "ENGINE".
sqlite3* OpenFreshSqlite(bool inMemory = false) {
    std::string path = inMemory ? std::string(":memory:") : Folder() + "adresa.sqlite";
    if (!inMemory) std::filesystem::remove(path);
    sqlite3* db = nullptr;
    Check(sqlite3_open(path.c_str(), &db), db);
    Check(sqlite3_create_collation(db, "ENGINE", SQLITE_UTF8, nullptr, EngineCollation), db);
    Check(sqlite3_exec(db,
                       "CREATE TABLE Adresa (ID INTEGER, Jmeno VARCHAR(50), Cislo VARCHAR(20), "
                       "IDSkup VARCHAR(255), Osloveni VARCHAR(20), Podpis VARCHAR(20), Vybrany BOOLEAN)",
                       nullptr, nullptr, nullptr),
          db);
    return db;
}

// The rows in the order of their names, by the engine's collation.
const std::vector<const TContact*>& ContactsByName() {
    static const std::vector<const TContact*> rows = [] {
        std::vector<const TContact*> v;
        for (const TContact& c : Contacts()) v.push_back(&c);
        std::sort(v.begin(), v.end(), [](const TContact* a, const TContact* b) { return AnsiCompareStr(a->Jmeno, b->Jmeno) < 0; });
        return v;
    }();
    return rows;
}

void SqliteInsertAll(sqlite3* db, bool byName = false) {
    Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
    sqlite3_stmt* st = nullptr;
    Check(sqlite3_prepare_v2(db, "INSERT INTO Adresa VALUES (?,?,?,?,?,?,?)", -1, &st, nullptr), db);
    std::vector<const TContact*> rows;
    if (byName)
        rows = ContactsByName();
    else
        for (const TContact& c : Contacts()) rows.push_back(&c);
    for (const TContact* row : rows) {
        const TContact& c = *row;
        sqlite3_bind_int(st, 1, c.Id);
        sqlite3_bind_text(st, 2, c.Jmeno.c_str(), static_cast<int>(c.Jmeno.size()), SQLITE_STATIC);
        sqlite3_bind_text(st, 3, c.Cislo.c_str(), static_cast<int>(c.Cislo.size()), SQLITE_STATIC);
        sqlite3_bind_text(st, 4, c.IDSkup.c_str(), static_cast<int>(c.IDSkup.size()), SQLITE_STATIC);
        sqlite3_bind_text(st, 5, c.Osloveni.c_str(), static_cast<int>(c.Osloveni.size()), SQLITE_STATIC);
        sqlite3_bind_text(st, 6, c.Podpis.c_str(), static_cast<int>(c.Podpis.size()), SQLITE_STATIC);
        sqlite3_bind_int(st, 7, c.Vybrany ? 1 : 0);
        Check(sqlite3_step(st), db);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
}

// Into a file, committed with SQLite's default full sync.
void SqliteInsertFile(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        sqlite3* db = OpenFreshSqlite();
        state.ResumeTiming();
        SqliteInsertAll(db);
        sqlite3_close(db);
    }
}

void SqliteInsertMemory(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        sqlite3* db = OpenFreshSqlite(true);
        state.ResumeTiming();
        SqliteInsertAll(db);
        sqlite3_close(db);
    }
}

void SqliteRead(benchmark::State& state) {
    sqlite3* db = OpenFreshSqlite();
    SqliteInsertAll(db);
    for (auto _ : state) {
        sqlite3_stmt* st = nullptr;
        Check(sqlite3_prepare_v2(db, "SELECT * FROM Adresa", -1, &st, nullptr), db);
        std::size_t bytes = 0;
        int rows = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            ++rows;
            bytes += static_cast<std::size_t>(sqlite3_column_int(st, 0));
            for (int c = 1; c <= 5; ++c) bytes += static_cast<std::size_t>(sqlite3_column_bytes(st, c));
            bytes += static_cast<std::size_t>(sqlite3_column_int(st, 6));
        }
        sqlite3_finalize(st);
        if (rows != kRows) state.SkipWithError("sqlite lost rows");
        benchmark::DoNotOptimize(bytes);
    }
    sqlite3_close(db);
}

// The same two columns as the engine's scan, and the same test on them.
void SqliteScan(benchmark::State& state) {
    sqlite3* db = OpenFreshSqlite();
    SqliteInsertAll(db);
    for (auto _ : state) {
        sqlite3_stmt* st = nullptr;
        Check(sqlite3_prepare_v2(db, "SELECT Cislo, Vybrany FROM Adresa", -1, &st, nullptr), db);
        int hits = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            if (std::strcmp(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "00420600069993") == 0) ++hits;
            hits += sqlite3_column_int(st, 1);
        }
        sqlite3_finalize(st);
        benchmark::DoNotOptimize(hits);
    }
    sqlite3_close(db);
}

// ---------------------------------------------------------------------------
// Sorting and searching: the same rows sorted by a text and by an integer,
// found by key on the sort field (binary search) and on an unsorted field
// (scan), beside SQLite's ORDER BY and its indexed and unindexed lookups.

constexpr int kSortedLookups = 1000;  // per iteration, on the sort field / an index
constexpr int kScanLookups = 20;      // per iteration, on an unsorted field / no index

// Rows picked evenly but in no order, the same on both sides.
std::vector<int> PickRows(int count) {
    std::vector<int> rows;
    std::uint32_t x = 12345;
    for (int i = 0; i < count; ++i) {
        x = x * 1103515245u + 12345u;
        rows.push_back(static_cast<int>((x >> 8) % kRows));
    }
    return rows;
}

// What a sorted SELECT hands its reader, read from the sorted storage: the
// ID and the five texts of every row, in order.
std::size_t ReadSorted(TMemData* t) {
    TMemFields* s = t->MemFields();
    std::size_t bytes = 0;
    for (int i = 0; i < s->StoredRecordCount(); ++i) {
        Integer id;
        std::memcpy(&id, s->FieldAt(1)->ValuePtr(i), 4);
        bytes += static_cast<std::size_t>(id);
        for (int c = 2; c <= 6; ++c) bytes += std::strlen(reinterpret_cast<const char*>(s->FieldAt(c)->ValuePtr(i)));
    }
    return bytes;
}

// Each sort starts from the other field's order, so no run sorts sorted rows.
void MemSort(benchmark::State& state, const char* field, const char* other) {
    TAddressBook book;
    book.Fill();
    for (auto _ : state) {
        state.PauseTiming();
        book.T->SetSortedField(other);
        state.ResumeTiming();
        book.T->SetSortedField(field);
        benchmark::DoNotOptimize(ReadSorted(book.T));
    }
}
void MemSortString(benchmark::State& state) { MemSort(state, "Jmeno", "ID"); }
void MemSortInteger(benchmark::State& state) { MemSort(state, "ID", "Jmeno"); }

void MemLocate(benchmark::State& state, const char* field, int lookups) {
    TAddressBook book;
    book.Fill();
    book.T->SetSortedField("Jmeno");
    std::vector<int> rows = PickRows(lookups);
    bool byName = std::strcmp(field, "Jmeno") == 0;
    for (auto _ : state) {
        int found = 0;
        for (int r : rows) {
            const TContact& c = Contacts()[static_cast<std::size_t>(r)];
            found += book.T->Locate(field, Variant(byName ? c.Jmeno : c.Cislo), {}) ? 1 : 0;
        }
        if (found != lookups) state.SkipWithError("locate missed rows");
    }
}
void MemLocateSorted(benchmark::State& state) { MemLocate(state, "Jmeno", kSortedLookups); }
void MemLocateUnsorted(benchmark::State& state) { MemLocate(state, "Cislo", kScanLookups); }

int StepAll(sqlite3_stmt* st) {
    int rows = 0;
    std::size_t bytes = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        ++rows;
        bytes += static_cast<std::size_t>(sqlite3_column_int(st, 0));
        for (int c = 1; c <= 5; ++c) bytes += static_cast<std::size_t>(sqlite3_column_bytes(st, c));
    }
    benchmark::DoNotOptimize(bytes);
    return rows;
}

// Rows stored in the order of ID are sorted by name, rows stored in the
// order of their names by ID, as the engine's sorts start.
void SqliteOrderBy(benchmark::State& state, const char* sql, bool storedByName) {
    sqlite3* db = OpenFreshSqlite();
    SqliteInsertAll(db, storedByName);
    for (auto _ : state) {
        sqlite3_stmt* st = nullptr;
        Check(sqlite3_prepare_v2(db, sql, -1, &st, nullptr), db);
        if (StepAll(st) != kRows) state.SkipWithError("sqlite lost rows");
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
}
void SqliteOrderByString(benchmark::State& state) {
    SqliteOrderBy(state, "SELECT * FROM Adresa ORDER BY Jmeno COLLATE ENGINE", false);
}
// Byte order: SQLite's own, cheaper comparison, which the engine does not offer.
void SqliteOrderByStringBytes(benchmark::State& state) {
    SqliteOrderBy(state, "SELECT * FROM Adresa ORDER BY Jmeno", false);
}
// ID - 0 keeps SQLite from using the order the rows happen to be stored in.
void SqliteOrderByInteger(benchmark::State& state) { SqliteOrderBy(state, "SELECT * FROM Adresa ORDER BY ID - 0", true); }

void SqliteLookup(benchmark::State& state, const char* column, int lookups, bool index) {
    sqlite3* db = OpenFreshSqlite();
    SqliteInsertAll(db);
    if (index) Check(sqlite3_exec(db, "CREATE INDEX AdresaJmeno ON Adresa (Jmeno)", nullptr, nullptr, nullptr), db);
    std::string sql = std::string("SELECT * FROM Adresa WHERE ") + column + " = ? LIMIT 1";
    sqlite3_stmt* st = nullptr;
    Check(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), db);
    std::vector<int> rows = PickRows(lookups);
    bool byName = std::strcmp(column, "Jmeno") == 0;
    for (auto _ : state) {
        int found = 0;
        for (int r : rows) {
            const TContact& c = Contacts()[static_cast<std::size_t>(r)];
            const std::string& key = byName ? c.Jmeno : c.Cislo;
            sqlite3_bind_text(st, 1, key.c_str(), static_cast<int>(key.size()), SQLITE_STATIC);
            found += StepAll(st);
            sqlite3_reset(st);
        }
        if (found != lookups) state.SkipWithError("sqlite missed rows");
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
}
void SqliteLookupIndexed(benchmark::State& state) { SqliteLookup(state, "Jmeno", kSortedLookups, true); }
void SqliteLookupUnindexed(benchmark::State& state) { SqliteLookup(state, "Cislo", kScanLookups, false); }

}  // namespace

BENCHMARK(MemAppend)->Unit(benchmark::kMillisecond);
BENCHMARK(SqliteInsertMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(MemAppendStore)->Unit(benchmark::kMillisecond);
BENCHMARK(SqliteInsertFile)->Unit(benchmark::kMillisecond);
BENCHMARK(MemStore)->Unit(benchmark::kMillisecond);
BENCHMARK(MemRestore)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(SqliteRead)->Unit(benchmark::kMillisecond);
BENCHMARK(MemScan)->Unit(benchmark::kMillisecond);
BENCHMARK(SqliteScan)->Unit(benchmark::kMillisecond);
BENCHMARK(MemSortString)->Unit(benchmark::kMillisecond);
BENCHMARK(SqliteOrderByString)->Unit(benchmark::kMillisecond);
BENCHMARK(SqliteOrderByStringBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(MemSortInteger)->Unit(benchmark::kMillisecond);
BENCHMARK(SqliteOrderByInteger)->Unit(benchmark::kMillisecond);
BENCHMARK(MemLocateSorted)->Unit(benchmark::kMillisecond);
BENCHMARK(SqliteLookupIndexed)->Unit(benchmark::kMillisecond);
BENCHMARK(MemLocateUnsorted)->Unit(benchmark::kMillisecond);
BENCHMARK(SqliteLookupUnindexed)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    TRatioTable table(reporter.Seconds);
    std::printf("\nRatios (below 1: the table engine is faster)\n");
    table.Ratio("append 100,000 rows / SQLite insert in memory", "MemAppend", "SqliteInsertMemory");
    table.Ratio("append and StoreToFile / SQLite insert into a file (both synced)", "MemAppendStore",
                "SqliteInsertFile");
    table.Ratio("RestoreFromFile / SQLite full read", "MemRestore", "SqliteRead");
    table.Ratio("RestoreFromFile / one read() of the file", "MemRestore", "ReadBytes", 3);
    table.Ratio("direct-storage scan / SQLite scan of the same two columns", "MemScan", "SqliteScan");
    table.Ratio("sort by a string field / SQLite ORDER BY, the same collation", "MemSortString",
                "SqliteOrderByString", 1);
    table.Ratio("sort by a string field / SQLite ORDER BY in byte order", "MemSortString", "SqliteOrderByStringBytes");
    table.Ratio("sort by an integer field / SQLite ORDER BY integer", "MemSortInteger", "SqliteOrderByInteger", 1);
    table.Ratio("Locate on the sort field / SQLite indexed lookup", "MemLocateSorted", "SqliteLookupIndexed");
    table.Ratio("Locate on an unsorted field / SQLite unindexed lookup", "MemLocateUnsorted", "SqliteLookupUnindexed");
    benchmark::Shutdown();
    return 0;
}
