#pragma once
// A window's placement and settings in one section of the settings file.
// TFormPlacement sits on a form: it restores the form's position and state
// every time the form is shown and saves them when the form closes or is
// destroyed; TFormStorage also keeps the properties its StoredProps lines name
// and its StoredValues. Grids and check lists keep their own layout in the
// same file through a TIniLink during the same save and restore.
//
// The storage takes over the form's OnShow, OnCloseQuery and OnDestroy (and
// calls the form's own handlers) when the form's load cycle ends, so a form
// built in code assigns its handlers between BeginLoading and EndLoading:
//
//   BeginLoading();
//   Storage = new TFormStorage(this); ... OnShow = ...;
//   EndLoading();
//
// The settings file is opened for one save, one restore or one value access
// and closed again. A save replaces the file once, with everything it wrote;
// a single value written outside a save reaches the file at once.

#include <memory>
#include <vector>

#include "components/VmHook.h"
#include "components/VmProps.h"
#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/classes/Set.h"
#include "platform/classes/TypInfo.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/Forms.h"

class TForm;
class TIniFile;
class TFormPlacement;
struct TMessage;

enum TPlacementOption { fpState, fpPosition, fpActiveControl };
using TPlacementOptions = TSet<TPlacementOption>;
const TEnumType& EnumTypeInfo(TPlacementOption);

enum TPlacementRegRoot { prCurrentUser, prLocalMachine, prCurrentConfig, prClassesRoot, prUsers, prDynData };
const TEnumType& EnumTypeInfo(TPlacementRegRoot);

// Size limits of the window; all eight 0 means "not set".
class TWinMinMaxInfo : public TPersistent {
public:
    explicit TWinMinMaxInfo(TFormPlacement* Owner = nullptr) : FOwner(Owner) {}

    void Assign(TPersistent* Source) override;
    bool DefaultMinMaxInfo() const;

    Integer MaxPosLeft() const { return FValues[0]; }
    Integer MaxPosTop() const { return FValues[1]; }
    Integer MaxSizeHeight() const { return FValues[2]; }
    Integer MaxSizeWidth() const { return FValues[3]; }
    Integer MaxTrackHeight() const { return FValues[4]; }
    Integer MaxTrackWidth() const { return FValues[5]; }
    Integer MinTrackHeight() const { return FValues[6]; }
    Integer MinTrackWidth() const { return FValues[7]; }
    void SetMaxPosLeft(Integer Value) { SetValue(0, Value); }
    void SetMaxPosTop(Integer Value) { SetValue(1, Value); }
    void SetMaxSizeHeight(Integer Value) { SetValue(2, Value); }
    void SetMaxSizeWidth(Integer Value) { SetValue(3, Value); }
    void SetMaxTrackHeight(Integer Value) { SetValue(4, Value); }
    void SetMaxTrackWidth(Integer Value) { SetValue(5, Value); }
    void SetMinTrackHeight(Integer Value) { SetValue(6, Value); }
    void SetMinTrackWidth(Integer Value) { SetValue(7, Value); }

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    void SetValue(int Index, Integer Value);
    TFormPlacement* FOwner;
    Integer FValues[8] = {};
};

// A grid's or list's share of the storage's save and restore.
class TIniLink : public TPersistent {
public:
    TIniLink() = default;
    ~TIniLink() override;
    TIniLink(const TIniLink&) = delete;
    TIniLink& operator=(const TIniLink&) = delete;

    TFormPlacement* IniObject() const { return FIniObject; }
    // Leaves the old storage and joins the new one at the end of its links.
    void SetIniObject(TFormPlacement* Value);
    // The storage's open settings file; nullptr outside a save or restore.
    TIniFile* SettingsObject() const;
    // The storage's IniSection as set (not the default) and "\", or empty.
    AnsiString SectionPrefix() const;

    TNotifyEvent OnSave;
    TNotifyEvent OnLoad;

private:
    friend class TFormPlacement;
    TFormPlacement* FIniObject = nullptr;
};

class TFormPlacement : public TComponent {
public:
    explicit TFormPlacement(TComponent* AOwner);
    ~TFormPlacement() override;

    bool Active() const { return FActive; }
    void SetActive(bool Value) { FActive = Value; }
    // Empty reads as DefaultIniFileName (DefaultRegistryKey with UseRegistry).
    AnsiString IniFileName() const;
    void SetIniFileName(const AnsiString& Value) { FIniFileName = Value; }
    // Empty reads as the owner's DefaultSectionName.
    AnsiString IniSection() const;
    void SetIniSection(const AnsiString& Value) { FIniSection = Value; }
    const AnsiString& IniSectionValue() const { return FIniSection; }
    TWinMinMaxInfo* MinMaxInfo() const { return FMinMaxInfo.get(); }
    void SetMinMaxInfo(TWinMinMaxInfo* Value);
    TPlacementOptions Options() const { return FOptions; }
    void SetOptions(TPlacementOptions Value) { FOptions = Value; }
    bool PreventResize() const { return FPreventResize; }
    void SetPreventResize(bool Value);
    TPlacementRegRoot RegistryRoot() const { return FRegistryRoot; }
    void SetRegistryRoot(TPlacementRegRoot Value) { FRegistryRoot = Value; }
    bool UseRegistry() const { return FUseRegistry; }
    void SetUseRegistry(bool Value) { FUseRegistry = Value; }
    Integer Version() const { return FVersion; }
    void SetVersion(Integer Value) { FVersion = Value; }

    TNotifyEvent OnSavePlacement;
    TNotifyEvent OnRestorePlacement;

    void SaveSettings();
    void RestoreSettings();

    // One value in the placement's section: inside a save or restore through
    // its open file, otherwise the file is opened for the one call.
    AnsiString ReadStringValue(const AnsiString& Key, const AnsiString& Default);
    void WriteStringValue(const AnsiString& Key, const AnsiString& Value);
    Integer ReadIntegerValue(const AnsiString& Key, Integer Default);
    void WriteIntegerValue(const AnsiString& Key, Integer Value);

    // The open settings file, nullptr between saves and restores.
    TIniFile* IniFileObject() const { return FIniFile.get(); }

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void Loaded() override;
    TForm* Form() const;
    // The stored properties and values of TFormStorage.
    virtual void SavePlacementExtra() {}
    virtual void RestorePlacementExtra() {}
    void SetRestored() { FRestored = true; }

private:
    friend class TIniLink;
    friend class TWinMinMaxInfo;
    struct TOpenScope;

    void HookForm();
    void UnhookForm();
    void FormShow(TObject* Sender);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormDestroy(TObject* Sender);
    void UpdatePreventResize();
    // Puts the maximized window's frame just off the screen (the window
    // manager places maximized windows here; the position is kept and saved).
    void AdjustMaxPosition();
    void UpdateWindowHook();
    void SetHook(bool Value);
    void HookMessage(TMessage& Message);
    void MinMaxInfoChanged();
    void OpenSettings();
    void CloseSettings();
    void AddLink(TIniLink* Link);
    void RemoveLink(TIniLink* Link);
    // Each link's save or load handler; a handler may free links.
    void CallLinks(bool Save);

    bool FActive = true;
    AnsiString FIniFileName;
    AnsiString FIniSection;
    std::unique_ptr<TWinMinMaxInfo> FMinMaxInfo;
    TPlacementOptions FOptions;
    bool FPreventResize = false;
    TPlacementRegRoot FRegistryRoot = prCurrentUser;
    bool FUseRegistry = false;
    Integer FVersion = 0;

    std::unique_ptr<TIniFile> FIniFile;
    bool FRestored = false;
    bool FSaved = false;
    bool FDestroying = false;
    bool FHooked = false;
    bool FDefMaximize = true;
    std::vector<TIniLink*> FLinks;
    // The form's own handlers, called from the storage's.
    TNotifyEvent FSaveFormShow;
    TCloseQueryEvent FSaveFormCloseQuery;
    TNotifyEvent FSaveFormDestroy;
    // Answers the form's size-limit question after the form's own procedure.
    std::unique_ptr<TVmWindowHook> FWinHook;
    bool FWinHooked = false;
};

class TFormStorage : public TFormPlacement {
public:
    explicit TFormStorage(TComponent* AOwner);
    ~TFormStorage() override;

    // Lines "Component.Property"; each line's object is the component it names
    // once the form has loaded.
    TStrings* StoredProps() const { return FStoredProps.get(); }
    void SetStoredProps(TStrings* Value);
    TStoredValues* StoredValues() const { return FStoredValues.get(); }

    // Binds the lines to the form's components now (the end of the form's load
    // cycle does it too): lines that name no component are dropped.
    void ResolveStoredProps();

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void SavePlacementExtra() override;
    void RestorePlacementExtra() override;

private:
    std::unique_ptr<TPropsStorage> MakePropsStorage();
    std::unique_ptr<TStringList> FStoredProps;
    std::unique_ptr<TStoredValues> FStoredValues;
};
