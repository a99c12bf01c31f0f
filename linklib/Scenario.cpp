#include "linklib/Scenario.h"

#include <cctype>
#include <climits>
#include <fstream>

namespace linklib {

namespace {

const char* const kEntries[] = {"PortOpen", "PortClose",   "Connect",     "Disconnect",   "WaitDisconnect",
                                "SendFile", "Dir",         "ReceiveFile", "WriteReadPort"};

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string& text) {
    std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    std::size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// A whole decimal number from 0 to limit.
bool ParseCount(const std::string& text, int limit, int& value) {
    if (text.empty() || text.size() > 10) return false;
    long long result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        result = result * 10 + (c - '0');
    }
    if (result > limit) return false;
    value = static_cast<int>(result);
    return true;
}

// "1,3,5-8" -> bits 1, 3, 5, 6, 7, 8; an empty list is no port.
bool ParsePorts(const std::string& text, unsigned& mask) {
    mask = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        std::string item = Trim(text.substr(start, comma - start));
        if (!item.empty()) {
            std::size_t dash = item.find('-');
            int from = 0, to = 0;
            if (dash == std::string::npos) {
                if (!ParseCount(item, 8, from)) return false;
                to = from;
            } else if (!ParseCount(Trim(item.substr(0, dash)), 8, from) ||
                       !ParseCount(Trim(item.substr(dash + 1)), 8, to)) {
                return false;
            }
            if (from < 1 || to < from) return false;
            for (int port = from; port <= to; ++port) mask |= 1u << port;
        } else if (comma != text.size() || start != 0) {
            return false;  // an empty item between commas
        }
        start = comma + 1;
    }
    return true;
}

std::string CanonicalEntry(const std::string& key, int& call, bool& ok) {
    std::string name = key;
    call = 0;
    std::size_t dot = name.find('.');
    if (dot != std::string::npos) {
        ok = ParseCount(name.substr(dot + 1), 1000000, call) && call >= 1;
        name.erase(dot);
    } else {
        ok = true;
    }
    if (Lower(name).rfind("caller_", 0) == 0) name.erase(0, 7);
    for (const char* entry : kEntries) {
        if (Lower(name) == Lower(entry)) return entry;
    }
    ok = false;
    return name;
}

std::string Resolve(const std::string& folder, const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    return folder + path;
}

}  // namespace

bool IsCallerEntry(const std::string& name) {
    for (const char* entry : kEntries) {
        if (name == entry) return true;
    }
    return false;
}

bool PlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\\') == std::string::npos;
}

std::string FolderOf(const std::string& fileName) {
    std::size_t slash = fileName.rfind('/');
    return slash == std::string::npos ? "./" : fileName.substr(0, slash + 1);
}

bool ReadScenario(const std::string& fileName, TScenario& scenario, std::string& error) {
    scenario = TScenario();
    scenario.FileName = fileName;
    std::string folder = FolderOf(fileName);
    scenario.CentreFolder = folder + "centre/";
    scenario.LogFile = folder + "caller.log";
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
        error = fileName + ": cannot be read";
        return false;
    }
    std::string line, section;
    int number = 0;
    auto fail = [&](const std::string& what) {
        error = fileName + " line " + std::to_string(number) + ": " + what;
        return false;
    };
    while (std::getline(in, line)) {
        ++number;
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            if (line.back() != ']') return fail("section \"" + line + "\" lacks its ']'");
            section = Lower(Trim(line.substr(1, line.size() - 2)));
            if (section != "modem" && section != "line" && section != "centre" && section != "log" &&
                section != "delay" && section != "fail" && section != "hold" && section != "nofile") {
                return fail("unknown section [" + line.substr(1, line.size() - 2) + "]");
            }
            continue;
        }
        std::size_t equals = line.find('=');
        if (equals == std::string::npos) return fail("\"" + line + "\" is not key=value");
        if (section.empty()) return fail("\"" + line + "\" stands before any section");
        std::string key = Trim(line.substr(0, equals));
        std::string lowerKey = Lower(key);
        std::string value = Trim(line.substr(equals + 1));
        auto badValue = [&](const std::string& expected) {
            return fail("[" + section + "] " + key + " = \"" + value + "\" is not " + expected);
        };
        if (section == "modem" && (lowerKey == "ports" || lowerKey == "modem")) {
            if (!ParsePorts(value, lowerKey == "ports" ? scenario.Ports : scenario.Modems))
                return badValue("a list of ports 1 to 8");
        } else if (section == "line" && lowerKey == "busy") {
            if (!ParseCount(value, 1000000, scenario.Busy)) return badValue("a count");
        } else if (section == "centre" && lowerKey == "folder") {
            if (value.empty()) return badValue("a folder");
            scenario.CentreFolder = Resolve(folder, value);
            if (scenario.CentreFolder.back() != '/') scenario.CentreFolder += '/';
        } else if (section == "centre" && lowerKey == "tickms") {
            if (!ParseCount(value, 60000, scenario.TickMs)) return badValue("milliseconds up to 60000");
        } else if (section == "log" && lowerKey == "file") {
            if (value.empty()) return badValue("a file name");
            scenario.LogFile = Resolve(folder, value);
        } else if (section == "delay" || section == "fail" || section == "hold" || section == "nofile") {
            int call = 0;
            bool ok = false;
            std::string entry = CanonicalEntry(key, call, ok);
            if (!ok) return fail("\"" + key + "\" is not an entry name with an optional call number");
            std::string name = call ? entry + "." + std::to_string(call) : entry;
            int parsed = 0;
            if (section == "hold") {
                // The gate lives beside the scenario: nothing outside its folder is touched.
                if (!PlainFileName(value)) return badValue("a plain file name");
                scenario.Holds[name] = value;
            } else if (section == "nofile") {
                if (entry != "Dir" && entry != "ReceiveFile")
                    return fail("\"" + key + "\" writes no local file; only Dir and ReceiveFile do");
                if (!ParseCount(value, 2, parsed)) return badValue("0, 1 or 2");
                scenario.NoFiles[name] = parsed;
            } else if (section == "delay") {
                if (!ParseCount(value, 1000000, parsed)) return badValue("a count of ticks");
                scenario.Delays[name] = parsed;
            } else {
                // Codes are the library's own, never negative.
                if (!ParseCount(value, INT_MAX, parsed)) return badValue("a result code");
                scenario.Failures[name] = parsed;
            }
        } else {
            return fail("unknown key \"" + key + "\" in [" + section + "]");
        }
    }
    return true;
}

}  // namespace linklib
