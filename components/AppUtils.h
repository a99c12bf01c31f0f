#pragma once
// The settings file both programs share ("Vemlor.ini", "update.ini"): default
// names, the value functions every stored layout goes through, and a window's
// placement keys. The settings object is an open TIniFile; the functions that
// take one accept nullptr where a missing object simply means "the default".

#include "platform/rtl/System.h"

class TComponent;
class TForm;
class TIniFile;

// The program file's name with the extension ".INI" and no folder.
AnsiString DefaultIniFileName();
// "Software\" and the program file's base name.
AnsiString DefaultRegistryKey();
// A form: its class name. A control: its parent form's class name directly
// followed by its Name (without a parent form: the parent's Name and its
// own). Anything else: the owner form's class name, "." and its Name when
// owned by a form, else its Name.
AnsiString DefaultSectionName(const TComponent* Component);
// "(1024x768)": the screen size appended to the position keys.
AnsiString ScreenSizeSuffix();
// Where the settings file named Name lives: a name without a folder is in the
// program folder.
AnsiString SettingsFilePath(const AnsiString& Name);

// A value that begins and ends with the same quote is written inside one more
// pair of double quotes, since reading takes one pair away.
AnsiString SettingsReadString(const TIniFile* Settings, const AnsiString& Section, const AnsiString& Key,
                              const AnsiString& Default);
void SettingsWriteString(TIniFile* Settings, const AnsiString& Section, const AnsiString& Key,
                         const AnsiString& Value);
// Decimal, or hexadecimal after "0x"/"0X"; text that does not parse (or does
// not fit 32 bits) gives the default.
Integer SettingsReadInteger(const TIniFile* Settings, const AnsiString& Section, const AnsiString& Key,
                            Integer Default);
void SettingsWriteInteger(TIniFile* Settings, const AnsiString& Section, const AnsiString& Key, Integer Value);
void SettingsEraseSection(TIniFile* Settings, const AnsiString& Section);

// The keys Flags, ShowCmd, PixelsPerInch, MinMaxPos and NormPos (the position
// keys with the screen-size suffix, then plain).
void SaveWindowPlacement(TForm* Form, TIniFile* Settings, const AnsiString& Section);
void LoadWindowPlacement(TForm* Form, const TIniFile* Settings, const AnsiString& Section, bool LoadPosition,
                         bool LoadState);
