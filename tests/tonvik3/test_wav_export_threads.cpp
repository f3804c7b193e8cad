// The WAV export driven as the editor drives it: rendering on its own thread,
// cancelled from another, while a second thread edits the song.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "SongFileTestSupport.h"
#include "core/export/COvkWavExport.h"
#include "core/module/CoreClasses.h"
#include "core/module/IOvkModule.h"
#include "morvane/data/resource/CResource.h"
#include "morvane/data/resource/CResourceOs.h"

using namespace tonvik_test;

namespace {

TEST(WavExportThreads, CancelFromAnotherThreadWhileTheSongIsEdited)
{
    ovk::RegisterCoreClasses();
    ovk::COvkModuleData song;
    LoadSong(song, GoldenBytes("arrangement.tonvik"));
    const auto module = SongModule(song);

    std::mutex mutex;
    std::condition_variable changed;
    int reports = 0;
    std::atomic<bool> cancel{false};
    ovk::TWavExportOptions options;
    options.cancel = &cancel;
    // The first report holds the render until the cancel has been given.
    options.progress = [&](int) {
        std::unique_lock<std::mutex> lock(mutex);
        ++reports;
        changed.notify_all();
        changed.wait(lock, [&] { return cancel.load(); });
    };

    auto resource = morvane::CRef<morvane::IResource>::Adopt(new morvane::CResource());
    auto stream = morvane::CRef<morvane::CResourceOs>::Adopt(new morvane::CResourceOs(resource.Get()));
    ovk::TWavExportOutcome outcome;
    std::thread exporter([&] { outcome = ovk::ExportWav(module.Get(), stream.Get(), options); });
    std::thread editor([&] {
        for (int i = 0; i < 50; ++i) {
            ovk::COvkModuleData* song = module->Lock(2);
            song->channels[1].volume = 90 + i;
            module->Unlock();
        }
    });
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return reports > 0; });
        cancel = true;
        changed.notify_all();
    }
    exporter.join();
    editor.join();

    EXPECT_EQ(outcome.result, ovk::TWavExportResult::Cancelled);
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(outcome.sampleBytes, 1024u);
    EXPECT_EQ(stream->GetBytes().size(), 44u + 1024u);
}

} // namespace
