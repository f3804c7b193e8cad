// tonvik3-cli play SONG [--from POSITION] [--pattern]: plays a song in real
// time through the audio output plug-in, as the editor's Play does.
#include <CLI/CLI.hpp>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "CliSupport.h"
#include "Commands.h"
#include "core/files/SongFiles.h"
#include "core/module/IOvkModulePlayer.h"
#include "core/module/Playback.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/ClassIds.h"
#include "morvane/data/CStreamSelectors.h"
#include "morvane/devices/IDevice.h"

namespace ovk::cli {

namespace {

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void OnInterrupt(int) { g_interrupted = true; }

const char* const kNoPlugin =
    "cannot play: no audio output plug-in loaded (mrvx_std_dxa8.so was not found in the plug-in folders, or it "
    "failed to start)";

// Ctrl+C ends playback: SIGINT is ours while this lives.
class CInterruptHandler {
public:
    CInterruptHandler()
    {
        g_interrupted = false;
        struct sigaction interrupt {};
        interrupt.sa_handler = OnInterrupt;
        sigemptyset(&interrupt.sa_mask);
        sigaction(SIGINT, &interrupt, &m_previous);
    }
    ~CInterruptHandler() { sigaction(SIGINT, &m_previous, nullptr); }
    CInterruptHandler(const CInterruptHandler&) = delete;
    CInterruptHandler& operator=(const CInterruptHandler&) = delete;

private:
    struct sigaction m_previous {};
};

// The audio device that the plug-in registered, opened.
morvane::CRef<morvane::IAudioDevice> OpenAudioDevice()
{
    if (!morvane::q.pluginStore.IsPluginLoaded(L"mrvx_std_dxa8"))
        throw CCliError(kExitFailure, kNoPlugin);
    morvane::CRef<morvane::IAudioDevice> device;
    try {
        device = morvane::CreateRef<morvane::IAudioDevice>(morvane::clsid::CAudioDevice);
    } catch (const morvane::CClassNotFoundException&) {
        throw CCliError(kExitFailure, kNoPlugin);
    }
    if (!device)
        throw CCliError(kExitFailure, kNoPlugin);
    device->Open();
    return device;
}

morvane::CRef<IOvkModulePlayer> NewPlayer(IOvkModule* module)
{
    auto player = morvane::CreateRef<IOvkModulePlayer>(L"ovk::COvkModulePlayer");
    if (!player)
        throw CCliError(kExitFailure, "the song player class is not registered");
    player->Connect(module);
    return player;
}

// "position 3/12  row  7  0:05.43", redrawn in place on a terminal; elsewhere
// one line per order position. The line ends with the object.
class CPositionLine {
public:
    explicit CPositionLine(int positions) : m_positions(positions), m_terminal(isatty(STDOUT_FILENO)) {}
    ~CPositionLine()
    {
        if (m_terminal)
            std::printf("\n");
        std::fflush(stdout);
    }
    CPositionLine(const CPositionLine&) = delete;
    CPositionLine& operator=(const CPositionLine&) = delete;

    void Show(std::int64_t songRow, float seconds)
    {
        const long long order = songRow / 16;
        const int row = static_cast<int>(songRow % 16);
        const int minutes = static_cast<int>(seconds / 60);
        const double rest = seconds - minutes * 60.0;
        if (m_terminal)
            std::printf("\rposition %3lld/%d  row %2d  %d:%05.2f ", order, m_positions, row, minutes, rest);
        else if (order != m_lastOrder)
            std::printf("position %lld/%d  row %d  %d:%05.2f\n", order, m_positions, row, minutes, rest);
        m_lastOrder = order;
        std::fflush(stdout);
    }

private:
    int m_positions;
    bool m_terminal;
    long long m_lastOrder = -1;
};

int Play(const std::string& songPath, int from, bool patternLoop)
{
    morvane::CRef<IOvkModule> module = NewModule();
    int positions = 0;
    COvkModuleData* song = module->Lock(2);
    try {
        OnFile(songPath, [&] { LoadSongFile(WidePath(songPath).c_str(), *song); });
        positions = song->SongLength();
    } catch (...) {
        module->Unlock();
        throw;
    }
    module->Unlock();
    if (positions == 0)
        throw CCliError(kExitFailure, songPath + ": the song has no order positions to play");
    if (from < 0 || from >= positions)
        throw CCliError(kExitFailure, songPath + ": position " + std::to_string(from) + " is past the end of the song (" +
                                          std::to_string(positions) + " positions)");

    morvane::CRef<morvane::IAudioDevice> device = OpenAudioDevice();
    morvane::CRef<IOvkModulePlayer> player = NewPlayer(module.Get());
    if (patternLoop)
        player->SetPatternLoop(true);
    morvane::CRef<morvane::IMediaControl> control;
    {
        morvane::CInputStreamSelector selector(player.Get());
        control = morvane::CRef<morvane::IMediaControl>::Adopt(device->RenderAudio(selector, morvane::BUFFERING_STREAM));
    }

    {
        CInterruptHandler interrupt;
        CPositionLine line(positions);
        PlayFromRow(*control, *player, static_cast<unsigned int>(from) * 16);
        while (!g_interrupted && control->IsPlaying()) {
            const float seconds = control->TellTime();
            line.Show(player->TimeToRow(seconds), seconds);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        control->Stop();
    }
    // The control goes before its device closes.
    control.Reset();
    device->Close();
    return kExitSuccess;
}

} // namespace

void AddPlayCommand(CLI::App& app, TCommandAction& action)
{
    CLI::App* command =
        app.add_subcommand("play", "Play a song through the sound card, showing the position as it plays");
    auto song = std::make_shared<std::string>();
    auto from = std::make_shared<int>(0);
    auto pattern = std::make_shared<bool>(false);
    command->add_option("SONG", *song, "Song file (.tonvik)")->required();
    command->add_option("--from", *from, "Order position to start from (0 is the first)")
        ->check(CLI::Range(0, kOrderPositions - 1));
    command->add_flag("--pattern", *pattern, "Loop the pattern of that position until Ctrl+C");
    command->footer("Plays until the song ends or Ctrl+C. Without a sound card it plays silently in real time.");
    command->callback([&action, song, from, pattern] {
        action = [song, from, pattern] { return Play(*song, *from, *pattern); };
    });
}

} // namespace ovk::cli
