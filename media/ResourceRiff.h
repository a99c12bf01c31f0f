#pragma once
// Multimedia resources kept as RIFF data: any RIFF form, wave sounds and
// MIDI songs (RIFF form "RMID" with one "data" chunk holding the MIDI file).

#include "media/ResourceModule.h"

class TRiffResource : public TWriteableResource {
public:
    using TWriteableResource::TWriteableResource;
    static const TResourceClass& StaticClass();
    const TResourceClass& Class() const override { return StaticClass(); }
    AnsiString TypeName() const override { return "Multimedia"; }
    int Capabilities() const override { return CanExport; }
};

class TWAVEResource : public TRiffResource {
public:
    using TRiffResource::TRiffResource;
    static const TResourceClass& StaticClass();
    const TResourceClass& Class() const override { return StaticClass(); }
    AnsiString TypeName() const override { return "Audio"; }
    AnsiString FileFilter() const override { return "Wave Files (*.wav)|*.wav"; }
};

class TRMIDResource : public TRiffResource {
public:
    using TRiffResource::TRiffResource;
    static const TResourceClass& StaticClass();
    const TResourceClass& Class() const override { return StaticClass(); }
    AnsiString TypeName() const override { return "MIDI"; }
    AnsiString FileFilter() const override { return "MIDI Files (*.mid)|*.mid|RMID Files (*.rmi)|*.rmi"; }

protected:
    // A ".mid" file is wrapped into an "RMID" form; anything else is taken as it is.
    void DoImport(const AnsiString& FileName, const std::vector<Byte>& Bytes) override;
};
