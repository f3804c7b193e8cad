// Every sample of a song that the editor plays reaches the output: SDL's disk
// driver stands in for the card and keeps the bytes it was handed.
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
    ovk::SetDialogs(std::make_unique<CScriptedDialogs>());
    {
        ovk::CEditorApp editor;
        ASSERT_TRUE(editor.Start(morvane::utf::FromUtf8(DataPath("golden/one_sine.tonvik")), false));
        ovk::CEditorState& state = editor.State();
        ASSERT_TRUE(state.CanPlay());
        state.Play();
        ASSERT_TRUE(QTest::qWaitFor([&] { return state.IsPlaying(); }, 3000));
        // Two seconds of song in real time; the display ends at its end.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !state.IsPlaying(); }, 6000));
        QTest::qWait(400);
        state.SongControl()->Stop();
    }
    ovk::SetDialogs(nullptr);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const TBytes song = Trimmed(GoldenBytes("one_sine.wav"), 44);
    const TBytes output = Trimmed(ReadFileBytes(heard));
    ASSERT_FALSE(song.empty());
    EXPECT_EQ(output.size(), song.size());
    EXPECT_EQ(FirstDifference(output, song), -1);
}

} // namespace
