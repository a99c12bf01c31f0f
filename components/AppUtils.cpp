#include "components/AppUtils.h"

#include <cstdint>

#include "components/StrUtils.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Forms.h"

namespace {

const char* const KeyFlags = "Flags";
const char* const KeyShowCmd = "ShowCmd";
const char* const KeyPixels = "PixelsPerInch";
const char* const KeyMinMaxPos = "MinMaxPos";
const char* const KeyNormPos = "NormPos";

bool QuotedBothEnds(const AnsiString& s) {
    if (s.empty()) return false;
    const char first = s.front(), last = s.back();
    return (first == '"' && last == '"') || (first == '\'' && last == '\'');
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The suffixed key first; the plain one when that gives nothing.
AnsiString ReadPosition(const TIniFile* settings, const AnsiString& section, const AnsiString& key) {
    AnsiString value = SettingsReadString(settings, section, key + ScreenSizeSuffix(), "");
    if (value.empty()) value = SettingsReadString(settings, section, key, "");
    return value;
}

Integer PosWord(const AnsiString& text, int n, Integer def) {
    static const TCharSet separators{' ', ','};
    return StrToIntDef(Trim(NthWord(n, text, separators)), def);
}

bool IsMainForm(const TForm* form) {
    TForm* main = Application->MainForm();
    return main == nullptr || main == form;
}

}  // namespace

AnsiString DefaultIniFileName() { return ChangeFileExt(ExtractFileName(Application->ExeName()), ".INI"); }

AnsiString DefaultRegistryKey() {
    return "Software\\" + ChangeFileExt(ExtractFileName(Application->ExeName()), "");
}

AnsiString DefaultSectionName(const TComponent* Component) {
    if (!Component) return "";
    if (auto* form = dynamic_cast<const TForm*>(Component)) return form->ClassName();
    if (auto* control = dynamic_cast<const TControl*>(Component)) {
        if (TForm* form = GetParentForm(control); form && form != control)
            return form->ClassName() + control->Name();
        if (control->Parent()) return control->Parent()->Name() + control->Name();
        return control->Name();
    }
    if (auto* owner = dynamic_cast<const TForm*>(Component->Owner()))
        return owner->ClassName() + "." + Component->Name();
    return Component->Name();
}

AnsiString ScreenSizeSuffix() { return Format("(%dx%d)", Screen->Width(), Screen->Height()); }

AnsiString SettingsFilePath(const AnsiString& Name) {
    if (Name.empty() || !ExtractFilePath(Name).empty()) return Name;
    return ProgramFolder() + Name;
}

AnsiString SettingsReadString(const TIniFile* Settings, const AnsiString& Section, const AnsiString& Key,
                              const AnsiString& Default) {
    if (!Settings) return Default;
    return Settings->ReadString(Section, Key, Default);
}

void SettingsWriteString(TIniFile* Settings, const AnsiString& Section, const AnsiString& Key,
                         const AnsiString& Value) {
    if (!Settings) return;
    Settings->WriteString(Section, Key, QuotedBothEnds(Value) ? "\"" + Value + "\"" : Value);
}

Integer SettingsReadInteger(const TIniFile* Settings, const AnsiString& Section, const AnsiString& Key,
                            Integer Default) {
    const AnsiString text = Trim(SettingsReadString(Settings, Section, Key, ""));
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::uint64_t value = 0;
        for (std::size_t i = 2; i < text.size(); ++i) {
            const int digit = HexDigit(text[i]);
            if (digit < 0) return Default;
            value = value * 16 + static_cast<std::uint64_t>(digit);
            if (value > 0xFFFFFFFFu) return Default;
        }
        // Eight digits are a 32-bit pattern (colours are written that way).
        return static_cast<Integer>(static_cast<std::uint32_t>(value));
    }
    return StrToIntDef(text, Default);
}

void SettingsWriteInteger(TIniFile* Settings, const AnsiString& Section, const AnsiString& Key, Integer Value) {
    if (Settings) Settings->WriteString(Section, Key, IntToStr(Value));
}

void SettingsEraseSection(TIniFile* Settings, const AnsiString& Section) {
    if (Settings) Settings->EraseSection(Section);
}

void SaveWindowPlacement(TForm* Form, TIniFile* Settings, const AnsiString& Section) {
    if (!Form || !Settings) return;
    TWindowPlacement placement = Form->GetWindowPlacement();
    if (Form == Application->MainForm() && Application->Minimized()) placement.showCmd = SW_SHOWMINIMIZED;
    if (Form->FormStyle() == fsMDIChild && Form->WindowState() == wsMinimized)
        placement.flags |= WPF_SETMINPOSITION;
    SettingsWriteInteger(Settings, Section, KeyFlags, static_cast<Integer>(placement.flags));
    SettingsWriteInteger(Settings, Section, KeyShowCmd, static_cast<Integer>(placement.showCmd));
    SettingsWriteInteger(Settings, Section, KeyPixels, Screen->PixelsPerInch());
    const AnsiString minMax = Format("%d,%d,%d,%d", placement.ptMinPosition.x, placement.ptMinPosition.y,
                                     placement.ptMaxPosition.x, placement.ptMaxPosition.y);
    const TRect& r = placement.rcNormalPosition;
    const AnsiString norm = Format("%d,%d,%d,%d", r.Left, r.Top, r.Right, r.Bottom);
    SettingsWriteString(Settings, Section, KeyMinMaxPos + ScreenSizeSuffix(), minMax);
    SettingsWriteString(Settings, Section, KeyMinMaxPos, minMax);
    SettingsWriteString(Settings, Section, KeyNormPos + ScreenSizeSuffix(), norm);
    SettingsWriteString(Settings, Section, KeyNormPos, norm);
}

void LoadWindowPlacement(TForm* Form, const TIniFile* Settings, const AnsiString& Section, bool LoadPosition,
                         bool LoadState) {
    if (!Form || (!LoadPosition && !LoadState)) return;
    TWindowPlacement placement = Form->GetWindowPlacement();
    if (!Form->Showing()) placement.showCmd = SW_HIDE;

    if (LoadPosition) {
        placement.flags = static_cast<Cardinal>(
            SettingsReadInteger(Settings, Section, KeyFlags, static_cast<Integer>(placement.flags)));
        const AnsiString minMax = ReadPosition(Settings, Section, KeyMinMaxPos);
        const AnsiString norm = ReadPosition(Settings, Section, KeyNormPos);
        placement.ptMinPosition = TPoint{PosWord(minMax, 1, 0), PosWord(minMax, 2, 0)};
        placement.ptMaxPosition = TPoint{PosWord(minMax, 3, 0), PosWord(minMax, 4, 0)};
        TRect& r = placement.rcNormalPosition;
        r.Left = PosWord(norm, 1, Form->Left());
        r.Top = PosWord(norm, 2, Form->Top());
        r.Right = PosWord(norm, 3, Form->Left() + Form->Width());
        r.Bottom = PosWord(norm, 4, Form->Top() + Form->Height());
        const Integer pixels = SettingsReadInteger(Settings, Section, KeyPixels, Screen->PixelsPerInch());
        // A position written at another pixel density would land elsewhere.
        if ((!minMax.empty() || !norm.empty()) && pixels == Screen->PixelsPerInch()) {
            if (Form->BorderStyle() != bsSizeable && Form->BorderStyle() != bsSizeToolWin)
                r = Rect(r.Left, r.Top, r.Left + Form->Width(), r.Top + Form->Height());
            // An empty or inverted rectangle is damage, not a window size.
            if (r.Left < r.Right && r.Top < r.Bottom) {
                if (Form->Position() == poScreenCenter || Form->Position() == poDesktopCenter)
                    Form->SetPosition(poDesigned);
                Form->SetWindowPlacement(placement);
            }
        }
    }

    if (LoadState) {
        TWindowState state = wsNormal;
        if (IsMainForm(Form) && (Form->FormStyle() == fsMDIForm ||
                                 (Form->FormStyle() == fsNormal && Form->Position() == poDefault)))
            state = wsMaximized;
        switch (SettingsReadInteger(Settings, Section, KeyShowCmd, SW_HIDE)) {
        case SW_SHOWNORMAL:
        case SW_SHOW:
        case SW_RESTORE: state = wsNormal; break;
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
        case SW_SHOWMINNOACTIVE: state = wsMinimized; break;
        case SW_SHOWMAXIMIZED: state = wsMaximized; break;
        default: break;
        }
        if (state == wsMinimized && IsMainForm(Form)) {
            // The main window stays normal and the whole application goes to
            // the task bar once the window is up.
            Form->SetWindowState(wsNormal);
            Application->Post([] { Application->Minimize(); });
            return;
        }
        Form->SetWindowState(state);
    }
    Form->Invalidate();
}
