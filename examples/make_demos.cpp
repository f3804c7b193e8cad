// Writes the demo songs and the instrument library:  make_demos FOLDER
// The songs are levelled: the master volume is set so that the loudest sample
// of the whole song stays just under full scale, so nothing clips. The
// library goes to FOLDER/instruments/KIND/NAME.tonviki.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "DemoInstruments.h"
#include "LibraryInstruments.h"
#include "core/files/SongFiles.h"
#include "core/module/CoreClasses.h"
#include "core/module/IOvkModule.h"
#include "core/module/IOvkModulePlayer.h"
#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/CRef.h"
#include "morvane/api/Utf.h"

namespace {

using ovk::COvkModuleData;

// "A4" is 58 (440 Hz); "C#3", "Bb2"; "--" is an empty row, "==" a stop note.
std::uint32_t NoteValue(const std::string& token)
{
    if (token == "--")
        return 0;
    if (token == "==")
        return ovk::kStopNote;
    static const int kSemitones[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    int semitone = kSemitones[token.at(0) - 'A'];
    std::size_t at = 1;
    if (token.at(at) == '#')
        ++semitone, ++at;
    else if (token.at(at) == 'b')
        --semitone, ++at;
    const int octave = std::stoi(token.substr(at));
    return static_cast<std::uint32_t>(octave * 12 + semitone + 1);
}

// Sixteen tokens, one per row.
void Pattern(COvkModuleData& song, int channel, int pattern, const std::string& rows)
{
    std::istringstream tokens(rows);
    std::string token;
    int row = 0;
    while (tokens >> token) {
        if (row >= ovk::kRows) {
            std::fprintf(stderr, "make_demos: more than 16 rows in channel %d pattern %d\n", channel, pattern);
            std::exit(1);
        }
        song.patterns[channel][pattern][row++] = NoteValue(token);
    }
    if (row != ovk::kRows) {
        std::fprintf(stderr, "make_demos: %d rows in channel %d pattern %d\n", row, channel, pattern);
        std::exit(1);
    }
}

// The patterns a channel plays from order position 0 on.
void Order(COvkModuleData& song, int channel, const std::vector<int>& patterns)
{
    for (std::size_t position = 0; position < patterns.size(); ++position)
        song.orderTable[channel][position] = static_cast<std::uint32_t>(patterns[position]);
}

COvkModuleData NeonSteps()
{
    COvkModuleData song;
    song.tempo = 124;
    enum { KICK, SNARE, HAT, BASS, LEAD, PAD, ARP, RISER };
    song.channels[KICK] = demo::Kick();
    song.channels[SNARE] = demo::Snare();
    song.channels[HAT] = demo::HiHat();
    song.channels[BASS] = demo::AcidBass();
    song.channels[LEAD] = demo::FmLead();
    song.channels[PAD] = demo::PowerPad();
    song.channels[ARP] = demo::SquareArp();
    song.channels[RISER] = demo::NoiseRiser();

    Pattern(song, KICK, 1, "E2 -- -- -- E2 -- -- -- E2 -- -- -- E2 -- -- --");
    Pattern(song, KICK, 2, "E2 -- -- -- E2 -- -- -- E2 -- E2 -- E2 -- -- E2");
    Pattern(song, KICK, 3, "E2 -- -- -- -- -- -- -- -- -- -- -- -- -- -- --");
    Pattern(song, SNARE, 1, "-- -- -- -- G3 -- -- -- -- -- -- -- G3 -- -- --");
    Pattern(song, SNARE, 2, "-- -- -- -- G3 -- -- -- -- -- -- -- G3 -- G3 G3");
    Pattern(song, HAT, 1, "C5 -- C5 -- C5 -- C5 -- C5 -- C5 -- C5 -- C5 --");
    Pattern(song, HAT, 2, "C5 C5 C5 C5 C5 C5 C5 C5 C5 C5 C5 C5 C5 C5 C5 C5");

    Pattern(song, BASS, 1, "A1 == A2 == A1 == A1 A1 C2 == A1 == E2 == G2 ==");
    Pattern(song, BASS, 2, "F1 == F2 == F1 == F1 F1 A1 == F1 == C2 == E2 ==");
    Pattern(song, BASS, 3, "C2 == C3 == C2 == C2 C2 E2 == C2 == G2 == B2 ==");
    Pattern(song, BASS, 4, "G1 == G2 == G1 == G1 G1 B1 == G1 == D2 == E2 ==");
    Pattern(song, BASS, 5, "A1 -- -- -- -- -- -- -- == -- -- -- -- -- -- --");

    Pattern(song, LEAD, 1, "E5 -- -- -- D5 -- C5 -- D5 -- E5 -- -- -- == --");
    Pattern(song, LEAD, 2, "F5 -- -- -- E5 -- C5 -- A4 -- -- -- == -- C5 --");
    Pattern(song, LEAD, 3, "G5 -- -- -- E5 -- C5 -- E5 -- G5 -- C6 -- -- ==");
    Pattern(song, LEAD, 4, "B5 -- A5 -- G5 -- D5 -- -- -- B4 -- D5 -- == --");
    Pattern(song, LEAD, 5, "A4 -- -- -- -- -- -- -- -- -- -- -- == -- -- --");

    Pattern(song, PAD, 1, "A2 -- -- -- -- -- -- -- -- -- -- -- -- -- == --");
    Pattern(song, PAD, 2, "F2 -- -- -- -- -- -- -- -- -- -- -- -- -- == --");
    Pattern(song, PAD, 3, "C3 -- -- -- -- -- -- -- -- -- -- -- -- -- == --");
    Pattern(song, PAD, 4, "G2 -- -- -- -- -- -- -- -- -- -- -- -- -- == --");
    Pattern(song, PAD, 5, "A2 -- -- -- -- -- -- -- -- -- -- -- == -- -- --");

    Pattern(song, ARP, 1, "A3 C4 E4 A4 E4 C4 A3 C4 E4 A4 C5 A4 E4 C4 E4 C4");
    Pattern(song, ARP, 2, "F3 A3 C4 F4 C4 A3 F3 A3 C4 F4 A4 F4 C4 A3 C4 A3");
    Pattern(song, ARP, 3, "C4 E4 G4 C5 G4 E4 C4 E4 G4 C5 E5 C5 G4 E4 G4 E4");
    Pattern(song, ARP, 4, "G3 B3 D4 G4 D4 B3 G3 B3 D4 G4 B4 G4 D4 B3 D4 B3");

    Pattern(song, RISER, 1, "C4 -- -- -- -- -- -- -- -- -- -- -- -- -- -- --");
    Pattern(song, RISER, 2, "== -- -- -- -- -- -- -- -- -- -- -- -- -- -- --");

    // Intro (pad, hats, riser), then bass, snare and arpeggio, then the lead; an ending bar.
    Order(song, KICK, {1, 1, 1, 2, 1, 1, 1, 2, 1, 1, 1, 2, 3});
    Order(song, SNARE, {0, 0, 0, 0, 1, 1, 1, 2, 1, 1, 1, 2, 0});
    Order(song, HAT, {1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 0});
    Order(song, BASS, {0, 0, 0, 0, 1, 2, 3, 4, 1, 2, 3, 4, 5});
    Order(song, LEAD, {0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5});
    Order(song, PAD, {1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 5});
    Order(song, ARP, {0, 0, 0, 0, 1, 2, 3, 4, 1, 2, 3, 4, 0});
    Order(song, RISER, {1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 2});
    return song;
}

COvkModuleData GlassGarden()
{
    COvkModuleData song;
    song.tempo = 92;
    enum { BELL, BASS, BRUSH, KICK, LEAD, PAD, HAT };
    song.channels[BELL] = demo::FmBell();
    song.channels[BASS] = demo::SoftBass();
    song.channels[BRUSH] = demo::Brush();
    song.channels[KICK] = demo::Kick();
    song.channels[KICK].volume = 170;
    song.channels[LEAD] = demo::GritLead();
    song.channels[PAD] = demo::PowerPad();
    song.channels[PAD].volume = 100;
    song.channels[HAT] = demo::HiHat();
    song.channels[HAT].volume = 90;

    Pattern(song, BELL, 1, "D5 -- -- -- F5 -- -- -- A5 -- -- -- G5 -- F5 --");
    Pattern(song, BELL, 2, "E5 -- -- -- D5 -- -- -- B4 -- -- -- D5 -- -- --");
    Pattern(song, BELL, 3, "C5 -- -- -- E5 -- G5 -- C6 -- -- -- B5 -- G5 --");
    Pattern(song, BELL, 4, "A5 -- -- -- E5 -- -- -- C5 -- -- -- B4 -- -- --");
    Pattern(song, BELL, 5, "D5 -- -- -- -- -- -- -- -- -- -- -- -- -- -- --");

    Pattern(song, BASS, 1, "D2 -- -- -- -- -- -- -- A1 -- -- -- -- -- == --");
    Pattern(song, BASS, 2, "G1 -- -- -- -- -- -- -- D2 -- -- -- -- -- == --");
    Pattern(song, BASS, 3, "C2 -- -- -- -- -- -- -- G1 -- -- -- -- -- == --");
    Pattern(song, BASS, 4, "A1 -- -- -- -- -- -- -- E2 -- -- -- C2 -- == --");
    Pattern(song, BASS, 5, "D2 -- -- -- -- -- -- -- == -- -- -- -- -- -- --");

    Pattern(song, BRUSH, 1, "-- -- -- -- C4 -- -- -- -- -- -- -- C4 -- C4 --");
    Pattern(song, KICK, 1, "D2 -- -- -- -- -- -- -- -- -- D2 -- -- -- -- --");
    Pattern(song, KICK, 2, "D2 -- -- -- -- -- -- -- -- -- -- -- -- -- -- --");
    Pattern(song, HAT, 1, "-- -- C5 -- -- -- C5 -- -- -- C5 -- -- -- C5 C5");

    Pattern(song, LEAD, 1, "A4 -- -- -- -- -- -- -- C5 -- -- -- -- -- == --");
    Pattern(song, LEAD, 2, "B4 -- -- -- -- -- -- -- D5 -- -- -- B4 -- == --");
    Pattern(song, LEAD, 3, "G4 -- -- -- -- -- -- -- E5 -- -- -- -- -- == --");
    Pattern(song, LEAD, 4, "E5 -- -- -- C5 -- -- -- A4 -- -- -- G#4 -- == --");

    Pattern(song, PAD, 1, "D3 -- -- -- -- -- -- -- -- -- -- -- -- -- == --");
    Pattern(song, PAD, 2, "G2 -- -- -- -- -- -- -- -- -- -- -- -- -- == --");
    Pattern(song, PAD, 3, "C3 -- -- -- -- -- -- -- -- -- -- -- -- -- == --");
    Pattern(song, PAD, 4, "A2 -- -- -- -- -- -- -- -- -- -- -- -- -- == --");
    Pattern(song, PAD, 5, "D3 -- -- -- -- -- -- -- -- -- == -- -- -- -- --");

    // Bell and pad alone, then the band; a last bell rings out.
    Order(song, BELL, {1, 2, 3, 4, 1, 2, 3, 4, 5});
    Order(song, PAD, {1, 2, 3, 4, 1, 2, 3, 4, 5});
    Order(song, BRUSH, {1, 1, 1, 1, 1, 1, 1, 1, 0});
    Order(song, BASS, {0, 0, 0, 0, 1, 2, 3, 4, 5});
    Order(song, KICK, {0, 0, 0, 0, 1, 1, 1, 1, 2});
    Order(song, HAT, {0, 0, 0, 0, 1, 1, 1, 1, 0});
    Order(song, LEAD, {0, 0, 0, 0, 1, 2, 3, 4, 0});
    return song;
}

// Made for the replayer: only what its tables carry without loss (whole
// semitones, envelope positions in steps of 2048, no noise modulator without
// FM, no overdrive), so that a program built with it plays exactly what the
// editor plays.
COvkModuleData PocketLoop()
{
    COvkModuleData song;
    song.tempo = 128;
    enum { KICK, SNARE, HAT, BASS, LEAD, PAD, ARP, RISER };
    song.channels[KICK] = demo::Kick();
    song.channels[KICK].effects.clear();  // its overdrive
    song.channels[SNARE] = demo::Snare();
    song.channels[HAT] = demo::HiHat();
    song.channels[BASS] = demo::AcidBass();
    song.channels[BASS].effects.pop_back();  // its overdrive
    song.channels[LEAD] = demo::FmLead();
    // The power pad's root, fifth and octave without their detuning.
    song.channels[PAD] = demo::PowerPad();
    song.channels[PAD].carriers[0].cents = 0;
    song.channels[PAD].carriers[1].cents = 700;
    song.channels[PAD].carriers[2].cents = 1200;
    song.channels[ARP] = demo::SquareArp();
    song.channels[RISER] = demo::NoiseRiser();

    Pattern(song, KICK, 1, "E2 -- -- -- E2 -- -- -- E2 -- -- -- E2 -- -- --");
    Pattern(song, KICK, 2, "E2 -- -- -- E2 -- -- -- E2 -- E2 -- E2 -- E2 E2");
    Pattern(song, KICK, 3, "E2 -- -- -- -- -- -- -- -- -- -- -- -- -- -- --");
    Pattern(song, SNARE, 1, "-- -- -- -- G3 -- -- -- -- -- -- -- G3 -- -- --");
    Pattern(song, SNARE, 2, "-- -- -- -- G3 -- -- -- -- -- -- -- G3 -- G3 G3");
    Pattern(song, HAT, 1, "C5 -- C5 -- C5 -- C5 -- C5 -- C5 -- C5 -- C5 --");
    Pattern(song, HAT, 2, "C5 C5 C5 C5 C5 C5 C5 C5 C5 C5 C5 C5 C5 C5 C5 C5");

    Pattern(song, BASS, 1, "A1 == A2 == A1 == A1 A1 G1 == G2 == E1 == G1 ==");
    Pattern(song, BASS, 2, "F1 == F2 == F1 == F1 F1 E1 == E2 == G1 == E2 ==");
    Pattern(song, BASS, 3, "A1 -- -- -- -- -- -- -- == -- -- -- -- -- -- --");

    Pattern(song, LEAD, 1, "A4 -- C5 -- E5 -- D5 -- C5 -- D5 -- E5 -- == --");
    Pattern(song, LEAD, 2, "F5 -- E5 -- C5 -- D5 -- B4 -- -- -- == -- G4 --");
    Pattern(song, LEAD, 3, "A4 -- -- -- -- -- -- -- -- -- -- -- == -- -- --");

    Pattern(song, PAD, 1, "A2 -- -- -- -- -- -- -- -- -- -- -- -- -- == --");
    Pattern(song, PAD, 2, "F2 -- -- -- -- -- -- -- -- -- -- -- -- -- == --");
    Pattern(song, PAD, 3, "A2 -- -- -- -- -- -- -- -- -- -- -- == -- -- --");

    Pattern(song, ARP, 1, "A3 C4 E4 A4 E4 C4 A3 C4 E4 A4 C5 A4 E4 C4 E4 C4");
    Pattern(song, ARP, 2, "F3 A3 C4 F4 C4 A3 F3 A3 C4 F4 A4 F4 C4 A3 C4 A3");

    Pattern(song, RISER, 1, "C4 -- -- -- -- -- -- -- -- -- -- -- -- -- -- --");
    Pattern(song, RISER, 2, "== -- -- -- -- -- -- -- -- -- -- -- -- -- -- --");

    // Pad and arpeggio, then the groove, then the lead; an ending bar.
    Order(song, KICK, {0, 1, 1, 2, 1, 1, 1, 2, 1, 1, 2, 3});
    Order(song, SNARE, {0, 0, 1, 1, 1, 1, 1, 2, 1, 1, 2, 0});
    Order(song, HAT, {1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 0});
    Order(song, BASS, {0, 0, 1, 2, 1, 2, 1, 2, 1, 2, 1, 3});
    Order(song, LEAD, {0, 0, 0, 0, 0, 0, 1, 2, 1, 2, 1, 3});
    Order(song, PAD, {1, 2, 1, 2, 1, 2, 1, 2, 1, 2, 1, 3});
    Order(song, ARP, {1, 2, 1, 2, 1, 2, 1, 2, 1, 2, 1, 0});
    Order(song, RISER, {1, 0, 0, 2, 1, 0, 0, 2, 1, 0, 0, 2});
    return song;
}

// The library's instruments, each from its own file, as a song uses them.
ovk::COvkModuleChannel LibraryInstrument(const char* name)
{
    for (const library::TInstrument& instrument : library::Instruments())
        if (std::string(instrument.name) == name)
            return instrument.make();
    std::fprintf(stderr, "make_demos: no library instrument %s\n", name);
    std::exit(1);
}

COvkModuleData NightDrive()
{
    COvkModuleData song;
    song.tempo = 128;
    enum { KICK, CLAP, HAT, BASS, PLUCK, PAD, LEAD, RISER };
    const char* const instruments[] = {"kick", "clap", "closed_hat", "fm_bass", "pluck", "warm_pad", "supersaw_lead",
                                       "riser"};
    for (int channel = 0; channel < ovk::kChannels; ++channel)
        song.channels[channel] = LibraryInstrument(instruments[channel]);

    // The drums are tuned for C-4.
    Pattern(song, KICK, 1, "C4 -- -- -- C4 -- -- -- C4 -- -- -- C4 -- -- --");
    Pattern(song, KICK, 2, "C4 -- -- -- -- -- -- -- -- -- -- -- -- -- -- --");
    Pattern(song, CLAP, 1, "-- -- -- -- C4 -- -- -- -- -- -- -- C4 -- -- --");
    Pattern(song, HAT, 1, "-- -- C4 -- -- -- C4 -- -- -- C4 -- -- -- C4 --");
    Pattern(song, HAT, 2, "C4 C4 C4 -- C4 C4 C4 -- C4 C4 C4 -- C4 C4 C4 C4");

    // E minor: E, C, G, D.
    Pattern(song, BASS, 1, "-- -- E2 == -- -- E2 == -- -- E2 == -- -- E3 ==");
    Pattern(song, BASS, 2, "-- -- C2 == -- -- C2 == -- -- C2 == -- -- C3 ==");
    Pattern(song, BASS, 3, "-- -- G1 == -- -- G1 == -- -- G1 == -- -- G2 ==");
    Pattern(song, BASS, 4, "-- -- D2 == -- -- D2 == -- -- D2 == -- -- D3 ==");
    Pattern(song, BASS, 5, "E1 -- -- -- -- -- -- -- == -- -- -- -- -- -- --");

    Pattern(song, PLUCK, 1, "E4 G4 B4 E5 B4 G4 E4 G4 B4 E5 G5 E5 B4 G4 B4 G4");
    Pattern(song, PLUCK, 2, "C4 E4 G4 C5 G4 E4 C4 E4 G4 C5 E5 C5 G4 E4 G4 E4");
    Pattern(song, PLUCK, 3, "G3 B3 D4 G4 D4 B3 G3 B3 D4 G4 B4 G4 D4 B3 D4 B3");
    Pattern(song, PLUCK, 4, "D4 F#4 A4 D5 A4 F#4 D4 F#4 A4 D5 F#5 D5 A4 F#4 A4 F#4");

    Pattern(song, PAD, 1, "E3 -- -- -- -- -- -- -- -- -- -- -- -- -- == --");
    Pattern(song, PAD, 2, "C3 -- -- -- -- -- -- -- -- -- -- -- -- -- == --");
    Pattern(song, PAD, 3, "G2 -- -- -- -- -- -- -- -- -- -- -- -- -- == --");
    Pattern(song, PAD, 4, "D3 -- -- -- -- -- -- -- -- -- -- -- -- -- == --");
    Pattern(song, PAD, 5, "E3 -- -- -- -- -- -- -- -- -- -- -- == -- -- --");

    Pattern(song, LEAD, 1, "B4 -- -- -- G4 -- -- -- E5 -- -- -- D5 -- B4 --");
    Pattern(song, LEAD, 2, "C5 -- -- -- -- -- G4 -- E5 -- -- -- D5 -- C5 --");
    Pattern(song, LEAD, 3, "D5 -- -- -- B4 -- -- -- G4 -- -- -- A4 -- B4 --");
    Pattern(song, LEAD, 4, "A4 -- -- -- -- -- F#4 -- D5 -- -- -- == -- -- --");

    // Up two octaves over two positions, released where the next section starts.
    Pattern(song, RISER, 1, "C4 -- -- -- -- -- -- -- -- -- -- -- -- -- -- --");
    Pattern(song, RISER, 2, "== -- -- -- -- -- -- -- -- -- -- -- -- -- -- --");

    // Pad and plucks, the hats and a riser; the beat and the bass; the lead; a last chord.
    Order(song, PAD, {1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 5});
    Order(song, PLUCK, {1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 0});
    Order(song, HAT, {0, 0, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 0});
    Order(song, RISER, {0, 0, 1, 0, 2, 0, 1, 0, 2, 0, 0, 0, 0});
    Order(song, KICK, {0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2});
    Order(song, CLAP, {0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 0});
    Order(song, BASS, {0, 0, 0, 0, 1, 2, 3, 4, 1, 2, 3, 4, 5});
    Order(song, LEAD, {0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 0});
    return song;
}

struct TLevels {
    std::int64_t peak = 0;  // of the mix before the master volume, at a gain of 1
    double rms = 0;
};

// Renders the song at master volume 1/8, so the mix cannot clip, and scales back.
TLevels Measure(const COvkModuleData& song)
{
    auto module = morvane::CreateRef<ovk::IOvkModule>(L"ovk::COvkModule");
    ovk::COvkModuleData* data = module->Lock(2);
    *data = song;
    data->masterVolume = 32;
    module->Unlock();
    auto player = morvane::CreateRef<ovk::IOvkModulePlayer>(L"ovk::COvkModulePlayer");
    player->Connect(module.Get());
    std::vector<std::int16_t> block(4096);
    TLevels levels;
    double sumSquares = 0;
    std::uint64_t count = 0;
    for (;;) {
        const std::uint64_t bytes = player->Read(block.data(), block.size() * 2);
        for (std::uint64_t i = 0; i < bytes / 2; ++i) {
            const std::int64_t sample = std::int64_t(block[i]) * 8;
            levels.peak = std::max(levels.peak, sample < 0 ? -sample : sample);
            sumSquares += double(sample) * double(sample);
        }
        count += bytes / 2;
        if (bytes < block.size() * 2)
            break;
    }
    levels.rms = count ? std::sqrt(sumSquares / double(count)) : 0;
    return levels;
}

// The master volume that puts the loudest sample at about -1 dB.
void Level(const char* name, COvkModuleData& song)
{
    const TLevels levels = Measure(song);
    song.masterVolume = static_cast<std::int32_t>(std::min<std::int64_t>(255, 29000 * 256 / std::max<std::int64_t>(levels.peak, 1)));
    const double gain = song.masterVolume / 256.0;
    std::printf("%s: master volume %d, peak %.1f dBFS, RMS %.1f dBFS, %d positions\n", name, song.masterVolume,
                20 * std::log10(levels.peak * gain / 32768.0), 20 * std::log10(levels.rms * gain / 32768.0),
                song.SongLength());
}

void Save(const std::string& folder, const std::string& name, const COvkModuleData& song)
{
    ovk::SaveSongFile(morvane::utf::PathFromBytes(folder + "/" + name).c_str(), song);
}

void Save(const std::string& folder, const std::string& name, const ovk::COvkModuleChannel& channel)
{
    ovk::SaveInstrumentFile(morvane::utf::PathFromBytes(folder + "/" + name).c_str(), channel);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demos FOLDER\n");
        return 1;
    }
    const std::string folder = argv[1];
    int status = 0;
    morvane::q.Init();
    ovk::RegisterCoreClasses();
    try {
        COvkModuleData neon = NeonSteps();
        Level("neon_steps", neon);
        Save(folder, "neon_steps.tonvik", neon);
        COvkModuleData glass = GlassGarden();
        Level("glass_garden", glass);
        Save(folder, "glass_garden.tonvik", glass);
        COvkModuleData pocket = PocketLoop();
        Level("pocket_loop", pocket);
        Save(folder, "pocket_loop.tonvik", pocket);
        COvkModuleData night = NightDrive();
        Level("night_drive", night);
        Save(folder, "night_drive.tonvik", night);
        for (const library::TInstrument& instrument : library::Instruments()) {
            const std::string kind = std::string("instruments/") + instrument.kind;
            std::filesystem::create_directories(folder + "/" + kind);
            Save(folder, kind + "/" + instrument.name + ".tonviki", instrument.make());
        }
    } catch (const morvane::CException& e) {
        std::fprintf(stderr, "make_demos: %s\n", morvane::utf::ToUtf8(e.GetReason()).c_str());
        status = 1;
    }
    morvane::q.Close();
    return status;
}
