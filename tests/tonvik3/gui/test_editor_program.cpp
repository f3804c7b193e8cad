// The editor run as a program: a screenshot of a demo song, a song that fails
// to load, no display, and no audio plug-in.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

#include "support/ProgramRun.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace tonvik_test;

const std::string kEditor = BinPath("tonvik3");
const std::string kDemo = std::string(TONVIK_EXAMPLES_DIR) + "/neon_steps.tonvik";

TProgramOptions Offscreen(std::vector<std::string> more = {})
{
    TProgramOptions options;
    options.env = {"QT_QPA_PLATFORM=offscreen", "SDL_AUDIODRIVER=dummy"};
    options.env.insert(options.env.end(), more.begin(), more.end());
    return options;
}

TEST(EditorProgramTest, ScreenshotDrawsTheMainWindowWithADemoSong)
{
    CTempFolder folder;
    const auto run = RunProgram(kEditor, {"--screenshot", folder.Path("editor.png"), kDemo}, Offscreen());
    EXPECT_EQ(run.status, 0) << run.Output();
    const QImage picture(QString::fromStdString(folder.Path("editor.png")));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(930, 700));
    // Not one flat colour: the panes are drawn.
    int black = 0, white = 0;
    for (int y = 0; y < picture.height(); y += 3)
        for (int x = 0; x < picture.width(); x += 3) {
            const QRgb p = picture.pixel(x, y);
            black += p == qRgb(0, 0, 0);
            white += p == qRgb(255, 255, 255);
        }
    EXPECT_GT(black, 100);
    EXPECT_GT(white, 1000);
}

TEST(EditorProgramTest, ASongThatFailsToLoadEndsStartUpWithTheReason)
{
    CTempFolder folder;
    const auto run =
        RunProgram(kEditor, {"--screenshot", folder.Path("x.png"), folder.Path("missing.tonvik")}, Offscreen());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Failed to open the song missing.tonvik."), std::string::npos) << run.Output();
    EXPECT_FALSE(fs::exists(folder.Path("x.png")));
}

TEST(EditorProgramTest, WithoutADisplayItSaysHowToGetAPicture)
{
    if (getenv("DISPLAY") || getenv("WAYLAND_DISPLAY"))
        GTEST_SKIP() << "a display is there";
    TProgramOptions options;
    options.env = {"QT_QPA_PLATFORM="};
    const auto run = RunProgram(kEditor, {kDemo}, options);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("no display"), std::string::npos) << run.Output();
    EXPECT_NE(run.err.find("--screenshot"), std::string::npos) << run.Output();
}

TEST(EditorProgramTest, WithoutThePluginItStartsAndSaysOnceThatItCannotPlay)
{
    if (fs::exists(fs::path(TONVIK_PLUGIN_INSTALL_DIR) / "mrvx_std_dxa8.so"))
        GTEST_SKIP() << "an installed plug-in would be found";
    CTempFolder folder;
    const std::string program = folder.Path("tonvik3");
    fs::copy_file(kEditor, program);
    const auto run = RunProgram(program, {"--screenshot", folder.Path("editor.png"), kDemo},
                                Offscreen({"LD_LIBRARY_PATH=" + BinPath("")}));
    EXPECT_EQ(run.status, 0) << run.Output();
    EXPECT_TRUE(fs::exists(folder.Path("editor.png")));
    const std::string said = "Cannot play: the audio output plug-in mrvx_std_dxa8.so was not found";
    const std::size_t first = run.err.find(said);
    EXPECT_NE(first, std::string::npos) << run.Output();
    EXPECT_EQ(run.err.find(said, first + 1), std::string::npos) << run.Output();
}

} // namespace
