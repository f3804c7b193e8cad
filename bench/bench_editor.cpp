// The editor's speed and size (Google Benchmark, offscreen):
//   BM_StartUp             making the whole editor with a demo song up to its
//                          first painted main window, in the process (goal:
//                          at most 0.5 s; the whole program is timed by
//                          bench_editor --startup-process, see main below);
//   BM_Repaint/<pane>      a full repaint of one pane (goal: at most 2 ms);
//   BM_TickNotification    what one tick costs the GUI thread: the meters and
//                          scopes read the player's history and repaint
//                          (goal: at most 1 ms);
//   BM_PlayingMemory       resident memory with the demo song open and
//                          playing (counter rss_mb; goal: at most 60 MB); run
//                          it alone (--benchmark_filter=PlayingMemory): what the
//                          other benchmarks allocated stays with the process;
//   BM_PreviewLatency      from PreviewNote to its first sample reaching the
//                          output, as bench_audio_latency measures edits
//                          (counter latency_ms; goal: at most 50 ms);
//   BM_KeyToPreview        the same from a note key pressed in the pattern
//                          editor (goal: at most 50 ms);
//   BM_KeyToRedraw         a note key in the pattern editor, its edit, and the
//                          repaint of the pane (goal: at most 5 ms);
//   Repaint/OrderTable, Repaint/Pattern with every cell of the song in use;
//   BM_RebuildOscillators  the oscillator list made again for a channel of 16
//                          pairs with FM on (32 rows), BM_RebuildEffects for 16
//                          effects (goal: at most 5 ms each);
//   Repaint/EnvelopeGraph  the envelope editor's graph (goal: at most 2 ms);
//   BM_Autosave            one autosave of a full song (every note, 16 FM pairs
//                          and 8 effects in every channel) on the GUI thread
//                          (goal: at most 5 ms);
//   BM_AutosaveWhilePlaying 20 s of playback with an edit and an autosave every
//                          second (counters stalled_bytes, goal 0, and the least
//                          lead of the output buffer in ms);
//   BM_BarToEar            from a press on an oscillator's volume bar to the
//                          changed sound reaching the output while the song
//                          plays (counter latency_ms; goal: at most 0.24 s).
// Run from the build tree: bench_editor [--startup-process] [benchmark flags].
// bench_editor --playback-cpu SONG [SECONDS]: the share of one core that the
// editor takes (every thread of it: the GUI with its meters and scopes, the
// audio refill and the player) with SONG open, first idle, then playing,
// SECONDS (10) each; without a sound card the output is the plug-in's silent
// clock, which takes the audio at the pace a card would.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QWidget>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "CDxAudioDevice.h"
#include "CDxAudioRenderer.h"
#include "CSoundSystem.h"
#include "gui/instruments/CEffectListMainWnd.h"
#include "gui/instruments/CEnvGraphWnd.h"
#include "gui/instruments/COscillatorListItemWnd.h"
#include "gui/instruments/COscillatorListMainWnd.h"
#include "gui/panes/CBpmWnd.h"
#include "gui/panes/CMasterWnd.h"
#include "gui/panes/CMixerWnd.h"
#include "gui/panes/COrderTableWnd.h"
#include "gui/panes/COscBarWnd.h"
#include "gui/panes/CPatternWnd.h"
#include "gui/panes/CSideWnd.h"
#include "gui/panes/CTimeCounterWnd.h"
#include "gui/app/CEditorApp.h"
#include "gui/document/CAutosave.h"
#include "gui/document/COvkDoc.h"
#include "gui/document/CEditorDialogs.h"
#include "gui/document/CEditorState.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/COvkView.h"
#include "morvane/api/Utf.h"

namespace {

using TClock = std::chrono::steady_clock;

std::string g_demo;

// Questions nobody answers in a measurement.
class CQuietDialogs : public ovk::CEditorDialogs {
public:
    void Message(QWidget*, const QString& text, const QString&, TIcon, const QString&) override
    {
        std::fprintf(stderr, "message: %s\n", text.toLocal8Bit().constData());
    }
    TAnswer Ask(QWidget*, const QString&, const QString&, bool) override { return ANSWER_NO; }
};

std::unique_ptr<ovk::CEditorApp> StartEditor()
{
    auto editor = std::make_unique<ovk::CEditorApp>();
    if (!editor->Start(morvane::utf::FromUtf8(g_demo), false))
        return nullptr;
    editor->MainWindow()->setAttribute(Qt::WA_DontShowOnScreen);
    editor->MainWindow()->show();
    return editor;
}

double ResidentMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kb = 0;
            status >> kb;
            return kb / 1024.0;
        }
    }
    return 0;
}

void BM_StartUp(benchmark::State& state)
{
    for (auto _ : state) {
        auto editor = StartEditor();
        if (!editor) {
            state.SkipWithError("the demo song did not load");
            return;
        }
        const QPixmap picture = editor->MainWindow()->grab();
        benchmark::DoNotOptimize(picture.cacheKey());
    }
}
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond)->Iterations(5);

// Every order entry and every cell in use, so that every cell draws text.
void FillSong(ovk::CEditorState& s)
{
    ovk::COvkModuleData* data = s.song->Lock(2);
    for (int c = 0; c < ovk::kChannels; ++c) {
        for (int p = 0; p < ovk::kOrderPositions; ++p)
            data->orderTable[c][p] = 1 + (p + c) % 15;
        for (int q = 1; q < ovk::kPatterns; ++q)
            for (int r = 0; r < ovk::kRows; ++r)
                data->patterns[c][q][r] = r % 5 == 4 ? 255 : 1 + (q * 7 + r * 3 + c) % 120;
    }
    s.song->Unlock();
}

void Repaint(benchmark::State& state, QWidget* (*pick)(ovk::COvkView&))
{
    auto editor = StartEditor();
    FillSong(editor->State());
    QWidget* pane = pick(*editor->MainWindow()->View());
    QPixmap target(pane->size());
    for (auto _ : state) {
        pane->render(&target);
        benchmark::ClobberMemory();
    }
}
BENCHMARK_CAPTURE(Repaint, Mixer, [](ovk::COvkView& v) -> QWidget* { return v.Mixer(); })
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Repaint, Oscbar, [](ovk::COvkView& v) -> QWidget* { return v.OscBar(); })
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Repaint, Master, [](ovk::COvkView& v) -> QWidget* { return v.Master(); })
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Repaint, TimeCounter,
                  [](ovk::COvkView& v) -> QWidget* { return v.TimeCounter(); })
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Repaint, Bpm, [](ovk::COvkView& v) -> QWidget* { return v.Bpm(); })
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Repaint, Side, [](ovk::COvkView& v) -> QWidget* { return v.Side(); })
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Repaint, OrderTable, [](ovk::COvkView& v) -> QWidget* { return v.OrderTable(); })
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Repaint, Pattern, [](ovk::COvkView& v) -> QWidget* { return v.Pattern(); })
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Repaint, WholeView, [](ovk::COvkView& v) -> QWidget* { return &v; })
    ->Unit(benchmark::kMicrosecond);

void BM_RebuildOscillators(benchmark::State& state)
{
    auto editor = StartEditor();
    ovk::CEditorState& s = editor->State();
    {
        ovk::COvkModuleData* data = s.song->Lock(2);
        data->channels[0].carriers.clear();
        data->channels[0].modulators.clear();
        for (int i = 0; i < 16; ++i) {
            ovk::TOvkOscillator carrier;
            carrier.fmEnabled = true;
            data->channels[0].AddPair(carrier, ovk::TOvkOscillator());
        }
        s.song->Unlock();
    }
    auto* list = static_cast<ovk::COscillatorListMainWnd*>(s.oscillatorList);
    for (auto _ : state) {
        list->Reload();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_RebuildOscillators)->Unit(benchmark::kMicrosecond);

// The list made for 16 FM pairs where it showed one: from a new list each time.
void BM_FirstOscillatorList(benchmark::State& state)
{
    auto editor = StartEditor();
    ovk::CEditorState& s = editor->State();
    {
        ovk::COvkModuleData* data = s.song->Lock(2);
        for (int i = 0; i < 15; ++i) {
            ovk::TOvkOscillator carrier;
            carrier.fmEnabled = true;
            data->channels[0].AddPair(carrier, ovk::TOvkOscillator());
        }
        data->channels[0].carriers[0].fmEnabled = true;
        s.song->Unlock();
    }
    for (auto _ : state) {
        state.PauseTiming();
        // A new list showing channel 2 (one pair), then channel 1.
        s.channel = 1;
        auto* list = new ovk::COscillatorListMainWnd(editor->MainWindow()->View()->Side());
        list->setGeometry(0, 20, 370, 530);
        list->show();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        list->ShowChannel(0);
        QCoreApplication::processEvents();
        state.PauseTiming();
        delete list;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstOscillatorList)->Unit(benchmark::kMicrosecond);

void BM_RebuildEffects(benchmark::State& state)
{
    auto editor = StartEditor();
    ovk::CEditorState& s = editor->State();
    {
        ovk::COvkModuleData* data = s.song->Lock(2);
        data->channels[0].effects.resize(16);
        for (int i = 0; i < 16; ++i)
            data->channels[0].effects[static_cast<std::size_t>(i)].SetType(i % 7);
        s.song->Unlock();
    }
    auto* list = static_cast<ovk::CEffectListMainWnd*>(s.effectList);
    for (auto _ : state) {
        list->Reload();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_RebuildEffects)->Unit(benchmark::kMicrosecond);

void BM_RepaintEnvelopeGraph(benchmark::State& state)
{
    auto editor = StartEditor();  // the drawing resources
    ovk::CEnvGraphWnd graph(nullptr);
    graph.resize(360, 190);
    ovk::TOvkEnvelope envelope;
    envelope.keepEnabled = false;
    envelope.speed = 40;
    graph.SetEnvelope(envelope, 5512);
    QPixmap target(graph.size());
    for (auto _ : state) {
        graph.render(&target);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RepaintEnvelopeGraph)->Name("Repaint/EnvelopeGraph")->Unit(benchmark::kMicrosecond);

// Every channel with 16 FM pairs and 8 effects, on top of every cell in use.
void FillInstruments(ovk::CEditorState& s)
{
    FillSong(s);
    ovk::COvkModuleData* data = s.song->Lock(2);
    for (auto& channel : data->channels) {
        channel.carriers.clear();
        channel.modulators.clear();
        for (int i = 0; i < 16; ++i) {
            ovk::TOvkOscillator carrier;
            carrier.fmEnabled = true;
            channel.AddPair(carrier, ovk::TOvkOscillator());
        }
        channel.effects.resize(8);
        for (int i = 0; i < 8; ++i)
            channel.effects[static_cast<std::size_t>(i)].SetType(i % 6);
    }
    s.song->Unlock();
}

void BM_Autosave(benchmark::State& state)
{
    auto editor = StartEditor();
    FillInstruments(editor->State());
    for (auto _ : state) {
        // A change, so that there is something to save.
        editor->State().song->Lock(2)->tempo = 100 + static_cast<int>(state.iterations() % 50);
        editor->State().song->Unlock();
        editor->Document().SetModified(true);
        editor->Autosave().SaveNow();
    }
    state.counters["writes"] = editor->Autosave().Writes();
}
BENCHMARK(BM_Autosave)->Unit(benchmark::kMillisecond);

void BM_AutosaveWhilePlaying(benchmark::State& state)
{
    auto editor = StartEditor();
    ovk::CEditorState& s = editor->State();
    auto device = morvane::CRef<mrvx_std_dxa8::CDxAudioDevice>::Adopt(new mrvx_std_dxa8::CDxAudioDevice);
    device->Open();
    s.UseAudioDevice(morvane::CRef<morvane::IAudioDevice>(device.Get()));
    FillInstruments(s);
    std::uint64_t stalled = 0;
    double leastLead = 0;
    for (auto _ : state) {
        s.Play();
        while (!s.IsPlaying())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const auto start = TClock::now();
        auto nextSave = start + std::chrono::seconds(1);
        while (TClock::now() - start < std::chrono::seconds(20)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            if (TClock::now() >= nextSave) {
                s.PushUndo();
                s.song->Lock(2)->patterns[1][1][3] += 1;
                s.song->Unlock();
                editor->Autosave().SaveNow();
                nextSave += std::chrono::seconds(1);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        auto* renderer = static_cast<mrvx_std_dxa8::CDxAudioRenderer*>(s.SongControl().Get());
        stalled = renderer->StalledBytes();
        leastLead = renderer->MinLeadBytes() / 88.2;
        s.Stop();
    }
    state.counters["stalled_bytes"] = static_cast<double>(stalled);
    state.counters["least_lead_ms"] = leastLead;
    state.counters["autosaves"] = editor->Autosave().Writes();
}
BENCHMARK(BM_AutosaveWhilePlaying)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_TickNotification(benchmark::State& state)
{
    auto editor = StartEditor();
    ovk::CEditorState& s = editor->State();
    ovk::COvkView& view = *editor->MainWindow()->View();
    s.Play();
    while (!s.IsPlaying())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (auto _ : state) {
        s.oscBar->OnPlayTick();
        s.mixer->OnPlayTick();
        s.master->OnPlayTick();
        view.OscBar()->repaint();
        view.Mixer()->repaint();
        view.Master()->repaint();
    }
    s.Stop();
}
BENCHMARK(BM_TickNotification)->Unit(benchmark::kMicrosecond);

void BM_PlayingMemory(benchmark::State& state)
{
    double rss = 0;
    for (auto _ : state) {
        auto editor = StartEditor();
        editor->State().Play();
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 2000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        rss = ResidentMegabytes();
        editor->State().Stop();
    }
    state.counters["rss_mb"] = rss;
}
BENCHMARK(BM_PlayingMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

// A note key (Q, by its place) pressed in the pattern editor.
void PressNoteKey(QWidget* pane)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, 24, 0, 0, QStringLiteral("q"));
    QApplication::sendEvent(pane, &press);
}

void BM_KeyToRedraw(benchmark::State& state)
{
    auto editor = StartEditor();
    FillSong(editor->State());
    ovk::CPatternWnd* pattern = editor->MainWindow()->View()->Pattern();
    pattern->setFocus();
    for (auto _ : state) {
        editor->State().SelectRow(0);
        PressNoteKey(pattern);
        pattern->repaint();
    }
}
BENCHMARK(BM_KeyToRedraw)->Unit(benchmark::kMicrosecond);

enum TTrigger { TRIGGER_PREVIEW, TRIGGER_KEY, TRIGGER_BAR };

void SoundLatency(benchmark::State& state, TTrigger trigger)
{
    auto editor = StartEditor();
    ovk::CEditorState& s = editor->State();
    // The plug-in's own device, reached directly so that its output can be watched.
    auto device = morvane::CRef<mrvx_std_dxa8::CDxAudioDevice>::Adopt(new mrvx_std_dxa8::CDxAudioDevice);
    device->Open();
    std::atomic<bool> armed{false};
    std::atomic<std::int64_t> heardAt{0};
    device->GetSoundSystem()->SetRenderObserver([&](const std::uint8_t* bytes, std::size_t count) {
        if (!armed.load() || heardAt.load() != 0)
            return;
        for (std::size_t i = 0; i + 1 < count; i += 2)
            if (bytes[i] != 0 || bytes[i + 1] != 0) {
                heardAt = TClock::now().time_since_epoch().count();
                return;
            }
    });
    s.UseAudioDevice(morvane::CRef<morvane::IAudioDevice>(device.Get()));
    if (trigger == TRIGGER_BAR) {
        ovk::COvkModuleData* data = s.song->Lock(2);
        *data = ovk::COvkModuleData();
        data->orderTable[0][0] = 1;
        data->patterns[0][1][0] = 61;
        data->channels[0].envelope = ovk::TOvkEnvelope();
        s.song->Unlock();
        s.RefreshAll();
        s.PatternPlay();
    }
    std::vector<double> latencies;
    for (auto _ : state) {
        s.previewControl->Stop();
        if (trigger == TRIGGER_BAR) {
            s.song->Lock(2)->channels[0].carriers[0].volume = 0;
            s.song->Unlock();
            s.oscillatorList->Reload();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        heardAt = 0;
        armed = true;
        const auto start = TClock::now();
        if (trigger == TRIGGER_KEY) {
            s.SelectRow(0);
            PressNoteKey(editor->MainWindow()->View()->Pattern());
        } else if (trigger == TRIGGER_BAR) {
            // The song plays a held note at volume 0; the press turns it up.
            auto* list = static_cast<ovk::COscillatorListMainWnd*>(s.oscillatorList);
            ovk::COscillatorListItemWnd* row = list->Row(false, 0);
            QMouseEvent press(QEvent::MouseButtonPress, QPointF(197, 40), row->mapToGlobal(QPointF(197, 40)),
                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(row, &press);
            QMouseEvent release(QEvent::MouseButtonRelease, QPointF(197, 40), row->mapToGlobal(QPointF(197, 40)),
                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(row, &release);
        } else {
            s.PreviewNote(0, 61);
        }
        while (heardAt.load() == 0 && TClock::now() - start < std::chrono::seconds(2))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        armed = false;
        const std::int64_t at = heardAt.load();
        if (at != 0)
            latencies.push_back(std::chrono::duration<double, std::milli>(
                                    TClock::duration(at) - start.time_since_epoch())
                                    .count());
    }
    device->GetSoundSystem()->SetRenderObserver(nullptr);
    s.previewControl->Stop();
    std::sort(latencies.begin(), latencies.end());
    if (latencies.empty()) {
        state.SkipWithError("no preview sound reached the output");
        return;
    }
    state.counters["latency_ms"] = latencies[latencies.size() / 2];
    state.counters["latency_max_ms"] = latencies.back();
}
void BM_PreviewLatency(benchmark::State& state) { SoundLatency(state, TRIGGER_PREVIEW); }
void BM_KeyToPreview(benchmark::State& state) { SoundLatency(state, TRIGGER_KEY); }
void BM_BarToEar(benchmark::State& state) { SoundLatency(state, TRIGGER_BAR); }
BENCHMARK(BM_PreviewLatency)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_KeyToPreview)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_BarToEar)->Unit(benchmark::kMillisecond)->Iterations(20);

// The whole program: tonvik3 --screenshot with the demo song, from exec to
// the end of the process (its first painted window, saved), median of runs.
int StartupProcess(const std::string& self)
{
    const std::string folder = self.substr(0, self.find_last_of('/'));
    const std::string editor = folder + "/tonvik3";
    const std::string picture = "/tmp/bench_editor_" + std::to_string(getpid()) + ".png";
    std::vector<double> times;
    for (int run = 0; run < 11; ++run) {
        const auto start = TClock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            execl(editor.c_str(), editor.c_str(), "--screenshot", picture.c_str(), g_demo.c_str(), nullptr);
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "%s failed\n", editor.c_str());
            return 1;
        }
        times.push_back(std::chrono::duration<double>(TClock::now() - start).count());
    }
    std::remove(picture.c_str());
    std::sort(times.begin(), times.end());
    std::printf("tonvik3 --screenshot (start, first paint, save, exit): median %.3f s, min %.3f s, max %.3f s\n",
                times[times.size() / 2], times.front(), times.back());
    return 0;
}

double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The editor's CPU time over seconds of its event loop, as a share of one core.
double CpuShare(double seconds)
{
    const double cpuStart = ProcessCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    return (ProcessCpuSeconds() - cpuStart) / (static_cast<double>(wall.nsecsElapsed()) * 1e-9);
}

int PlaybackCpu(const std::string& song, double seconds)
{
    g_demo = song;
    auto editor = StartEditor();
    if (!editor) {
        std::fprintf(stderr, "%s did not load\n", song.c_str());
        return 1;
    }
    ovk::CEditorState& state = editor->State();
    const double idle = CpuShare(seconds);
    state.Play();
    const double playing = CpuShare(seconds);
    // What the player rendered meanwhile: the output runs in real time.
    const double played = static_cast<double>(state.songPlayer->Tell()) / 88200.0;
    const bool wasPlaying = state.IsPlaying();
    state.Stop();
    std::printf("editor with %s, %.0f s each: idle %.1f %% of one core, playing %.1f %% of one core "
                "(%u cores); %.1f s of the song rendered, %s\n",
                song.c_str(), seconds, 100 * idle, 100 * playing, std::thread::hardware_concurrency(), played,
                wasPlaying ? "still playing" : "NOT PLAYING");
    return wasPlaying ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    g_demo = std::string(TONVIK_EXAMPLES_DIR) + "/neon_steps.tonvik";
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--startup-process") == 0)
            return StartupProcess(argv[0]);
    QApplication application(argc, argv);
    ovk::SetDialogs(std::make_unique<CQuietDialogs>());
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--playback-cpu") == 0) {
            const int status = PlaybackCpu(argv[i + 1], i + 2 < argc ? std::atof(argv[i + 2]) : 10.0);
            ovk::SetDialogs(nullptr);
            return status;
        }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ovk::SetDialogs(nullptr);
    return 0;
}
