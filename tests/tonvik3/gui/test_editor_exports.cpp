// Export > C++ (a private folder, opened on the desktop), Export > C++ as...
// with its defines file, what each says the replayer will play differently,
// the status bar's size of the tables, and Export > WAV with its progress
// dialog: completed, cancelled by ESC, failed, and a cancelled file dialog.
#include <QFileInfo>
#include <QTest>
#include <sys/stat.h>

#include <filesystem>

#include "GuiTestSupport.h"
#include "SongFileTestSupport.h"
#include "core/export/COvkCSourceExport.h"
#include "core/export/SongTableSize.h"
#include "core/files/SongFiles.h"
#include "gui/app/CTableSizeStatus.h"
#include "gui/app/CWavExportDlg.h"
#include "gui/app/CppExport.h"
#include "morvane/api/Utf.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

using namespace tonvik_test;
using ovk::CEditorDialogs;

class ExportTest : public CEditorTest {
protected:
    void Open(const char* golden)
    {
        ASSERT_TRUE(Frame().OpenPath(morvane::utf::FromUtf8(DataPath(std::string("golden/") + golden))));
    }
};

std::uint32_t Le32(const TBytes& bytes, std::size_t at)
{
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::uint32_t(bytes[at + 3]) << 24;
}

TEST_F(ExportTest, CppGoesIntoAFolderOnlyTheUserCanReadAndIsOpenedOnTheDesktop)
{
    Open("arrangement.tonvik");
    Frame().ExportCpp();
    ASSERT_EQ(m_dialogs->opened.size(), 1u);
    const QString path = m_dialogs->opened[0];
    EXPECT_EQ(QFileInfo(path).fileName(), QStringLiteral("OvkSongData.cpp"));
    EXPECT_EQ(FirstDifference(ReadFileBytes(path.toStdString()), GoldenBytes("arrangement.cpp")), -1);
    struct stat folder {};
    ASSERT_EQ(stat(QFileInfo(path).absolutePath().toLocal8Bit().constData(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    EXPECT_EQ(folder.st_uid, getuid());
    // Then what the replayer will play differently, channel by channel.
    ASSERT_EQ(m_dialogs->messages.size(), 1u);
    EXPECT_EQ(m_dialogs->messages[0].text, QStringLiteral("The replayer will play this song differently from the editor:"));
    EXPECT_EQ(m_dialogs->messages[0].caption, QStringLiteral("tonvik3"));
    EXPECT_EQ(m_dialogs->messages[0].icon, CEditorDialogs::ICON_WARNING);
    EXPECT_EQ(m_dialogs->messages[0].detail,
              QStringLiteral("channel 1: note values above 192 cannot be written\n"
                             "channel 1: note value 1 (C-0) is written as an empty row and not played\n"
                             "channel 3: 1 oscillator detuned by less than a semitone, played up to 2.4 cents lower\n"
                             "channel 4: 2 oscillators detuned by less than a semitone, played up to 1.0 cents lower\n"
                             "channel 7: 1 oscillator detuned by less than a semitone, played up to 2.0 cents lower"));
    // Not a fixed name in the shared temporary folder.
    EXPECT_NE(QFileInfo(path).absolutePath(), QStringLiteral("/tmp"));
}

TEST_F(ExportTest, AFailedCppExportSaysSoAndOpensNothing)
{
    // A folder where the file should go: it cannot be written.
    const std::string blocker = (ovk::ExportFolder() + QStringLiteral("/OvkSongData.cpp")).toStdString();
    std::filesystem::remove(blocker);
    std::filesystem::create_directory(blocker);
    Frame().ExportCpp();
    std::filesystem::remove(blocker);
    ASSERT_EQ(m_dialogs->messages.size(), 1u);
    EXPECT_EQ(m_dialogs->messages[0].text, QStringLiteral("Failed to export"));
    EXPECT_EQ(m_dialogs->messages[0].caption, QStringLiteral("tonvik3"));
    EXPECT_EQ(m_dialogs->messages[0].icon, CEditorDialogs::ICON_ERROR);
    EXPECT_TRUE(m_dialogs->opened.empty());
}

TEST_F(ExportTest, CppAsWritesTheChosenFileAndTheDefinesBesideIt)
{
    Open("effects.tonvik");
    CTempFolder folder;
    m_dialogs->saveFiles = {QString::fromStdString(folder.Path("tables.cpp"))};
    Frame().ExportCppAs();
    EXPECT_EQ(FirstDifference(ReadFileBytes(folder.Path("tables.cpp")), GoldenBytes("effects.cpp")), -1);
    const TBytes defines = ReadFileBytes(folder.Path("OvkSongDataDefines.h"));
    EXPECT_EQ(defines, WriteToMemory([&](morvane::IOutputStream* stream) {
                  ovk::COvkCSourceExport(Song()).WriteDefinesFile(stream);
              }));
    ASSERT_EQ(m_dialogs->messages.size(), 1u);
    EXPECT_EQ(m_dialogs->messages[0].text, QStringLiteral("The defines are in OvkSongDataDefines.h beside the "
                                                          "tables.\nThe replayer plays this song exactly as the "
                                                          "editor does."));
    EXPECT_EQ(m_dialogs->messages[0].icon, CEditorDialogs::ICON_INFORMATION);
    EXPECT_TRUE(m_dialogs->messages[0].detail.isEmpty());
}

TEST_F(ExportTest, CppAsThatCannotWriteTheDefinesSaysItFailed)
{
    Open("one_sine.tonvik");
    CTempFolder folder;
    std::filesystem::create_directory(folder.Path("OvkSongDataDefines.h"));
    m_dialogs->saveFiles = {QString::fromStdString(folder.Path("OvkSongData.cpp"))};
    EXPECT_FALSE(ovk::ExportCppSourceAs(State(), &Frame()));
    ASSERT_EQ(m_dialogs->messages.size(), 1u);
    EXPECT_EQ(m_dialogs->messages[0].text, QStringLiteral("Failed to export"));
    EXPECT_EQ(m_dialogs->messages[0].icon, CEditorDialogs::ICON_ERROR);
    EXPECT_TRUE(m_dialogs->messages[0].detail.startsWith(
        QStringLiteral("Cannot write '%1': ").arg(QString::fromStdString(folder.Path("OvkSongDataDefines.h")))))
        << m_dialogs->messages[0].detail.toStdString();
}

TEST_F(ExportTest, TheStatusBarShowsTheTablesSizeOnceAnEditHasSettled)
{
    ovk::CTableSizeStatus& status = *Frame().TableSizeStatus();
    status.Check();  // whatever the start-up left to settle
    ASSERT_TRUE(WaitFor([&] { return !status.Settling(); }));
    const ovk::TSongTableSize before = ovk::SongTableSize(Song());
    EXPECT_EQ(status.text(), QStringLiteral("Tables: %1 bytes, %2 deflated").arg(before.bytes).arg(before.deflated));
    const int recomputed = status.Recomputations();

    // A song that reaches a channel with effects: more rows in every table.
    EditSong([](ovk::COvkModuleData& song) {
        song.orderTable[3][0] = 2;
        song.patterns[3][2][0] = 58;
        song.channels[3].effects.resize(2);
    });
    const ovk::TSongTableSize after = ovk::SongTableSize(Song());
    ASSERT_GT(after.bytes, before.bytes);
    status.Check();
    EXPECT_TRUE(status.Settling());
    EXPECT_EQ(status.Recomputations(), recomputed);
    // Drawing the window does not work the figure out.
    Frame().grab();
    status.grab();
    EXPECT_EQ(status.Recomputations(), recomputed);
    ASSERT_TRUE(WaitFor([&] { return status.Recomputations() > recomputed; }));
    EXPECT_EQ(status.Recomputations(), recomputed + 1);
    EXPECT_EQ(status.text(), QStringLiteral("Tables: %1 bytes, %2 deflated").arg(after.bytes).arg(after.deflated));

    // Nothing moves, nothing is worked out again: polling alone costs a counter read.
    Frame().grab();
    QTest::qWait(3 * ovk::CTableSizeStatus::kPollMs);
    EXPECT_EQ(status.Recomputations(), recomputed + 1);
}

TEST_F(ExportTest, WavExportWritesTheReferenceBytesAndSaysItCompleted)
{
    Open("waves.tonvik");
    CTempFolder folder;
    m_dialogs->saveFiles = {QString::fromStdString(folder.Path("waves.wav"))};
    Frame().ExportWav();  // the dialog closes itself when the worker is done
    EXPECT_EQ(m_dialogs->filters.back(), QStringLiteral("WAV files (*.wav)"));
    EXPECT_EQ(FirstDifference(ReadFileBytes(folder.Path("waves.wav")), GoldenBytes("waves.wav")), -1);
    ASSERT_EQ(m_dialogs->messages.size(), 1u);
    EXPECT_EQ(m_dialogs->messages[0].text, QStringLiteral("WAV export completed!"));
    EXPECT_EQ(m_dialogs->messages[0].caption, QStringLiteral("TONVIK3"));
    EXPECT_EQ(m_dialogs->messages[0].icon, CEditorDialogs::ICON_INFORMATION);
}

TEST_F(ExportTest, ACancelledFileDialogWritesNothing)
{
    m_dialogs->saveFiles = {QString()};
    Frame().ExportWav();
    EXPECT_TRUE(m_dialogs->messages.empty());
}

TEST_F(ExportTest, EscapeStopsTheExportAndLeavesAValidShorterFile)
{
    // 256 positions at 40 BPM in all channels: half an hour of sound, which
    // takes seconds to render.
    EditSong([](ovk::COvkModuleData& song) {
        song.tempo = 40;
        for (int c = 0; c < 8; ++c) {
            song.patterns[c][1][0] = 40 + c;
            for (int p = 0; p < 256; ++p)
                song.orderTable[c][p] = 1;
        }
    });
    CTempFolder folder;
    m_dialogs->saveFiles = {QString::fromStdString(folder.Path("long.wav"))};
    ovk::CWavExportDlg dialog(State().song.Get(), &Frame());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Exporting ..."));
    dialog.show();
    dialog.Begin();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.Cancelled());
    ASSERT_TRUE(WaitFor([&] { return !dialog.isVisible(); }, 20000));
    EXPECT_EQ(dialog.Outcome().result, ovk::TWavExportResult::Cancelled);
    EXPECT_TRUE(m_dialogs->messages.empty());
    const TBytes wav = ReadFileBytes(folder.Path("long.wav"));
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(Le32(wav, 40), wav.size() - 44);
    EXPECT_EQ(Le32(wav, 4), wav.size() - 8);
    EXPECT_LT(wav.size(), 100000000u);  // of 135 MB
}

TEST_F(ExportTest, AWavExportThatCannotWriteSaysItFailed)
{
    Open("one_sine.tonvik");
    CTempFolder folder;
    m_dialogs->saveFiles = {QString::fromStdString(folder.Path("no/such/folder.wav"))};
    Frame().ExportWav();
    ASSERT_EQ(m_dialogs->messages.size(), 1u);
    EXPECT_EQ(m_dialogs->messages[0].text, QStringLiteral("WAV export failed!"));
    EXPECT_EQ(m_dialogs->messages[0].icon, CEditorDialogs::ICON_ERROR);
    EXPECT_FALSE(m_dialogs->messages[0].detail.isEmpty());
}

} // namespace
