#include "platform/os/MailContacts.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysUtils.h"

namespace {

// Where the mail client keeps its profile list: its own folder, then the
// copies a snap or flatpak installation keeps in the home folder.
const char* const kProfileFolders[] = {
    ".thunderbird/",
    "snap/thunderbird/common/.thunderbird/",
    ".var/app/org.mozilla.Thunderbird/.thunderbird/",
};

AnsiString HomeFolder(const AnsiString& Given) {
    if (!Given.empty()) return IncludeTrailingPathDelimiter(Given);
    const char* home = std::getenv("HOME");
    if (!home || !*home) return {};
    return IncludeTrailingPathDelimiter(Utf8ToAnsi(home));
}

// The folder of the default profile named by one profile list, "" for none.
AnsiString DefaultProfile(const AnsiString& ProfilesIni) {
    TIniFile ini(ProfilesIni);
    const AnsiString base = ExtractFilePath(ProfilesIni);
    // The file's texts are UTF-8; paths go on in the program's text.
    auto resolve = [&](const AnsiString& Path, bool Relative) -> AnsiString {
        if (Path.empty()) return {};
        const AnsiString path = Utf8ToAnsi(Path);
        return Relative ? base + path : path;
    };
    const std::vector<AnsiString> sections = ini.ReadSections();
    for (const AnsiString& s : sections) {
        if (!SameText(Copy(s, 1, 7), "Install")) continue;
        // An installation names its profile relative to the list's folder,
        // or by an absolute path.
        const AnsiString path = ini.ReadString(s, "Default", "");
        if (!path.empty()) return resolve(path, path[0] != '/');
    }
    AnsiString only;
    int profiles = 0;
    for (const AnsiString& s : sections) {
        if (!SameText(Copy(s, 1, 7), "Profile")) continue;
        const AnsiString path = resolve(ini.ReadString(s, "Path", ""), ini.ReadInteger(s, "IsRelative", 1) != 0);
        if (path.empty()) continue;
        if (ini.ReadInteger(s, "Default", 0) == 1) return path;
        only = path;
        ++profiles;
    }
    // A list of one profile marks none as the default.
    return profiles == 1 ? only : AnsiString();
}

bool IsBlank(char C) { return C == ' ' || C == '\t'; }

std::string Lower(std::string_view S) {
    std::string out(S);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// A vCard's lines with continuation lines (starting with a blank) joined.
std::vector<std::string> UnfoldedLines(std::string_view VCard) {
    std::vector<std::string> lines;
    std::string line;
    std::size_t i = 0;
    while (i <= VCard.size()) {
        const std::size_t end = VCard.find('\n', i);
        std::string_view part = VCard.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i);
        if (!part.empty() && part.back() == '\r') part.remove_suffix(1);
        if (!part.empty() && IsBlank(part.front()) && !lines.empty()) {
            lines.back().append(part.substr(1));
        } else {
            lines.emplace_back(part);
        }
        if (end == std::string_view::npos) break;
        i = end + 1;
    }
    return lines;
}

// Whether the parameters of a TEL entry (";TYPE=cell,voice", ";TYPE=\"CELL\"",
// vCard 2.1's ";CELL") name a mobile number.
bool NamesCell(std::string_view Params) {
    const std::string p = Lower(Params);
    std::size_t at = 0;
    while ((at = p.find("cell", at)) != std::string::npos) {
        const bool startOk = at > 0 && (p[at - 1] == ';' || p[at - 1] == '=' || p[at - 1] == ',' || p[at - 1] == '"');
        const std::size_t after = at + 4;
        const bool endOk = after == p.size() || p[after] == ';' || p[after] == ',' || p[after] == '"';
        if (startOk && endOk) return true;
        at = after;
    }
    return false;
}

}  // namespace

std::string VCardMobileNumber(std::string_view VCard) {
    for (const std::string& line : UnfoldedLines(VCard)) {
        // The name part ends at the first ':' outside double quotes.
        std::size_t colon = std::string::npos;
        bool quoted = false;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '"') quoted = !quoted;
            if (line[i] == ':' && !quoted) {
                colon = i;
                break;
            }
        }
        if (colon == std::string::npos) continue;
        const std::string_view head(line.data(), colon);
        // "item1.TEL;..." carries a group name before the property.
        const std::size_t semicolon = head.find(';');
        std::string_view name = head.substr(0, semicolon);
        if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos) name.remove_prefix(dot + 1);
        if (Lower(name) != "tel") continue;
        if (semicolon == std::string_view::npos || !NamesCell(head.substr(semicolon))) continue;
        std::string value = line.substr(colon + 1);
        if (Lower(value.substr(0, 4)) == "tel:") {
            value.erase(0, 4);
            // A tel: address's parameters (";ext=12") are no part of the
            // number; kept, they would be taken for a further column.
            value.erase(std::min(value.find(';'), value.size()));
        }
        return value;
    }
    return {};
}

TDesktopMailContacts::TDesktopMailContacts(const AnsiString& HomeFolder) : FHomeFolder(HomeFolder) {}

AnsiString TDesktopMailContacts::AddressBookFile() const {
    const AnsiString home = HomeFolder(FHomeFolder);
    if (home.empty()) return {};
    for (const char* folder : kProfileFolders) {
        const AnsiString list = home + folder + "profiles.ini";
        if (!FileExists(list)) continue;
        const AnsiString profile = DefaultProfile(list);
        if (profile.empty()) continue;
        const AnsiString book = IncludeTrailingPathDelimiter(profile) + "abook.sqlite";
        if (FileExists(book)) return book;
    }
    return {};
}

bool TDesktopMailContacts::ReadContacts(std::vector<TMailContact>& Contacts) {
    Contacts.clear();
    const AnsiString book = AddressBookFile();
    if (book.empty()) return false;
    sqlite3* db = nullptr;
    auto closeDb = ScopeExit([&db] { sqlite3_close(db); });
    if (sqlite3_open_v2(SysFileName(book).c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return false;
    // The mail client may hold the file open and write to it; a reader
    // waits a moment for its turn rather than failing at once.
    sqlite3_busy_timeout(db, 2000);
    sqlite3_stmt* query = nullptr;
    auto finalize = ScopeExit([&query] { sqlite3_finalize(query); });
    if (sqlite3_prepare_v2(db, "SELECT card, name, value FROM properties ORDER BY rowid", -1, &query, nullptr) !=
        SQLITE_OK)
        return false;

    struct TCard {
        std::map<std::string, std::string> Values;
    };
    std::vector<TCard> cards;
    std::map<std::string, std::size_t> index;
    auto text = [&query](int Column) {
        const unsigned char* t = sqlite3_column_text(query, Column);
        return t ? std::string(reinterpret_cast<const char*>(t), static_cast<std::size_t>(sqlite3_column_bytes(query, Column)))
                 : std::string();
    };
    int rc;
    while ((rc = sqlite3_step(query)) == SQLITE_ROW) {
        const std::string card = text(0);
        auto [it, added] = index.emplace(card, cards.size());
        if (added) cards.emplace_back();
        cards[it->second].Values[text(1)] = text(2);
    }
    if (rc != SQLITE_DONE) return false;

    for (const TCard& card : cards) {
        auto value = [&card](const char* Name) {
            auto it = card.Values.find(Name);
            return it == card.Values.end() ? std::string() : it->second;
        };
        std::string name = value("DisplayName");
        if (name.empty()) {
            name = value("FirstName");
            const std::string last = value("LastName");
            if (!name.empty() && !last.empty()) name += ' ';
            name += last;
        }
        std::string mobile = value("CellularNumber");
        if (mobile.empty()) mobile = VCardMobileNumber(value("_vCard"));
        Contacts.push_back({Utf8ToAnsi(name), Utf8ToAnsi(mobile)});
    }
    return true;
}
