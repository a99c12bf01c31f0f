#include "components/Placemnt.h"

#include <algorithm>

#include "components/AppUtils.h"
#include "platform/classes/ClassRegistry.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Forms.h"

namespace {
const char* const KeyFormVersion = "FormVersion";
const char* const KeyVisible = "Visible";
const char* const KeyActiveControl = "ActiveControl";
}  // namespace

const TEnumType& EnumTypeInfo(TPlacementOption) {
    static const TEnumType t{"TPlacementOption", {"fpState", "fpPosition", "fpActiveControl"}};
    return t;
}

const TEnumType& EnumTypeInfo(TPlacementRegRoot) {
    static const TEnumType t{"TPlacementRegRoot", {"prCurrentUser", "prLocalMachine", "prCurrentConfig",
                                                   "prClassesRoot", "prUsers", "prDynData"}};
    return t;
}

// --- TWinMinMaxInfo -------------------------------------------------------------

void TWinMinMaxInfo::Assign(TPersistent* Source) {
    if (auto* other = dynamic_cast<TWinMinMaxInfo*>(Source)) {
        std::copy(std::begin(other->FValues), std::end(other->FValues), std::begin(FValues));
        if (FOwner) FOwner->MinMaxInfoChanged();
        return;
    }
    TPersistent::Assign(Source);
}

bool TWinMinMaxInfo::DefaultMinMaxInfo() const {
    return std::all_of(std::begin(FValues), std::end(FValues), [](Integer v) { return v == 0; });
}

void TWinMinMaxInfo::SetValue(int Index, Integer Value) {
    if (FValues[Index] == Value) return;
    FValues[Index] = Value;
    if (FOwner) FOwner->MinMaxInfoChanged();
}

// --- TIniLink ----------------------------------------------------------------------

TIniLink::~TIniLink() { SetIniObject(nullptr); }

void TIniLink::SetIniObject(TFormPlacement* Value) {
    if (FIniObject == Value) return;
    if (FIniObject) FIniObject->RemoveLink(this);
    if (Value) Value->AddLink(this);
}

TIniFile* TIniLink::SettingsObject() const { return FIniObject ? FIniObject->IniFileObject() : nullptr; }

AnsiString TIniLink::SectionPrefix() const {
    if (!FIniObject || FIniObject->IniSectionValue().empty()) return "";
    return FIniObject->IniSectionValue() + "\\";
}

// --- TFormPlacement -------------------------------------------------------------

// Opens the settings file for one save, restore or value access, unless one
// is already open (a value access inside OnSavePlacement uses that one).
struct TFormPlacement::TOpenScope {
    explicit TOpenScope(TFormPlacement* p) : P(p), Opened(!p->FIniFile) {
        if (Opened) P->OpenSettings();
    }
    ~TOpenScope() {
        if (Opened) P->CloseSettings();
    }
    TOpenScope(const TOpenScope&) = delete;
    TOpenScope& operator=(const TOpenScope&) = delete;
    TFormPlacement* P;
    bool Opened;
};

TFormPlacement::TFormPlacement(TComponent* AOwner)
    : TComponent(AOwner), FMinMaxInfo(std::make_unique<TWinMinMaxInfo>(this)) {
    if (dynamic_cast<TForm*>(AOwner)) FOptions = TPlacementOptions{fpState, fpPosition};
}

TFormPlacement::~TFormPlacement() {
    CloseSettings();
    for (TIniLink* link : FLinks) link->FIniObject = nullptr;
    FLinks.clear();
    // While the form itself is being destroyed its events and window
    // procedure are already gone: nothing to give back then.
    if (Owner() && !Owner()->ComponentState().Contains(csDestroying)) {
        SetHook(false);
        UnhookForm();
    }
}

TForm* TFormPlacement::Form() const {
    if (!Owner() || Owner()->ComponentState().Contains(csDestroying)) return nullptr;
    return dynamic_cast<TForm*>(Owner());
}

AnsiString TFormPlacement::IniFileName() const {
    if (!FIniFileName.empty() || ComponentState().Contains(csDesigning)) return FIniFileName;
    return FUseRegistry ? DefaultRegistryKey() : DefaultIniFileName();
}

AnsiString TFormPlacement::IniSection() const {
    if (!FIniSection.empty() || ComponentState().Contains(csDesigning)) return FIniSection;
    return DefaultSectionName(Owner());
}

void TFormPlacement::SetMinMaxInfo(TWinMinMaxInfo* Value) {
    if (Value && Value != FMinMaxInfo.get()) FMinMaxInfo->Assign(Value);
}

void TFormPlacement::OpenSettings() {
    // Nothing on this system stands in for a registry; every window of both
    // programs keeps its settings in a file.
    if (FUseRegistry) throw EInvalidOperation("Settings in the registry are not available on this system");
    FIniFile = std::make_unique<TIniFile>(SettingsFilePath(IniFileName()));
}

void TFormPlacement::CloseSettings() { FIniFile.reset(); }

void TFormPlacement::AddLink(TIniLink* Link) {
    FLinks.push_back(Link);
    Link->FIniObject = this;
}

void TFormPlacement::RemoveLink(TIniLink* Link) {
    FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), Link), FLinks.end());
    Link->FIniObject = nullptr;
}

void TFormPlacement::CallLinks(bool Save) {
    const std::vector<TIniLink*> links = FLinks;
    for (TIniLink* link : links) {
        if (std::find(FLinks.begin(), FLinks.end(), link) == FLinks.end()) continue;
        if (TNotifyEvent handler = Save ? link->OnSave : link->OnLoad) handler(link);
    }
}

void TFormPlacement::Loaded() {
    TComponent::Loaded();
    if (ComponentState().Contains(csDesigning)) return;
    HookForm();
}

void TFormPlacement::HookForm() {
    TForm* form = Form();
    if (!form || FHooked) return;
    FSaveFormShow = form->OnShow;
    FSaveFormCloseQuery = form->OnCloseQuery;
    FSaveFormDestroy = form->OnDestroy;
    form->OnShow = [this](TObject* Sender) { FormShow(Sender); };
    form->OnCloseQuery = [this](TObject* Sender, bool& CanClose) { FormCloseQuery(Sender, CanClose); };
    form->OnDestroy = [this](TObject* Sender) { FormDestroy(Sender); };
    FHooked = true;
    FDefMaximize = form->BorderIcons().Contains(biMaximize);
    if (FPreventResize) UpdatePreventResize();
    UpdateWindowHook();
}

void TFormPlacement::UnhookForm() {
    TForm* form = Form();
    if (!form || !FHooked) return;
    form->OnShow = FSaveFormShow;
    form->OnCloseQuery = FSaveFormCloseQuery;
    form->OnDestroy = FSaveFormDestroy;
    FHooked = false;
}

void TFormPlacement::FormShow(TObject* Sender) {
    if (FActive) {
        try {
            RestoreSettings();
        } catch (...) {
            Application->HandleException(this);
        }
    }
    if (TNotifyEvent handler = FSaveFormShow) handler(Sender);
}

void TFormPlacement::FormCloseQuery(TObject* Sender, bool& CanClose) {
    if (TCloseQueryEvent handler = FSaveFormCloseQuery) handler(Sender, CanClose);
    if (CanClose && FActive && Form()) {
        try {
            SaveSettings();
        } catch (...) {
            Application->HandleException(this);
        }
    }
}

void TFormPlacement::FormDestroy(TObject* Sender) {
    if (FActive && !FSaved) {
        FDestroying = true;
        try {
            SaveSettings();
        } catch (...) {
            Application->HandleException(this);
        }
        FDestroying = false;
    }
    if (TNotifyEvent handler = FSaveFormDestroy) handler(Sender);
}

void TFormPlacement::SaveSettings() {
    // A window that never read its settings must not overwrite them.
    if (FActive && !FRestored) return;
    TOpenScope scope(this);
    const AnsiString section = IniSection();
    TIniFile* ini = FIniFile.get();
    // The window's keys, its links' and its handler's land together: a save
    // cut short, by an error or a kill, leaves the file as it was.
    TIniFileBatch batch(ini->FileName());
    SettingsWriteInteger(ini, section, KeyFormVersion, FVersion);
    TForm* form = Form();
    if (form && (FOptions.Contains(fpState) || FOptions.Contains(fpPosition))) {
        SaveWindowPlacement(form, ini, section);
        ini->WriteBool(section, KeyVisible, FDestroying);
    }
    if (form && FOptions.Contains(fpActiveControl) && form->ActiveControl())
        SettingsWriteString(ini, section, KeyActiveControl, form->ActiveControl()->Name());
    CallLinks(true);
    SavePlacementExtra();
    if (TNotifyEvent handler = OnSavePlacement) handler(this);
    batch.Commit();
    FSaved = true;
}

void TFormPlacement::RestoreSettings() {
    FSaved = false;
    {
        TOpenScope scope(this);
        const AnsiString section = IniSection();
        TIniFile* ini = FIniFile.get();
        if (SettingsReadInteger(ini, section, KeyFormVersion, 0) >= FVersion) {
            TForm* form = Form();
            if (form)
                LoadWindowPlacement(form, ini, section, FOptions.Contains(fpPosition), FOptions.Contains(fpState));
            CallLinks(false);
            RestorePlacementExtra();
            FRestored = true;
            if (TNotifyEvent handler = OnRestorePlacement) handler(this);
            if (form && FOptions.Contains(fpActiveControl)) {
                const AnsiString name = SettingsReadString(ini, section, KeyActiveControl, "");
                if (auto* control = dynamic_cast<TWinControl*>(form->FindComponent(name));
                    control && control->CanFocus())
                    form->SetActiveControl(control);
            }
        }
        FRestored = true;
    }
    AdjustMaxPosition();
}

AnsiString TFormPlacement::ReadStringValue(const AnsiString& Key, const AnsiString& Default) {
    TOpenScope scope(this);
    return SettingsReadString(FIniFile.get(), IniSection(), Key, Default);
}

void TFormPlacement::WriteStringValue(const AnsiString& Key, const AnsiString& Value) {
    TOpenScope scope(this);
    SettingsWriteString(FIniFile.get(), IniSection(), Key, Value);
}

Integer TFormPlacement::ReadIntegerValue(const AnsiString& Key, Integer Default) {
    TOpenScope scope(this);
    return SettingsReadInteger(FIniFile.get(), IniSection(), Key, Default);
}

void TFormPlacement::WriteIntegerValue(const AnsiString& Key, Integer Value) {
    TOpenScope scope(this);
    SettingsWriteInteger(FIniFile.get(), IniSection(), Key, Value);
}

// --- Size limits --------------------------------------------------------------------

void TFormPlacement::SetPreventResize(bool Value) {
    if (FPreventResize == Value) return;
    FPreventResize = Value;
    if (!Form() || ComponentState().Contains(csLoading)) return;
    AdjustMaxPosition();
    if (Value) FDefMaximize = Form()->BorderIcons().Contains(biMaximize);
    UpdatePreventResize();
    UpdateWindowHook();
}

void TFormPlacement::UpdatePreventResize() {
    TForm* form = Form();
    if (!form || ComponentState().Contains(csDesigning)) return;
    const bool active = FActive;
    FActive = false;
    TBorderIcons icons = form->BorderIcons();
    if (FPreventResize || !FDefMaximize || form->BorderStyle() == bsDialog)
        icons.Exclude(biMaximize);
    else
        icons.Include(biMaximize);
    form->SetBorderIcons(icons);
    FActive = active;
}

void TFormPlacement::MinMaxInfoChanged() {
    AdjustMaxPosition();
    if (!ComponentState().Contains(csLoading)) UpdateWindowHook();
}

namespace {

// The frame each border style puts around a window, in the classic widths
// stored placements count with (thin border 1, dialog frame 3, sizing frame
// 4 pixels): a maximized window has it just off the screen.
TPoint FrameSize(TFormBorderStyle Style) {
    switch (Style) {
    case bsSingle:
    case bsToolWindow: return TPoint{1, 1};
    case bsSizeable:
    case bsSizeToolWin: return TPoint{4, 4};
    case bsDialog: return TPoint{3, 3};
    default: return TPoint{0, 0};
    }
}

}  // namespace

void TFormPlacement::AdjustMaxPosition() {
    TForm* form = Form();
    if (!form || FPreventResize || !FMinMaxInfo->DefaultMinMaxInfo()) return;
    if (ComponentState().Contains(csLoading) || form->ComponentState().Contains(csLoading)) return;
    TWindowPlacement placement = form->GetWindowPlacement();
    if (!form->Visible()) placement.showCmd = SW_HIDE;
    const TPoint frame = FrameSize(form->BorderStyle());
    placement.ptMaxPosition = TPoint{-frame.x, -frame.y};
    form->SetWindowPlacement(placement);
}

void TFormPlacement::UpdateWindowHook() {
    if (!FHooked) return;
    SetHook(FPreventResize || !FMinMaxInfo->DefaultMinMaxInfo());
    if (TForm* form = Form()) form->RefreshSizeLimits();
}

void TFormPlacement::SetHook(bool Value) {
    TForm* form = Form();
    if (!form || Value == FWinHooked) return;
    if (!FWinHook) {
        FWinHook = std::make_unique<TVmWindowHook>(nullptr);
        FWinHook->AfterMessage = [this](TObject*, TMessage& Message, bool&) { HookMessage(Message); };
    }
    FWinHook->SetActive(Value);
    FWinHook->SetWinControl(form);
    FWinHooked = Value;
}

void TFormPlacement::HookMessage(TMessage& Message) {
    if (Message.Msg != WM_GETMINMAXINFO || !Message.LParam) return;
    TForm* form = Form();
    if (!form) return;
    auto* info = reinterpret_cast<TMinMaxInfo*>(Message.LParam);
    if (FPreventResize) {
        if (form->Visible()) {
            info->ptMinTrackSize = TPoint{form->Width(), form->Height()};
            info->ptMaxTrackSize = TPoint{form->Width(), form->Height()};
        }
        Message.Result = 1;
        return;
    }
    const TWinMinMaxInfo& m = *FMinMaxInfo;
    if (m.DefaultMinMaxInfo()) {
        info->ptMaxPosition = TPoint{0, 0};
    } else {
        if (m.MinTrackWidth()) info->ptMinTrackSize.x = m.MinTrackWidth();
        if (m.MinTrackHeight()) info->ptMinTrackSize.y = m.MinTrackHeight();
        if (m.MaxTrackWidth()) info->ptMaxTrackSize.x = m.MaxTrackWidth();
        if (m.MaxTrackHeight()) info->ptMaxTrackSize.y = m.MaxTrackHeight();
        if (m.MaxSizeWidth()) info->ptMaxSize.x = m.MaxSizeWidth();
        if (m.MaxSizeHeight()) info->ptMaxSize.y = m.MaxSizeHeight();
        if (m.MaxPosLeft()) info->ptMaxPosition.x = m.MaxPosLeft();
        if (m.MaxPosTop()) info->ptMaxPosition.y = m.MaxPosTop();
    }
    Message.Result = 1;
}

// --- TFormStorage ----------------------------------------------------------------------

TFormStorage::TFormStorage(TComponent* AOwner)
    : TFormPlacement(AOwner),
      FStoredProps(std::make_unique<TStringList>()),
      FStoredValues(std::make_unique<TStoredValues>(this)) {}

TFormStorage::~TFormStorage() = default;

void TFormStorage::SetStoredProps(TStrings* Value) {
    if (Value) FStoredProps->Assign(Value);
    if (!ComponentState().Contains(csLoading)) ResolveStoredProps();
}

void TFormStorage::Loaded() {
    TFormPlacement::Loaded();
    if (!ComponentState().Contains(csDesigning)) ResolveStoredProps();
}

void TFormStorage::ResolveStoredProps() {
    TComponent* form = Owner();
    for (int i = FStoredProps->Count() - 1; i >= 0; --i) {
        const AnsiString line = FStoredProps->Strings(i);
        const auto dot = line.find('.');
        const AnsiString componentName = dot == AnsiString::npos ? AnsiString() : Trim(line.substr(0, dot));
        const AnsiString propName = dot == AnsiString::npos ? AnsiString() : Trim(line.substr(dot + 1));
        TComponent* component = (form && !componentName.empty() && !propName.empty())
                                    ? form->FindComponent(componentName)
                                    : nullptr;
        if (!component) {
            FStoredProps->Delete(i);
            continue;
        }
        FStoredProps->SetObjects(i, component);
        FreeNotification(component);
    }
}

void TFormStorage::Notification(TComponent* AComponent, TOperation Operation) {
    TFormPlacement::Notification(AComponent, Operation);
    if (Operation != opRemove || !AComponent || !FStoredProps) return;
    for (int i = FStoredProps->Count() - 1; i >= 0; --i)
        if (FStoredProps->Objects(i) == AComponent) FStoredProps->Delete(i);
}

std::unique_ptr<TPropsStorage> TFormStorage::MakePropsStorage() {
    auto storage = std::make_unique<TPropsStorage>();
    storage->AOwner = Owner();
    storage->Section = IniSection();
    storage->OnReadString = [this](const AnsiString& Section, const AnsiString& Key, const AnsiString& Default) {
        return SettingsReadString(IniFileObject(), Section, Key, Default);
    };
    storage->OnWriteString = [this](const AnsiString& Section, const AnsiString& Key, const AnsiString& Value) {
        SettingsWriteString(IniFileObject(), Section, Key, Value);
    };
    storage->OnEraseSection = [this](const AnsiString& Section) { SettingsEraseSection(IniFileObject(), Section); };
    return storage;
}

void TFormStorage::SavePlacementExtra() {
    MakePropsStorage()->StoreObjectsProps(FStoredProps.get());
    FStoredValues->SaveValues(
        [this](const AnsiString& Key, const AnsiString& Value) { WriteStringValue(Key, Value); });
}

void TFormStorage::RestorePlacementExtra() {
    SetRestored();
    try {
        MakePropsStorage()->LoadObjectsProps(FStoredProps.get());
    } catch (...) {
        // The stored properties are a convenience; the window opens anyway.
    }
    FStoredValues->RestoreValues(
        [this](const AnsiString& Key, const AnsiString& Default) { return ReadStringValue(Key, Default); });
}

// --- Published properties -------------------------------------------------------------

VEMLOR_PUBLISHED(TWinMinMaxInfo, TPersistent) {
    Prop("MaxPosLeft", &TWinMinMaxInfo::MaxPosLeft, &TWinMinMaxInfo::SetMaxPosLeft);
    Prop("MaxPosTop", &TWinMinMaxInfo::MaxPosTop, &TWinMinMaxInfo::SetMaxPosTop);
    Prop("MaxSizeHeight", &TWinMinMaxInfo::MaxSizeHeight, &TWinMinMaxInfo::SetMaxSizeHeight);
    Prop("MaxSizeWidth", &TWinMinMaxInfo::MaxSizeWidth, &TWinMinMaxInfo::SetMaxSizeWidth);
    Prop("MaxTrackHeight", &TWinMinMaxInfo::MaxTrackHeight, &TWinMinMaxInfo::SetMaxTrackHeight);
    Prop("MaxTrackWidth", &TWinMinMaxInfo::MaxTrackWidth, &TWinMinMaxInfo::SetMaxTrackWidth);
    Prop("MinTrackHeight", &TWinMinMaxInfo::MinTrackHeight, &TWinMinMaxInfo::SetMinTrackHeight);
    Prop("MinTrackWidth", &TWinMinMaxInfo::MinTrackWidth, &TWinMinMaxInfo::SetMinTrackWidth);
}
VEMLOR_REGISTER_CLASS(TWinMinMaxInfo);

VEMLOR_PUBLISHED(TFormPlacement, TComponent) {
    Prop("Active", &TFormPlacement::Active, &TFormPlacement::SetActive);
    Prop("IniFileName", &TFormPlacement::IniFileName, &TFormPlacement::SetIniFileName);
    Prop("IniSection", &TFormPlacement::IniSection, &TFormPlacement::SetIniSection);
    Prop("MinMaxInfo", &TFormPlacement::MinMaxInfo, &TFormPlacement::SetMinMaxInfo);
    Prop("Options", &TFormPlacement::Options, &TFormPlacement::SetOptions);
    Prop("PreventResize", &TFormPlacement::PreventResize, &TFormPlacement::SetPreventResize);
    Prop("RegistryRoot", &TFormPlacement::RegistryRoot, &TFormPlacement::SetRegistryRoot);
    Prop("UseRegistry", &TFormPlacement::UseRegistry, &TFormPlacement::SetUseRegistry);
    Prop("Version", &TFormPlacement::Version, &TFormPlacement::SetVersion);
    EventProp("OnSavePlacement", &TFormPlacement::OnSavePlacement);
    EventProp("OnRestorePlacement", &TFormPlacement::OnRestorePlacement);
}
VEMLOR_REGISTER_CLASS(TFormPlacement);

VEMLOR_PUBLISHED(TFormStorage, TFormPlacement) {
    Prop("StoredProps", &TFormStorage::StoredProps, &TFormStorage::SetStoredProps);
    Prop("StoredValues", &TFormStorage::StoredValues);
}
VEMLOR_REGISTER_CLASS(TFormStorage);
