// A contact table of 100,000 rows (integer ID, texts of 50, 20, 255, 20 and 20
// characters, a boolean) in the table engine and in SQLite: append, store,
// restore and a full scan, sorting by a text and by an integer, and finding
// rows by key, then the ratios. The engine's scan reads stored values in
// place; SQLite's steps a SELECT over every column.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
#include "platform/rtl/FileUtils.h"
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

void MemAppend(benchmark::State& state) {
    for (auto _ : state) {
        TAddressBook book;
        book.Fill();
        benchmark::DoNotOptimize(book.T->RecordCount());
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
    // As the client does at start: into a table that holds nothing yet.
    for (auto _ : state) {
        state.PauseTiming();
        auto book = std::make_unique<TAddressBook>();
        state.ResumeTiming();
        book->T->RestoreFromFile(Folder() + "Adresa.dat");
        if (book->T->RecordCount() != kRows) state.SkipWithError("restore lost rows");
        state.PauseTiming();
        book.reset();
        state.ResumeTiming();
    }
}

void ReadBytes(benchmark::State& state) {
    {
        TAddressBook book;
        book.Fill();
        book.T->StoreToFile(Folder() + "Adresa.dat");
    }
    for (auto _ : state) benchmark::DoNotOptimize(ReadFileBytes(Folder() + "Adresa.dat").size());
}

void MemScan(benchmark::State& state) {
    TAddressBook book;
    book.Fill();
    TMemFields* s = book.T->MemFields();
    const TMemField* cislo = s->FieldAt(3);
    const TMemField* vybrany = s->FieldAt(7);
    for (auto _ : state) {
        // What the client's number search does: compare a text in place.
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

sqlite3* OpenFreshSqlite() {
    std::string path = Folder() + "adresa.sqlite";
    std::filesystem::remove(path);
    sqlite3* db = nullptr;
    Check(sqlite3_open(path.c_str(), &db), db);
    Check(sqlite3_exec(db,
                       "CREATE TABLE Adresa (ID INTEGER, Jmeno VARCHAR(50), Cislo VARCHAR(20), "
                       "IDSkup VARCHAR(255), Osloveni VARCHAR(20), Podpis VARCHAR(20), Vybrany BOOLEAN)",
                       nullptr, nullptr, nullptr),
          db);
    return db;
}

void SqliteInsertAll(sqlite3* db) {
    Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
    sqlite3_stmt* st = nullptr;
    Check(sqlite3_prepare_v2(db, "INSERT INTO Adresa VALUES (?,?,?,?,?,?,?)", -1, &st, nullptr), db);
    for (const TContact& c : Contacts()) {
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

void SqliteInsert(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        sqlite3* db = OpenFreshSqlite();
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

// Each sort starts from the other field's order, so no run sorts sorted rows.
void MemSort(benchmark::State& state, const char* field, const char* other) {
    TAddressBook book;
    book.Fill();
    for (auto _ : state) {
        state.PauseTiming();
        book.T->SetSortedField(other);
        state.ResumeTiming();
        book.T->SetSortedField(field);
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

void SqliteOrderBy(benchmark::State& state, const char* sql) {
    sqlite3* db = OpenFreshSqlite();
    SqliteInsertAll(db);
    for (auto _ : state) {
        sqlite3_stmt* st = nullptr;
        Check(sqlite3_prepare_v2(db, sql, -1, &st, nullptr), db);
        if (StepAll(st) != kRows) state.SkipWithError("sqlite lost rows");
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
}
// ORDER BY ID - 0 keeps SQLite from walking the rows in insertion order,
// which is already the order of ID.
void SqliteOrderByString(benchmark::State& state) { SqliteOrderBy(state, "SELECT * FROM Adresa ORDER BY Jmeno"); }
void SqliteOrderByInteger(benchmark::State& state) {
    SqliteOrderBy(state, "SELECT * FROM Adresa ORDER BY ID - 0");
}

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
BENCHMARK(SqliteInsert)->Unit(benchmark::kMillisecond);
BENCHMARK(MemStore)->Unit(benchmark::kMillisecond);
BENCHMARK(MemRestore)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(SqliteRead)->Unit(benchmark::kMillisecond);
BENCHMARK(MemScan)->Unit(benchmark::kMillisecond);
BENCHMARK(MemSortString)->Unit(benchmark::kMillisecond);
BENCHMARK(SqliteOrderByString)->Unit(benchmark::kMillisecond);
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
    auto& s = reporter.Seconds;
    auto ratio = [&](const char* label, const char* a, const char* b) {
        if (s.count(a) && s.count(b) && s[b] > 0) std::printf("%-52s %6.2f\n", label, s[a] / s[b]);
    };
    std::printf("\nRatios (below 1: the table engine is faster)\n");
    ratio("append 100,000 rows / SQLite bulk insert", "MemAppend", "SqliteInsert");
    ratio("StoreToFile / SQLite bulk insert", "MemStore", "SqliteInsert");
    ratio("RestoreFromFile / SQLite full read", "MemRestore", "SqliteRead");
    ratio("RestoreFromFile / reading the file's bytes (aim <= 3)", "MemRestore", "ReadBytes");
    ratio("direct-storage scan / SQLite full read", "MemScan", "SqliteRead");
    ratio("sort by a string field / SQLite ORDER BY text", "MemSortString", "SqliteOrderByString");
    ratio("sort by an integer field / SQLite ORDER BY integer", "MemSortInteger", "SqliteOrderByInteger");
    ratio("Locate on the sort field / SQLite indexed lookup", "MemLocateSorted", "SqliteLookupIndexed");
    ratio("Locate on an unsorted field / SQLite unindexed lookup", "MemLocateUnsorted", "SqliteLookupUnindexed");
    benchmark::Shutdown();
    return 0;
}
