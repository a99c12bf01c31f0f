// A contact table of 100,000 rows (integer ID, texts of 50, 20, 255, 20 and 20
// characters, a boolean) in the table engine and in SQLite, each pair doing
// the same work, then the ratios with their goals and what each side did:
//
// - restore against its physical floor: reading the file into fresh memory
//   and writing as many fresh bytes as the record images take, measured in
//   turns in the same run; the warm read() into a reused buffer beside it;
// - restore against SQLite's full read, which copies every row out into row
//   objects, both freeing what they built inside the time; also at 1,000,000
//   rows, where each side runs once in each of several fresh processes;
// - appending, in memory and into a synced file, each side once in each of
//   several fresh processes, so that neither finds its memory warm;
// - a scan of raw stored values and one through the field objects, sorting
//   by a text and by an integer, and finding rows by key, texts compared by
//   the engine's collation on both sides.
//
// Every run works in a temporary folder of its own, removed at the end.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
#include "platform/rtl/FileBuffer.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"
#include "tables/memdset.h"

namespace {

constexpr int kRows = 100000;
constexpr int kManyRows = 1000000;
constexpr int kFreshRuns = 8;      // fresh processes per side of an append pairing
constexpr int kFreshManyRuns = 8;  // the same at 1,000,000 rows
constexpr int kRestoreRounds = 40; // turns of restore, its floor and SQLite's read

struct TContact {
    int Id;
    std::string Jmeno, Cislo, IDSkup, Osloveni, Podpis;
    bool Vybrany;
};

TContact MakeContact(int i) {
    static const char* first[] = {"Jan", "Petr", "Marie", "Jana", "Tomáš", "Lucie", "Pavel", "Kateřina"};
    static const char* last[] = {"Novák", "Svoboda", "Dvořáková", "Černý", "Procházka", "Kučerová"};
    TContact c;
    c.Id = i + 1;
    c.Jmeno = std::string(first[i % 8]) + " " + last[(i / 8) % 6] + " " + std::to_string(i);
    c.Cislo = "00420" + std::to_string(600000000 + i * 7);
    c.IDSkup = std::to_string(i % 5) + ";" + std::to_string(i % 11) + ";";
    c.Osloveni = "Ahoj " + std::string(first[i % 8]);
    c.Podpis = "Tvůj Pavel";
    c.Vybrany = i % 3 == 0;
    return c;
}

const std::vector<TContact>& Contacts() {
    static const std::vector<TContact> rows = [] {
        std::vector<TContact> v;
        v.reserve(kRows);
        for (int i = 0; i < kRows; ++i) v.push_back(MakeContact(i));
        return v;
    }();
    return rows;
}

// The run's own folder; a fresh process is handed its parent's.
std::string& Folder() {
    static std::string folder;
    return folder;
}

void MakeFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vemlor-bench-tables-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    Folder() = pattern + "/";
}

std::string TableFile(int rows) { return Folder() + (rows == kRows ? "Adresa.dat" : "Adresa1M.dat"); }
std::string SqliteFile(int rows) { return Folder() + (rows == kRows ? "adresa.sqlite" : "adresa1m.sqlite"); }

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
    void Append(const TContact& c) {
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
    void Fill() {
        T->DisableControls();
        for (const TContact& c : Contacts()) Append(c);
        T->EnableControls();
    }
    void FillMany(int rows) {
        T->DisableControls();
        for (int i = 0; i < rows; ++i) Append(MakeContact(i));
        T->EnableControls();
    }
};

// Of sorted times.
double Median(const std::vector<double>& t) {
    const std::size_t n = t.size();
    return n % 2 ? t[n / 2] : (t[n / 2 - 1] + t[n / 2]) / 2;
}

// The CPU time of this thread, in the kernel included: on a machine shared
// with other work it varies less than the time on the clock.
double CpuSeconds() {
    struct timespec t;
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The processor time of the last timed work, which a fresh process reports
// beside its time on the clock: on a loaded machine the clock mostly
// measures the wait for a processor.
double& LastCpuSeconds() {
    static double cpu = -1;
    return cpu;
}

struct TStart {
    std::chrono::steady_clock::time_point Wall = std::chrono::steady_clock::now();
    double Cpu = CpuSeconds();
};

double Seconds(const TStart& since) {
    LastCpuSeconds() = CpuSeconds() - since.Cpu;
    return Seconds(since.Wall);
}

// ---------------------------------------------------------------------------
// SQLite

void Check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::abort();
    }
}

// The table engine's text order (Windows-1250 linguistic), for SQLite. The
// texts are copied into scratch strings that keep their memory between
// calls, as the engine's own comparison does, so no comparison allocates.
int EngineCollation(void*, int lengthA, const void* a, int lengthB, const void* b) {
    thread_local AnsiString sa, sb;
    sa.assign(static_cast<const char*>(a), static_cast<std::size_t>(lengthA));
    sb.assign(static_cast<const char*>(b), static_cast<std::size_t>(lengthB));
    return AnsiCompareStr(sa, sb);
}

sqlite3* OpenSqlite(const std::string& path) {
    sqlite3* db = nullptr;
    Check(sqlite3_open(path.c_str(), &db), db);
    Check(sqlite3_create_collation(db, "ENGINE", SQLITE_UTF8, nullptr, EngineCollation), db);
    return db;
}

// A fresh database with the table, in a file or in memory, knowing the
// engine's collation as "ENGINE".
sqlite3* OpenFreshSqlite(const std::string& path) {
    if (path != ":memory:") std::filesystem::remove(path);
    sqlite3* db = OpenSqlite(path);
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

struct TInsert {
    sqlite3* Db;
    sqlite3_stmt* St = nullptr;
    explicit TInsert(sqlite3* db) : Db(db) {
        Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
        Check(sqlite3_prepare_v2(db, "INSERT INTO Adresa VALUES (?,?,?,?,?,?,?)", -1, &St, nullptr), db);
    }
    void Row(const TContact& c) {
        sqlite3_bind_int(St, 1, c.Id);
        sqlite3_bind_text(St, 2, c.Jmeno.c_str(), static_cast<int>(c.Jmeno.size()), SQLITE_STATIC);
        sqlite3_bind_text(St, 3, c.Cislo.c_str(), static_cast<int>(c.Cislo.size()), SQLITE_STATIC);
        sqlite3_bind_text(St, 4, c.IDSkup.c_str(), static_cast<int>(c.IDSkup.size()), SQLITE_STATIC);
        sqlite3_bind_text(St, 5, c.Osloveni.c_str(), static_cast<int>(c.Osloveni.size()), SQLITE_STATIC);
        sqlite3_bind_text(St, 6, c.Podpis.c_str(), static_cast<int>(c.Podpis.size()), SQLITE_STATIC);
        sqlite3_bind_int(St, 7, c.Vybrany ? 1 : 0);
        Check(sqlite3_step(St), Db);
        sqlite3_reset(St);
    }
    ~TInsert() {
        sqlite3_finalize(St);
        Check(sqlite3_exec(Db, "COMMIT", nullptr, nullptr, nullptr), Db);
    }
};

void SqliteInsertAll(sqlite3* db, bool byName = false) {
    TInsert insert(db);
    if (byName)
        for (const TContact* c : ContactsByName()) insert.Row(*c);
    else
        for (const TContact& c : Contacts()) insert.Row(c);
}

std::string ColumnText(sqlite3_stmt* st, int column) {
    return std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, column)),
                       static_cast<std::size_t>(sqlite3_column_bytes(st, column)));
}

// SQLite's side of a restore: every row of the table copied out into a row
// object, the row list sized for the rows up front.
std::size_t SqliteReadAll(sqlite3* db, std::vector<TContact>& rows) {
    sqlite3_stmt* st = nullptr;
    Check(sqlite3_prepare_v2(db, "SELECT * FROM Adresa", -1, &st, nullptr), db);
    while (sqlite3_step(st) == SQLITE_ROW)
        rows.push_back({sqlite3_column_int(st, 0), ColumnText(st, 1), ColumnText(st, 2), ColumnText(st, 3),
                        ColumnText(st, 4), ColumnText(st, 5), sqlite3_column_int(st, 6) != 0});
    sqlite3_finalize(st);
    return rows.size();
}

// ---------------------------------------------------------------------------
// The files every run works on, made once per run

void MakeFiles(int rows) {
    {
        TAddressBook book;
        if (rows == kRows)
            book.Fill();
        else
            book.FillMany(rows);
        book.T->StoreToFile(TableFile(rows));
    }
    sqlite3* db = OpenFreshSqlite(SqliteFile(rows));
    {
        TInsert insert(db);
        for (int i = 0; i < rows; ++i) insert.Row(rows == kRows ? Contacts()[static_cast<std::size_t>(i)] : MakeContact(i));
    }
    sqlite3_close(db);
}

// ---------------------------------------------------------------------------
// Restore, its floor and SQLite's full read, measured in turns within one
// run, so that the machine's load meets all sides alike; each side's median.

std::size_t InHugePages(std::size_t bytes) { return (bytes + HugePageSize - 1) & ~(HugePageSize - 1); }

// As the client does at start: into a table that holds nothing yet. The
// records are freed inside the time, as the floor and SQLite's read free
// what they made.
double TimeRestore() {
    auto book = std::make_unique<TAddressBook>();
    const TStart start;
    book->T->RestoreFromFile(TableFile(kRows));
    const bool whole = book->T->RecordCount() == kRows;
    book.reset();
    return whole ? Seconds(start) : -1;
}

// The least a restore must do: the file read into fresh memory, and as many
// fresh bytes as the record images take (rows x record size) written. Both in
// huge pages, as the engine asks for them.
double TimeRestoreFloor(const std::string& name, std::size_t recordBytes) {
    const std::size_t images = InHugePages(recordBytes);
    const TStart start;
    const int fd = ::open(name.c_str(), O_RDONLY);
    struct stat st;
    if (fd < 0) return -1;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return -1;
    }
    const std::size_t size = InHugePages(static_cast<std::size_t>(st.st_size));
    auto* file = static_cast<char*>(AllocHugePages(size));
    auto* records = static_cast<char*>(AllocHugePages(images));
    const bool read = file && records && ::read(fd, file, static_cast<std::size_t>(st.st_size)) == st.st_size;
    ::close(fd);
    if (records) std::memset(records, 1, recordBytes);
    benchmark::DoNotOptimize(file);
    benchmark::DoNotOptimize(records);
    if (records) FreeHugePages(records, images);
    if (file) FreeHugePages(file, size);
    return read ? Seconds(start) : -1;
}

// One read() of the file into a buffer that stays warm from run to run.
double TimeWarmRead(std::vector<char>& buffer) {
    const std::string name = TableFile(kRows);
    const TStart start;
    const int fd = ::open(name.c_str(), O_RDONLY);
    const bool read = fd >= 0 && ::read(fd, buffer.data(), buffer.size()) == static_cast<ssize_t>(buffer.size());
    ::close(fd);
    benchmark::DoNotOptimize(buffer.data());
    return read ? Seconds(start) : -1;
}

double TimeSqliteRead(sqlite3* db) {
    const TStart start;
    std::size_t read = 0;
    {
        std::vector<TContact> rows;
        rows.reserve(kRows);
        read = SqliteReadAll(db, rows);
    }
    return read == kRows ? Seconds(start) : -1;
}

std::size_t RecordBytes(int rows) {
    TAddressBook book;
    return static_cast<std::size_t>(rows) * static_cast<std::size_t>(book.T->MemFields()->RecordSize());
}

void MeasureRestores(int rounds, std::map<std::string, double>& seconds) {
    const std::size_t recordBytes = RecordBytes(kRows);
    std::vector<char> buffer(static_cast<std::size_t>(FileSize(TableFile(kRows))));
    sqlite3* db = OpenSqlite(SqliteFile(kRows));
    std::map<std::string, std::vector<double>> times, cpuTimes;
    const std::vector<std::pair<const char*, std::function<double()>>> sides{
        {"MemRestore", [] { return TimeRestore(); }},
        {"RestoreFloor", [&] { return TimeRestoreFloor(TableFile(kRows), recordBytes); }},
        {"WarmRead", [&] { return TimeWarmRead(buffer); }},
        {"SqliteRead", [&] { return TimeSqliteRead(db); }},
    };
    // Each round starts with the next side: memory one side has just given
    // back is cheaper for the side after it, and no side should always get it.
    for (int i = 0; i < rounds; ++i)
        for (std::size_t k = 0; k < sides.size(); ++k) {
            const auto& [what, time] = sides[(k + static_cast<std::size_t>(i)) % sides.size()];
            const double cpu = CpuSeconds();
            times[what].push_back(time());
            cpuTimes[what].push_back(CpuSeconds() - cpu);
        }
    sqlite3_close(db);
    std::printf("the file: %.1f MB; the record images: %.1f MB\n", static_cast<double>(buffer.size()) / 1e6,
                static_cast<double>(recordBytes) / 1e6);
    for (auto& [what, t] : times) {
        std::sort(t.begin(), t.end());
        if (t.front() < 0) {
            std::printf("%-24s failed\n", what.c_str());
            continue;
        }
        std::vector<double>& cpu = cpuTimes[what];
        std::sort(cpu.begin(), cpu.end());
        seconds[what] = Median(t);
        seconds[what + " (CPU)"] = Median(cpu);
        std::printf("%-24s %9.2f ms   median of %d in turns (%.2f .. %.2f); CPU time %.2f ms\n", what.c_str(),
                    seconds[what] * 1e3, rounds, t.front() * 1e3, t.back() * 1e3, Median(cpu) * 1e3);
    }
}

// ---------------------------------------------------------------------------
// Scans

// What the client's number search does: compare a text in place; and count
// the ticked rows. Two columns of every row, read as raw stored values
// (ValuePtr), without the cursor or the field objects.
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

// The same through the cursor and the field objects, as a data-aware reader does.
void MemScanFields(benchmark::State& state) {
    TAddressBook book;
    book.Fill();
    for (auto _ : state) {
        int hits = 0;
        book.T->DisableControls();
        for (book.T->First(); !book.T->Eof(); book.T->Next()) {
            if (book.Cislo->AsString() == "00420600069993") ++hits;
            hits += book.Vybrany->AsBoolean() ? 1 : 0;
        }
        book.T->EnableControls();
        benchmark::DoNotOptimize(hits);
    }
}

// The same two columns, and the same test on them.
void SqliteScan(benchmark::State& state) {
    sqlite3* db = OpenSqlite(SqliteFile(kRows));
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
    sqlite3* db = OpenFreshSqlite(Folder() + "sorted.sqlite");
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

// The indexed lookup compares by the engine's collation, as Locate does.
void SqliteLookup(benchmark::State& state, const char* column, int lookups, bool index) {
    sqlite3* db = OpenFreshSqlite(Folder() + "lookup.sqlite");
    SqliteInsertAll(db);
    if (index)
        Check(sqlite3_exec(db, "CREATE INDEX AdresaJmeno ON Adresa (Jmeno COLLATE ENGINE)", nullptr, nullptr, nullptr), db);
    std::string sql = std::string("SELECT * FROM Adresa WHERE ") + column + " = ?" + (index ? " COLLATE ENGINE" : "") +
                      " LIMIT 1";
    sqlite3_stmt* plan = nullptr;
    Check(sqlite3_prepare_v2(db, ("EXPLAIN QUERY PLAN " + sql).c_str(), -1, &plan, nullptr), db);
    std::string steps;
    while (sqlite3_step(plan) == SQLITE_ROW) steps += ColumnText(plan, 3) + "\n";
    sqlite3_finalize(plan);
    if (index != (steps.find("USING INDEX AdresaJmeno") != std::string::npos))
        state.SkipWithError(("unexpected query plan: " + steps).c_str());
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

// ---------------------------------------------------------------------------
// Fresh processes: this program run again with --fresh=<what>, which does
// the one thing once, with nothing warm in its memory, and prints the seconds
// it took. What each side does before the clock starts (making its rows,
// an empty table or database) is outside the time.

double FreshMemAppend() {
    Contacts();
    TAddressBook book;
    const TStart start;
    book.Fill();
    return Seconds(start);
}

double FreshSqliteInsertMemory() {
    Contacts();
    sqlite3* db = OpenFreshSqlite(":memory:");
    const TStart start;
    SqliteInsertAll(db);
    return Seconds(start);
}

// Appended and stored to the table file (written and synced to the disk).
double FreshMemAppendStore() {
    Contacts();
    TAddressBook book;
    const TStart start;
    book.Fill();
    book.T->StoreToFile(Folder() + "Fresh.dat");
    return Seconds(start);
}

// Inserted into a file, committed with SQLite's default full sync.
double FreshSqliteInsertFile() {
    Contacts();
    sqlite3* db = OpenFreshSqlite(Folder() + "fresh.sqlite");
    const TStart start;
    SqliteInsertAll(db);
    return Seconds(start);
}

double FreshMemRestoreMany() {
    TAddressBook book;
    const TStart start;
    book.T->RestoreFromFile(TableFile(kManyRows));
    double seconds = Seconds(start);
    return book.T->RecordCount() == kManyRows ? seconds : -1;
}

double FreshRestoreFloorMany() { return TimeRestoreFloor(TableFile(kManyRows), RecordBytes(kManyRows)); }

// Stepping through every row and reading its values in place, copying none.
double FreshSqliteStepMany() {
    sqlite3* db = OpenSqlite(SqliteFile(kManyRows));
    const TStart start;
    sqlite3_stmt* st = nullptr;
    Check(sqlite3_prepare_v2(db, "SELECT * FROM Adresa", -1, &st, nullptr), db);
    std::size_t rows = 0, bytes = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        ++rows;
        bytes += static_cast<std::size_t>(sqlite3_column_int(st, 0));
        for (int c = 1; c <= 5; ++c) bytes += static_cast<std::size_t>(sqlite3_column_bytes(st, c));
        bytes += static_cast<std::size_t>(sqlite3_column_int(st, 6));
    }
    sqlite3_finalize(st);
    benchmark::DoNotOptimize(bytes);
    double seconds = Seconds(start);
    return rows == kManyRows ? seconds : -1;
}

double FreshSqliteReadMany() {
    sqlite3* db = OpenSqlite(SqliteFile(kManyRows));
    const TStart start;
    std::vector<TContact> rows;
    rows.reserve(kManyRows);
    std::size_t read = SqliteReadAll(db, rows);
    double seconds = Seconds(start);
    return read == kManyRows ? seconds : -1;
}

const std::map<std::string, double (*)()>& FreshRuns() {
    static const std::map<std::string, double (*)()> runs{
        {"MemAppend", FreshMemAppend},           {"SqliteInsertMemory", FreshSqliteInsertMemory},
        {"MemAppendStore", FreshMemAppendStore}, {"SqliteInsertFile", FreshSqliteInsertFile},
        {"MemRestore1M", FreshMemRestoreMany},   {"SqliteRead1M", FreshSqliteReadMany},
        {"SqliteStep1M", FreshSqliteStepMany},   {"RestoreFloor1M", FreshRestoreFloorMany},
    };
    return runs;
}

// The seconds on the clock, and of processor time, of one fresh process.
std::pair<double, double> RunFresh(const std::string& what) {
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return {-1, -1};
    self[n] = 0;
    const std::string command = "'" + std::string(self) + "' --fresh=" + what + " '--folder=" + Folder() + "'";
    FILE* out = ::popen(command.c_str(), "r");
    if (!out) return {-1, -1};
    double seconds = -1, cpu = -1;
    if (std::fscanf(out, "%lf %lf", &seconds, &cpu) != 2) seconds = -1;
    return ::pclose(out) == 0 ? std::pair{seconds, cpu} : std::pair{-1.0, -1.0};
}

// The sides of a pairing in turns, `runs` fresh processes each; the median
// of each side goes into `seconds` under "<name> (fresh)", of its processor
// time under "<name> (fresh CPU)".
void MeasureFresh(const std::vector<std::string>& sides, int runs, std::map<std::string, double>& seconds) {
    std::map<std::string, std::vector<double>> times, cpuTimes;
    // Each round starts with the next side, as the restores in turns do.
    for (int i = 0; i < runs; ++i)
        for (std::size_t k = 0; k < sides.size(); ++k) {
            const std::string& what = sides[(k + static_cast<std::size_t>(i)) % sides.size()];
            if (auto [s, cpu] = RunFresh(what); s >= 0) {
                times[what].push_back(s);
                cpuTimes[what].push_back(cpu);
            }
        }
    for (const std::string& what : sides) {
        std::vector<double>& t = times[what];
        if (t.size() != static_cast<std::size_t>(runs)) {
            std::printf("%-24s fresh processes failed\n", what.c_str());
            continue;
        }
        std::sort(t.begin(), t.end());
        std::vector<double>& c = cpuTimes[what];
        std::sort(c.begin(), c.end());
        const double median = Median(t), cpu = Median(c);
        seconds[what + " (fresh)"] = median;
        seconds[what + " (fresh CPU)"] = cpu;
        std::printf("%-24s %9.1f ms   median of %d fresh processes (%.1f .. %.1f); CPU time %.1f ms\n", what.c_str(),
                    median * 1e3, runs, t.front() * 1e3, t.back() * 1e3, cpu * 1e3);
    }
}

// One line of the ratio table, and under it what each side did.
void Pair(TRatioTable& table, const char* label, const std::string& ours, const std::string& theirs, double goal,
          const char* ourWork, const char* theirWork) {
    table.Ratio(label, ours, theirs, goal);
    std::printf("    ours:   %s\n    theirs: %s\n", ourWork, theirWork);
}

}  // namespace

BENCHMARK(MemScan)->Unit(benchmark::kMillisecond);
BENCHMARK(MemScanFields)->Unit(benchmark::kMillisecond);
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
    // A fresh process: one measurement, its seconds on the standard output.
    if (argc == 3 && std::strncmp(argv[1], "--fresh=", 8) == 0 && std::strncmp(argv[2], "--folder=", 9) == 0) {
        Folder() = argv[2] + 9;
        auto run = FreshRuns().find(argv[1] + 8);
        if (run == FreshRuns().end()) return 2;
        const double seconds = run->second();
        std::printf("%.9f %.9f\n", seconds, LastCpuSeconds());
        return seconds >= 0 ? 0 : 1;
    }

    // A run of chosen benchmarks leaves out the restores and the fresh processes.
    bool chosen = false;
    for (int i = 1; i < argc; ++i) chosen = chosen || std::strncmp(argv[i], "--benchmark_filter", 18) == 0;
    benchmark::Initialize(&argc, argv);
    MakeFolder();
    MakeFiles(kRows);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    if (!chosen) {
        std::printf("\nRestoring 100,000 rows\n");
        MeasureRestores(kRestoreRounds, reporter.Seconds);
        std::printf("\nFresh processes\n");
        MeasureFresh({"MemAppend", "SqliteInsertMemory"}, kFreshRuns, reporter.Seconds);
        MeasureFresh({"MemAppendStore", "SqliteInsertFile"}, kFreshRuns, reporter.Seconds);
        MakeFiles(kManyRows);
        MeasureFresh({"MemRestore1M", "RestoreFloor1M", "SqliteRead1M", "SqliteStep1M"}, kFreshManyRuns,
                     reporter.Seconds);
    }

    TRatioTable table(reporter.Seconds);
    std::printf("\nRatios (below 1: the table engine is faster)\n");
    Pair(table, "restore 100,000 rows / its physical floor", "MemRestore", "RestoreFloor", 1.5,
         "RestoreFromFile into an empty table, the records freed inside the time",
         "the file read into fresh memory + rows x record size fresh bytes written "
         "(both in huge pages, freed inside the time)");
    Pair(table, "the same in CPU time (the kernel included)", "MemRestore (CPU)", "RestoreFloor (CPU)", 0, "as above",
         "as above");
    Pair(table, "restore 100,000 rows / one read() into a warm buffer", "MemRestore", "WarmRead", 0,
         "RestoreFromFile into an empty table, the records freed inside the time",
         "one read() of the file into a buffer kept from run to run");
    Pair(table, "restore 100,000 rows / SQLite full read", "MemRestore", "SqliteRead", 0,
         "RestoreFromFile into an empty table, the records freed inside the time",
         "SELECT *, each row copied into a row object in a list sized up front, freed inside the time");
    Pair(table, "restore 1,000,000 rows / SQLite full read, fresh processes", "MemRestore1M (fresh)",
         "SqliteRead1M (fresh)", 1,
         "RestoreFromFile into an empty table, once in a fresh process",
         "SELECT *, each row copied into a row object in a list sized up front, once in a fresh process");
    Pair(table, "the same in CPU time (the kernel included)", "MemRestore1M (fresh CPU)", "SqliteRead1M (fresh CPU)", 0,
         "as above", "as above");
    Pair(table, "restore 1,000,000 rows / its physical floor, fresh processes", "MemRestore1M (fresh)",
         "RestoreFloor1M (fresh)", 0, "as above", "the floor as at 100,000 rows, once in a fresh process");
    Pair(table, "restore 1,000,000 rows / SQLite stepping through every row", "MemRestore1M (fresh)",
         "SqliteStep1M (fresh)", 0, "as above",
         "SELECT *, every value read in place and none copied, once in a fresh process");
    Pair(table, "append 100,000 rows / SQLite insert in memory, fresh processes", "MemAppend (fresh)",
         "SqliteInsertMemory (fresh)", 1,
         "Append, seven fields set, Post, for each row, into an empty open table, once in a fresh process",
         "one prepared INSERT per row in one transaction into an empty :memory: table, once in a fresh process");
    Pair(table, "the same in CPU time (the kernel included)", "MemAppend (fresh CPU)", "SqliteInsertMemory (fresh CPU)",
         0, "as above", "as above");
    Pair(table, "append and store / SQLite insert into a file, fresh processes", "MemAppendStore (fresh)",
         "SqliteInsertFile (fresh)", 0,
         "the same appends, then StoreToFile (written, synced, renamed), once in a fresh process",
         "the same inserts into an empty file database, committed with full sync, once in a fresh process");
    Pair(table, "scan of raw stored values / SQLite scan of the same two columns", "MemScan", "SqliteScan", 0,
         "two columns of every row read in place through ValuePtr (no cursor, no field objects), "
         "as the client's number search does",
         "SELECT of the two columns, the same test on each row");
    Pair(table, "scan through the fields / SQLite scan of the same two columns", "MemScanFields", "SqliteScan", 0,
         "First/Next over every row, the two values read through their field objects",
         "SELECT of the two columns, the same test on each row");
    Pair(table, "sort by a string field / SQLite ORDER BY, the same collation", "MemSortString",
         "SqliteOrderByString", 1,
         "SortedField := Jmeno from the order of ID, then ID and the five texts of every row read in order",
         "ORDER BY Jmeno COLLATE ENGINE (the engine's comparison, no allocation per call), every row stepped");
    Pair(table, "sort by a string field / SQLite ORDER BY in byte order", "MemSortString", "SqliteOrderByStringBytes",
         0, "as above", "ORDER BY Jmeno in SQLite's byte order, every row stepped");
    Pair(table, "sort by an integer field / SQLite ORDER BY integer", "MemSortInteger", "SqliteOrderByInteger", 1,
         "SortedField := ID from the order of Jmeno, then every row read in order",
         "ORDER BY ID - 0 of rows stored by name, every row stepped");
    Pair(table, "Locate on the sort field / SQLite indexed lookup", "MemLocateSorted", "SqliteLookupIndexed", 0,
         "1,000 Locate of a name on the table sorted by Jmeno (binary search, the engine's collation)",
         "1,000 lookups through an index on Jmeno COLLATE ENGINE, LIMIT 1, the row stepped");
    Pair(table, "Locate on an unsorted field / SQLite unindexed lookup", "MemLocateUnsorted", "SqliteLookupUnindexed",
         0, "20 Locate of a number on another field (scan)", "20 lookups of a number without an index, LIMIT 1");
    benchmark::Shutdown();
    std::filesystem::remove_all(Folder());
    return 0;
}
