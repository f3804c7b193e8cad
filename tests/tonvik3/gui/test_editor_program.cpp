// The editor run as a program: a screenshot of a demo song, a song that fails
// to load, no display, and no audio plug-in.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <set>

#include "SongFileTestSupport.h"
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

namespace {

TEST(EditorProgramTest, InstallingPutsTheProgramsPlugInMenuEntryAndFileTypesInPlace)
{
    tonvik_test::CTempFolder prefix;
    const std::string build = fs::path(tonvik_test::BinPath("")).parent_path().parent_path().string();
    const auto install = tonvik_test::RunProgram(TONVIK_CMAKE_COMMAND, {"--install", build, "--prefix", prefix.Get()});
    ASSERT_EQ(install.status, 0) << install.Output();
    for (const char* file : {"bin/tonvik3", "bin/tonvik3-cli", "share/applications/tonvik3.desktop",
                             "share/mime/packages/tonvik3.xml", "share/icons/hicolor/scalable/apps/tonvik3.svg"})
        EXPECT_TRUE(fs::exists(fs::path(prefix.Get()) / file)) << file;
    bool plugin = false;
    for (const auto& entry : fs::recursive_directory_iterator(prefix.Get()))
        plugin = plugin || entry.path().filename() == "mrvx_std_dxa8.so";
    EXPECT_TRUE(plugin);
    // The menu entry opens songs of the type the file types declare.
    const TBytes desktop = ReadFileBytes(prefix.Path("share/applications/tonvik3.desktop"));
    const std::string entry(desktop.begin(), desktop.end());
    EXPECT_NE(entry.find("Exec=tonvik3 %f"), std::string::npos);
    EXPECT_NE(entry.find("application/x-tonvik;"), std::string::npos);
    const TBytes mime = ReadFileBytes(prefix.Path("share/mime/packages/tonvik3.xml"));
    EXPECT_NE(std::string(mime.begin(), mime.end()).find("<glob pattern=\"*.tonvik\"/>"), std::string::npos);
    // The instrument library, by kind.
    int instruments = 0;
    std::set<std::string> kinds;
    for (const auto& entry : fs::recursive_directory_iterator(prefix.Path("share/tonvik3/instruments")))
        if (entry.path().extension() == ".tonviki") {
            ++instruments;
            kinds.insert(entry.path().parent_path().filename().string());
        }
    EXPECT_GE(instruments, 24);
    EXPECT_EQ(kinds.size(), 6u);
    // The installed editor runs from where it was put, and finds the library there.
    const auto version = tonvik_test::RunProgram(prefix.Path("bin/tonvik3"), {"--version"});
    EXPECT_EQ(version.status, 0) << version.Output();
    EXPECT_NE(version.out.find("tonvik3 3.0"), std::string::npos);
    EXPECT_NE(version.out.find("instrument library: " +
                               fs::canonical(prefix.Path("share/tonvik3/instruments")).string() + "\n"),
              std::string::npos)
        << version.out;
}

} // namespace
