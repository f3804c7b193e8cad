// Every sample of a song that the editor plays reaches the output: SDL's disk
// driver stands in for the card and keeps the bytes it was handed. It runs in
// lockstep with the refill, so that a busy machine cannot make it play old
// bytes.
#include <QTest>

#include <cstdlib>

#include "GuiTestSupport.h"
#include "SongFileTestSupport.h"
#include "morvane/api/Utf.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

using namespace tonvik_test;

// The bytes between the first and the last byte that is not 0.
TBytes Trimmed(const TBytes& bytes, std::size_t from = 0)
{
    std::size_t first = from;
    while (first < bytes.size() && bytes[first] == 0)
        ++first;
    std::size_t last = bytes.size();
    while (last > first && bytes[last - 1] == 0)
        --last;
    return TBytes(bytes.begin() + static_cast<std::ptrdiff_t>(first), bytes.begin() + static_cast<std::ptrdiff_t>(last));
}

TEST(EditorDiskOutputTest, PlayHandsTheCardEverySampleOfTheSong)
{
    CTempFolder folder;
    const std::string heard = folder.Path("heard.raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", heard.c_str(), 1);
    setenv("MRVX_STD_DXA8_LOCKSTEP", "1", 1);
    ovk::SetDialogs(std::make_unique<CScriptedDialogs>());
    {
        ovk::CEditorApp editor;
        ASSERT_TRUE(editor.Start(morvane::utf::FromUtf8(DataPath("golden/one_sine.tonvik")), false));
        ovk::CEditorState& state = editor.State();
        ASSERT_TRUE(state.CanPlay());
        state.Play();
        ASSERT_TRUE(QTest::qWaitFor([&] { return state.IsPlaying(); }, 3000));
        // Two seconds of song in real time; the display ends at its end, the
        // output once the end has been heard.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !state.IsPlaying(); }, 20000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !state.SongControl()->IsPlaying(); }, 20000));
    }
    ovk::SetDialogs(nullptr);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    unsetenv("MRVX_STD_DXA8_LOCKSTEP");
    const TBytes song = Trimmed(GoldenBytes("one_sine.wav"), 44);
    const TBytes output = Trimmed(ReadFileBytes(heard));
    ASSERT_FALSE(song.empty());
    EXPECT_EQ(output.size(), song.size());
    EXPECT_EQ(FirstDifference(output, song), -1);
}

} // namespace
