#pragma once
// TMediaPlayer: plays a MIDI file in the program's own process, through a
// software synthesiser and a General MIDI sound font, on the sound card.
//
//   closed  --Open-->  open (file checked, synthesiser and sound font loaded)
//   open    --Play-->  playing (until the file ends or Stop)
//   playing --Stop-->  open
//   any     --Close / FileName changed / destruction-->  closed
// Play opens first when needed. Every failure (no file, not a MIDI file, no
// sound font, no audio device) raises EMCIDeviceError with the reason, and
// the player is left closed.
//
// For tests the sound can go to a WAV file instead of the sound card
// (SetRenderFile): Play then writes the whole piece at once, as fast as the
// machine goes, and returns when it is written.

#include <memory>

#include "platform/classes/Component.h"
#include "platform/rtl/Exceptions.h"

VEMLOR_DECLARE_EXCEPTION(EMCIDeviceError, Exception);

struct TMediaPlayerImpl;

class TMediaPlayer : public TComponent {
public:
    explicit TMediaPlayer(TComponent* AOwner);
    ~TMediaPlayer() override;

    const AnsiString& FileName() const { return FFileName; }
    // A new name closes what was open.
    void SetFileName(const AnsiString& Value);

    void Open();
    void Play();
    // Nothing when not playing.
    void Stop();
    void Close();
    bool IsOpen() const;
    // The piece still sounds (false once it ended by itself).
    bool Playing() const;

    // Where the sound goes, for every player of the process: "" the sound
    // card; a file name, a WAV file written at Play.
    static void SetRenderFile(const AnsiString& FileName);
    // The synthesiser's audio driver ("" its default choice; tests name one
    // that does not exist to play on a machine without sound).
    static void SetAudioDriver(const AnsiString& Driver);
    // The General MIDI sound font; "" the one the system provides.
    static void SetSoundFont(const AnsiString& FileName);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    AnsiString FFileName;
    std::unique_ptr<TMediaPlayerImpl> FImpl;
};
