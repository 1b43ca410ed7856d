#pragma once
// The game's bank of sound effects: it opens the audio output, loads the 63
// named samples of "Data\Sfx\" into fixed slots and plays them for every other
// part of the game, optionally placed left or right by a screen x. Two slots
// (Terminator, Combo) hold several numbered variant files. "Vol.cfg" tunes each
// sound's volume, pan strength and how much it lowers the music.
//
// Sound never fails loudly: a bank whose output did not open, or whose samples
// did not all load, is silent, logs why, and every play, stop and volume call on
// it does nothing.
//
// Start-up, in this order: InitDevice; on success SetPanDistance, ConvertOggList,
// LoadVolumeConfig, LoadSamples (nonzero: Silence), SetVolume; later
// SetMusicPlayer once the music player exists.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "audio/MusicPlayer.h"
#include "audio/SampleGroup.h"
#include "engine/SharedPtr.h"
#include "platform/sound/Audio.h"

// The bank's slots, named after their sample files.
enum class ESound : int {
    MouseOver, Click, Upgrade, Hint, Select, SelectSteel, Wrong, Drop, BonusClick, GemOut,
    GemIn, GemBar, Terminator, Terminator0_s, TerminatorSteel, ChainOut, ChainOut_s, Explode,
    Combo, BonusDrop, TNT, Flash, Clock, TimeAdd, Multiplier, AdviserGet, AdviserAct,
    Solidarity, SolidarityRedir, TotemEye, TotemGreen1, TotemGreen2, TotemYellow1,
    TotemYellow2, TotemRed1, TotemRed2, TotemBlue1, TotemBlue2, TotemBlue3, TotemOrange,
    TotemWhite1, TotemWhite2, TotemViolet, Explode2, ScoreFrenzy, BonusStar, LifeLost,
    LifeLostBack, EndLevel, Warning, NewLevel, Bad, Win, Tick, TickLoop, AddLife, GoodClick,
    Trophy, Background, Museum, Flare, Door, Treasure,
    Count
};

class CSoundBank {
public:
    static constexpr int kSlotCount = static_cast<int>(ESound::Count);
    static constexpr int kRingSize = 6;
    static constexpr int kMaxPlaybacks = 8;
    static constexpr int kMaxVariants = 8;
    static constexpr float kDefaultPanDistance = 520.0f;

    // A null audio object gives a bank that can never open its output.
    explicit CSoundBank(CSharedPtr<snd::Audio> audio);
    ~CSoundBank();
    CSoundBank(const CSoundBank&) = delete;
    CSoundBank& operator=(const CSoundBank&) = delete;

    // Opens the output at 44100 Hz: 0 on success, 1 on failure.
    int InitDevice();
    // Silences the bank for good (the samples failed to load). The output stays
    // open until the bank is destroyed.
    void Silence() { Initialised = 0; }
    int IsInitialised() const { return Initialised; }
    bool IsDeviceOpen() const { return DeviceOpen; }

    // The divisor of the pan formula, 520 / the player's pan setting; values
    // that are not positive and finite are refused.
    void SetPanDistance(float distance);
    float GetPanDistance() const { return PanDistance; }
    // Sounds with a music silencer report their plays to this player.
    void SetMusicPlayer(CSharedPtr<CMusicPlayer> player) { MusicPlayer = player; }

    // Decodes the sounds listed in "Ogg.lst" into wave files in `decodedFolder`
    // (empty: beside them in the sound folder), where LoadSamples then finds
    // them. Key "Converted" of the options file records a finished run, but a
    // sound whose wave file is missing, not whole or decoded from another
    // version of its source is decoded all the same (a cleared cache, options
    // copied without it, a sound new or changed in this release). A sound that
    // cannot be decoded into a file (a cache folder that cannot be written) is
    // loaded from its source, decoded in memory. With a decoded folder of its
    // own, the wave files older builds decoded among the player's files (the
    // user folder's copy of the sound folder) are removed on the first run.
    // 1 when every listed sound is decoded (now or on an earlier run), 0 when
    // the list cannot be opened or a sound failed (the next start tries again).
    int ConvertOggList(const char* optionsIniPath, std::string soundFolder,
                       std::string decodedFolder = {});
    // Decodes one compressed file into a PCM wave file keyed on the file it
    // came from; 1 on success, 0 on failure (no wave file is left behind then).
    int ConvertOggToWav(const char* oggPath, const char* wavPath);

    // Reads "Vol.cfg"; 1 when read to its end, 0 when it cannot be opened or ends
    // inside an entry (the entries completed before stay).
    int LoadVolumeConfig(const char* path);
    // The tuning of a sound file by name (any letter case); neutral values for a
    // sound the file does not list: volume 1, pan factor 0, no silencer.
    float GetSoundVolume(const char* name) const;
    float GetSoundPanFactor(const char* name) const;
    CMusicSilencer GetMusicSilencer(const char* name) const;

    // One single-variant group from folder + fileName; a null handle when the
    // file does not load.
    CSharedPtr<CSampleGroup> LoadSample(const char* folder, const char* fileName, int ringSize,
                                        int maxPlaybacks, uint32_t sampleFlags);
    // Fills every slot in order: 0 on success, 2 when a file fails (logged; the
    // slots before it stay loaded).
    int LoadSamples(const char* soundFolder);

    // Master sound volume 0..1, for later plays and for live channels.
    void SetVolume(float volume);
    // Plays one variant (negative: a random one; past the last: the last) once,
    // or looping until StopSample when loop is nonzero.
    void PlaySample(CSharedPtr<CSampleGroup> group, int variant, int loop);
    // The same, panned by the screen x (virtual screen, origin at the centre,
    // positive to the right) times the variant's pan factor. Looped plays are
    // never placed.
    void PlaySampleAt(CSharedPtr<CSampleGroup> group, float x, int variant, int loop);
    // The Combo slot's variant for a chain: chain 2 (or less) the first file,
    // longer chains the next ones up to the last present.
    void PlayCombo(int chainLength);
    // Stops every looping play of the group.
    void StopSample(CSharedPtr<CSampleGroup> group);

    // A slot's group (null before loading or out of range).
    CSharedPtr<CSampleGroup> Group(ESound slot) const;
    CSharedPtr<CSampleGroup> Group(int slot) const;
    // The slot of a sound named by its file ("Click", "Click.wav", any case; the
    // variant slots as "Terminator" and "Combo"); -1 when there is none.
    static int SlotOfName(std::string_view name);
    // The slot's file name ("%d" in it for the variant slots).
    static const char* SlotFileName(int slot);

    // Scratch: the sample file last probed or loaded; after a failed load, the
    // one that failed.
    const std::string& CurrentPath() const { return CurrentPathText; }
    const std::vector<CSharedPtr<CSampleGroup>>& Groups() const { return GroupList; }

private:
    int ChooseVariant(const CSampleGroup& group, int variant) const;
    // Fills the variant's tuning from "Vol.cfg" and sets its default volume.
    void TuneVariant(CSampleGroup& group, int variant, const char* fileName);
    int LoadVariantSlot(int slot, const std::string& folder);
    // Starts the play; returns the channel (0 when none was free).
    uint32_t StartChannel(CSampleGroup& group, int variant, int pan, int loop);
    void NoteChannel(CSampleGroup& group, int variant, uint32_t channel);
    int FindEntry(const char* name) const;
    // True when the file of the game path opens for reading.
    static bool FileOpens(const std::string& path);
    // Removes, once, the wave files of the listed sounds that older builds
    // decoded into the user folder's copy of the sound folder; only files that
    // are such a decode, never anything else a player put there.
    void RemoveOlderDecodes(const std::string& options, const std::string& soundFolder);
    // Where a sample file is loaded from: the decoded folder for a decoded
    // sound, its source for one that could not be decoded into a file, else
    // `folder`.
    std::string SamplePath(const std::string& folder, const std::string& file) const;

    CSharedPtr<snd::Audio> Audio;
    int Initialised = 0;
    bool DeviceOpen = false;
    float PanDistance = kDefaultPanDistance;
    std::string CurrentPathText;
    // The sounds ConvertOggList decodes, the folder it decodes them into, and
    // those loaded from their sources in the sound folder instead.
    std::string DecodedFolder;
    std::vector<std::string> DecodedNames;
    std::string SourceFolder;
    std::vector<std::string> SourceNames;

    // "Vol.cfg", one element per entry in file order.
    std::vector<std::string> SoundNames;
    std::vector<float> VolumeFactors;
    std::vector<float> PanFactors;
    std::vector<CMusicSilencer> MusicSilencers;

    std::vector<CSharedPtr<CSampleGroup>> GroupList;
    CSharedPtr<CMusicPlayer> MusicPlayer;
    std::array<CSharedPtr<CSampleGroup>, kSlotCount> Slots;
};
