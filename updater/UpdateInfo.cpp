#include "updater/UpdateInfo.h"

#include "platform/rtl/SysUtils.h"

namespace {

AnsiString Unquote(const AnsiString& S) {
    if (S.size() >= 2 && (S.front() == '"' || S.front() == '\'') && S.back() == S.front())
        return S.substr(1, S.size() - 2);
    return S;
}

}  // namespace

bool TUpdateDescription::Parse(const AnsiString& Bytes) {
    FSections.clear();
    FError.clear();
    auto refuse = [this](const AnsiString& Reason) {
        FSections.clear();
        FError = Reason;
        return false;
    };
    if (Bytes.size() > kMaxDescription)
        return refuse(Format("The update description has %d bytes, more than the %d allowed",
                             static_cast<Int64>(Bytes.size()), static_cast<Int64>(kMaxDescription)));
    if (Bytes.find('\0') != AnsiString::npos)
        return refuse(Format("The update description holds a zero byte at offset %d",
                             static_cast<Int64>(Bytes.find('\0'))));
    TSection* current = nullptr;
    std::size_t start = 0;
    int lineNo = 0;
    while (start < Bytes.size()) {
        std::size_t end = Bytes.find('\n', start);
        if (end == AnsiString::npos) end = Bytes.size();
        ++lineNo;
        if (end - start > kMaxDescriptionLine)
            return refuse(Format("Line %d of the update description is longer than %d bytes", lineNo,
                                 static_cast<Int64>(kMaxDescriptionLine)));
        const AnsiString line = Trim(Bytes.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            const std::size_t close = line.find(']');
            if (close == AnsiString::npos) continue;
            const AnsiString name = Trim(line.substr(1, close - 1));
            current = nullptr;
            for (TSection& s : FSections)
                if (SameText(s.Name, name)) current = &s;
            if (!current) {
                if (FSections.size() >= kMaxSections)
                    return refuse(Format("The update description has more than %d sections",
                                         static_cast<Int64>(kMaxSections)));
                FSections.push_back({name, {}});
                current = &FSections.back();
            }
            continue;
        }
        const std::size_t eq = line.find('=');
        if (!current || eq == AnsiString::npos) continue;
        current->Pairs.emplace_back(Trim(line.substr(0, eq)), Unquote(Trim(line.substr(eq + 1))));
    }
    return true;
}

std::vector<AnsiString> TUpdateDescription::Sections() const {
    std::vector<AnsiString> names;
    for (const TSection& s : FSections) names.push_back(s.Name);
    return names;
}

const TUpdateDescription::TSection* TUpdateDescription::Find(const AnsiString& Section) const {
    for (const TSection& s : FSections)
        if (SameText(s.Name, Section)) return &s;
    return nullptr;
}

bool TUpdateDescription::SectionExists(const AnsiString& Section) const { return Find(Section) != nullptr; }

AnsiString TUpdateDescription::ReadString(const AnsiString& Section, const AnsiString& Key,
                                          const AnsiString& Default) const {
    if (const TSection* s = Find(Section))
        for (const auto& [key, value] : s->Pairs)
            if (SameText(key, Key)) return value;
    return Default;
}

Integer TUpdateDescription::ReadInteger(const AnsiString& Section, const AnsiString& Key, Integer Default) const {
    Integer value = 0;
    return TryStrToInt(ReadString(Section, Key, ""), value) ? value : Default;
}

std::vector<AnsiString> TUpdateDescription::SectionValues(const AnsiString& Section) const {
    std::vector<AnsiString> values;
    if (const TSection* s = Find(Section))
        for (const auto& pair : s->Pairs) values.push_back(pair.second);
    return values;
}

double ParseVersion(const AnsiString& Text) {
    double value = 0;
    return TryStrToFloat(Text, value) ? value : 1.0;
}

TUpdatePackage ReadPackage(const TUpdateDescription& Description, const AnsiString& Section) {
    TUpdatePackage p;
    p.Name = Section;
    p.Size = Description.ReadInteger(Section, "Size", 0);
    p.Version = Description.ReadString(Section, "Version", "");
    p.FileName = Description.ReadString(Section, "FileName", "");
    p.Exclusive = Description.ReadInteger(Section, "Exclusive", 0) != 0;
    p.Run = Description.ReadInteger(Section, "Run", 0) != 0;
    p.Params = Description.ReadString(Section, "Params", "");
    p.OutputDir = Description.ReadString(Section, "OutputDir", "");
    return p;
}

bool IsPlainFileName(const AnsiString& Name) {
    if (Name.empty() || Name == "." || Name == "..") return false;
    for (const char c : Name)
        if (c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < ' ') return false;
    return true;
}

bool IsSafeOutputDir(const AnsiString& Folder) {
    if (Folder.empty()) return true;
    if (Folder[0] == '/' || Folder[0] == '\\' || Folder.find(':') != AnsiString::npos) return false;
    std::size_t start = 0;
    while (start <= Folder.size()) {
        std::size_t end = Folder.find_first_of("/\\", start);
        if (end == AnsiString::npos) end = Folder.size();
        const AnsiString part = Folder.substr(start, end - start);
        if (part == "..") return false;
        for (const char c : part)
            if (static_cast<unsigned char>(c) < ' ') return false;
        start = end + 1;
    }
    return true;
}

TUpdatePlan PlanUpdate(const TUpdateDescription& Description,
                       const std::function<AnsiString(const AnsiString&)>& InstalledVersion) {
    TUpdatePlan plan;
    plan.MainURL = Description.ReadString("Setup", "MainURL", "");
    for (const AnsiString& section : Description.Sections()) {
        if (section == "Setup" || section.rfind("Info", 0) == 0) continue;
        const double remote = ParseVersion(Description.ReadString(section, "Version", ""));
        const double local = ParseVersion(InstalledVersion(section));
        if (local >= remote) continue;
        bool first = true;
        for (const AnsiString& value : Description.SectionValues("Info" + section)) {
            plan.Lines.push_back(first ? value + Format(" (%0.2f)", remote) : value);
            first = false;
        }
        if (!first) plan.Lines.push_back("");
        if (Description.ReadInteger(section, "Exclusive", 0) != 0) {
            plan.Queue.assign(1, section);
            break;
        }
        plan.Queue.push_back(section);
    }
    return plan;
}

AnsiString JoinUrl(const AnsiString& Base, const AnsiString& Name) {
    if (Base.empty() || Base.back() == '/') return Base + Name;
    return Base + "/" + Name;
}
