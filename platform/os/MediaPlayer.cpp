#include "platform/os/MediaPlayer.h"

#include <fluidsynth.h>

#include <mutex>

#include "platform/classes/ClassRegistry.h"
#include "platform/classes/TypInfo.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

namespace {

// Debian's General MIDI sound font (timgm6mb-soundfont), or whatever the
// system names its default.
const char* const SystemSoundFonts[] = {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2"};

struct TPlayerSettings {
    std::mutex Lock;
    AnsiString RenderFile;
    AnsiString AudioDriver;
    AnsiString SoundFont;
};

TPlayerSettings& Settings() {
    static TPlayerSettings settings;
    return settings;
}

// The synthesiser talks on the terminal by default; its failures reach the
// program as results instead.
void QuietLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, nullptr, nullptr);
    });
}

std::string SystemName(const AnsiString& FileName) { return SysFileName(FileName); }

}  // namespace

struct TMediaPlayerImpl {
    fluid_settings_t* Settings = nullptr;
    fluid_synth_t* Synth = nullptr;
    fluid_player_t* Player = nullptr;
    fluid_audio_driver_t* Driver = nullptr;

    ~TMediaPlayerImpl() {
        StopPlayer();
        if (Synth) delete_fluid_synth(Synth);
        if (Settings) delete_fluid_settings(Settings);
    }

    void StopPlayer() {
        // The driver pulls sound from the synthesiser in its own thread: it
        // goes first, then nothing touches the player any more.
        if (Driver) delete_fluid_audio_driver(Driver);
        Driver = nullptr;
        if (Player) {
            fluid_player_stop(Player);
            delete_fluid_player(Player);
        }
        Player = nullptr;
    }
};

TMediaPlayer::TMediaPlayer(TComponent* AOwner) : TComponent(AOwner) {}

TMediaPlayer::~TMediaPlayer() = default;

void TMediaPlayer::SetFileName(const AnsiString& Value) {
    if (Value == FFileName) return;
    Close();
    FFileName = Value;
}

bool TMediaPlayer::IsOpen() const { return FImpl != nullptr; }

bool TMediaPlayer::Playing() const {
    return FImpl && FImpl->Player && fluid_player_get_status(FImpl->Player) == FLUID_PLAYER_PLAYING;
}

void TMediaPlayer::Open() {
    Close();
    QuietLibrary();
    if (FFileName.empty()) throw EMCIDeviceError("No file to play");
    const std::string path = SystemName(FFileName);
    if (!FileExists(FFileName)) throw EMCIDeviceError("The file " + FFileName + " does not exist");
    if (!fluid_is_midifile(path.c_str())) throw EMCIDeviceError("The file " + FFileName + " is not a MIDI file");
    AnsiString soundFont;
    {
        TPlayerSettings& s = Settings();
        std::lock_guard<std::mutex> lock(s.Lock);
        soundFont = s.SoundFont;
    }
    if (soundFont.empty())
        for (const char* candidate : SystemSoundFonts)
            if (FileExists(candidate)) {
                soundFont = candidate;
                break;
            }
    if (soundFont.empty() || !FileExists(soundFont)) throw EMCIDeviceError("No General MIDI sound font is installed");
    auto impl = std::make_unique<TMediaPlayerImpl>();
    impl->Settings = new_fluid_settings();
    if (!impl->Settings) throw EMCIDeviceError("The synthesiser cannot be set up");
    // Unlocked memory: locking the sound font needs rights a desktop
    // program does not have.
    fluid_settings_setint(impl->Settings, "synth.lock-memory", 0);
    impl->Synth = new_fluid_synth(impl->Settings);
    if (!impl->Synth) throw EMCIDeviceError("The synthesiser cannot be set up");
    if (fluid_synth_sfload(impl->Synth, SystemName(soundFont).c_str(), 1) == FLUID_FAILED)
        throw EMCIDeviceError("The sound font " + soundFont + " cannot be loaded");
    FImpl = std::move(impl);
}

void TMediaPlayer::Play() {
    if (!FImpl) Open();
    FImpl->StopPlayer();
    AnsiString renderFile, driver;
    {
        TPlayerSettings& s = Settings();
        std::lock_guard<std::mutex> lock(s.Lock);
        renderFile = s.RenderFile;
        driver = s.AudioDriver;
    }
    auto closeOnFailure = [this](const AnsiString& Message) {
        Close();
        return EMCIDeviceError(Message);
    };
    fluid_settings_t* settings = FImpl->Settings;
    if (!renderFile.empty()) {
        // Sample-exact timing: the player advances with the rendered blocks,
        // not with the clock.
        fluid_settings_setstr(settings, "player.timing-source", "sample");
        fluid_settings_setstr(settings, "audio.file.name", SystemName(renderFile).c_str());
        fluid_settings_setstr(settings, "audio.file.type", "wav");
    } else if (!driver.empty() && fluid_settings_setstr(settings, "audio.driver", driver.c_str()) != FLUID_OK) {
        throw closeOnFailure("No audio device is available (no driver " + driver + ")");
    }
    FImpl->Player = new_fluid_player(FImpl->Synth);
    if (!FImpl->Player) throw closeOnFailure("The player cannot be set up");
    if (fluid_player_add(FImpl->Player, SystemName(FFileName).c_str()) != FLUID_OK)
        throw closeOnFailure("The file " + FFileName + " cannot be played");
    if (!renderFile.empty()) {
        fluid_file_renderer_t* renderer = new_fluid_file_renderer(FImpl->Synth);
        if (!renderer) throw closeOnFailure("The file " + renderFile + " cannot be written");
        fluid_player_play(FImpl->Player);
        bool failed = false;
        // Until the last event: the player itself goes on while the last
        // notes die away, which is no part of the piece's length. (The
        // total is 0 until the player has read the file.)
        auto sounding = [player = FImpl->Player] {
            const int total = fluid_player_get_total_ticks(player);
            return fluid_player_get_status(player) == FLUID_PLAYER_PLAYING &&
                   (total == 0 || fluid_player_get_current_tick(player) < total);
        };
        while (sounding())
            if (fluid_file_renderer_process_block(renderer) != FLUID_OK) {
                failed = true;
                break;
            }
        delete_fluid_file_renderer(renderer);
        FImpl->StopPlayer();
        if (failed) throw closeOnFailure("The file " + renderFile + " cannot be written");
        return;
    }
    FImpl->Driver = new_fluid_audio_driver(settings, FImpl->Synth);
    if (!FImpl->Driver) throw closeOnFailure("No audio device is available");
    if (fluid_player_play(FImpl->Player) != FLUID_OK) throw closeOnFailure("The file " + FFileName + " cannot be played");
}

void TMediaPlayer::Stop() {
    if (!FImpl) return;
    FImpl->StopPlayer();
    // Notes that were sounding stop at once instead of dying away.
    fluid_synth_all_sounds_off(FImpl->Synth, -1);
}

void TMediaPlayer::Close() { FImpl.reset(); }

void TMediaPlayer::SetRenderFile(const AnsiString& FileName) {
    TPlayerSettings& s = Settings();
    std::lock_guard<std::mutex> lock(s.Lock);
    s.RenderFile = FileName;
}

void TMediaPlayer::SetAudioDriver(const AnsiString& Driver) {
    TPlayerSettings& s = Settings();
    std::lock_guard<std::mutex> lock(s.Lock);
    s.AudioDriver = Driver;
}

void TMediaPlayer::SetSoundFont(const AnsiString& FileName) {
    TPlayerSettings& s = Settings();
    std::lock_guard<std::mutex> lock(s.Lock);
    s.SoundFont = FileName;
}

VEMLOR_PUBLISHED(TMediaPlayer, TComponent) {
    Prop("FileName", &TMediaPlayer::FileName, &TMediaPlayer::SetFileName);
}
VEMLOR_REGISTER_CLASS(TMediaPlayer);
