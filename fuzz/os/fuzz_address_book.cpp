// Feeds arbitrary bytes as the mail client's profile list and the rows of
// its address book, reads the contacts as the address book's import does
// and makes the import's lines of them. The input is records separated by
// 0x1E: first the text of "profiles.ini", then rows of the table
// "properties", their card, name and value separated by 0x1F.
//
// The book is read when the profile list leads to it, as one contact per
// card; the import's lines are one record of a name and a number each, the
// number as the card gave it without blanks and line breaks. A crash, a hang or another
// answer is a finding.

#include <sqlite3.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "client/MailImport.h"
#include "client/TextImpExp.h"
#include "platform/os/MailContacts.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

namespace {

struct TRow {
    std::string Card, Name, Value;
};

std::vector<std::string> Split(const std::string& Text, char Separator) {
    std::vector<std::string> parts(1);
    for (char c : Text) {
        if (c == Separator)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

const std::string& Home() {
    // Never destroyed: the clean-up at exit runs after the statics are gone.
    static const std::string* home = [] {
        auto* h = new std::string("/tmp/vemlor-fuzz-book-" + std::to_string(getpid()) + "/");
        ForceDirectories(*h + ".thunderbird/p");
        std::atexit([] { std::system(("rm -rf '" + Home() + "'").c_str()); });
        return h;
    }();
    return *home;
}

void WriteBook(const std::string& File, const std::vector<TRow>& Rows) {
    std::remove(File.c_str());
    sqlite3* db = nullptr;
    if (sqlite3_open(File.c_str(), &db) != SQLITE_OK) std::abort();
    sqlite3_exec(db,
                 "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
                 "CREATE TABLE properties (card TEXT COLLATE NOCASE, name TEXT, value TEXT);",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_prepare_v2(db, "INSERT INTO properties VALUES (?, ?, ?)", -1, &insert, nullptr) != SQLITE_OK)
        std::abort();
    for (const TRow& r : Rows) {
        sqlite3_bind_text(insert, 1, r.Card.data(), int(r.Card.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, r.Name.data(), int(r.Name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, r.Value.data(), int(r.Value.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(insert) != SQLITE_DONE) std::abort();
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> records = Split(std::string(reinterpret_cast<const char*>(data), size), '\x1E');
    std::vector<TRow> rows;
    std::set<std::string> cards;
    for (std::size_t i = 1; i < records.size(); ++i) {
        std::vector<std::string> f = Split(records[i], '\x1F');
        f.resize(3);
        rows.push_back({f[0], f[1], f[2]});
        cards.insert(f[0]);
    }
    const std::string book = Home() + ".thunderbird/p/abook.sqlite";
    // A plain write: the atomic writer's flush to disk would slow every run.
    if (std::FILE* f = std::fopen((Home() + ".thunderbird/profiles.ini").c_str(), "wb")) {
        std::fwrite(records[0].data(), 1, records[0].size(), f);
        std::fclose(f);
    }
    WriteBook(book, rows);

    TDesktopMailContacts mail(Home());
    const AnsiString found = mail.AddressBookFile();
    std::vector<TMailContact> contacts;
    const bool read = mail.ReadContacts(contacts);
    // The only address book there is is this one.
    if (found.empty() ? read : !read || contacts.size() != cards.size()) std::abort();
    if (!read) return 0;

    TStringList lines;
    MailContactLines(contacts, lines);
    std::vector<AnsiString> numbers;
    for (const TMailContact& c : contacts) {
        AnsiString number = StringReplace(c.MobileNumber, " ", "", {rfReplaceAll});
        std::erase_if(number, [](char ch) { return ch == '\r' || ch == '\n'; });
        if (!number.empty()) numbers.push_back(number);
    }
    const AnsiString text = lines.Text();
    TTextRecordReader reader(text, ';');
    TTextRecord record;
    std::size_t n = 0;
    for (; reader.Next(record); ++n)
        if (n >= numbers.size() || record.Values.size() != 2 || record.Values[1] != numbers[n]) std::abort();
    if (n != numbers.size()) std::abort();
    return 0;
}
