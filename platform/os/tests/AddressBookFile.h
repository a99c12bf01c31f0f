#pragma once
// Address books laid out as the desktop's mail client keeps them, for the
// tests of the contacts import.

#include <sqlite3.h>

#include <vector>

#include <gtest/gtest.h>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/FileUtils.h"

struct TAddressBookProperty {
    const char* Card;
    const char* Name;
    AnsiString Value;  // Windows-1250; stored as UTF-8 the way the mail client keeps it
};

inline void WriteAddressBook(const AnsiString& FileName, const std::vector<TAddressBookProperty>& Properties) {
    ForceDirectories(ExtractFilePath(FileName));
    DeleteFile(FileName);
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(SysFileName(FileName).c_str(), &db));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db,
                                      "CREATE TABLE properties (card TEXT COLLATE NOCASE, name TEXT, value TEXT);"
                                      "CREATE TABLE lists (uid TEXT PRIMARY KEY, localId INTEGER, name TEXT);",
                                      nullptr, nullptr, nullptr));
    sqlite3_stmt* insert = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_prepare_v2(db, "INSERT INTO properties VALUES (?, ?, ?)", -1, &insert, nullptr));
    for (const TAddressBookProperty& p : Properties) {
        const std::string value = AnsiToUtf8(p.Value);
        sqlite3_bind_text(insert, 1, p.Card, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, p.Name, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, value.c_str(), -1, SQLITE_TRANSIENT);
        EXPECT_EQ(SQLITE_DONE, sqlite3_step(insert));
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
}

// A profile list naming one default profile "p.default" beside it.
inline void WriteProfileList(const AnsiString& Home) {
    ForceDirectories(Home + ".thunderbird");
    WriteFileAtomic(Home + ".thunderbird/profiles.ini", "[Profile0]\nName=default\nIsRelative=1\nPath=p.default\nDefault=1\n");
}

inline AnsiString DefaultAddressBook(const AnsiString& Home) { return Home + ".thunderbird/p.default/abook.sqlite"; }
