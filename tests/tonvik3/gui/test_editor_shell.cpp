// The editor's shell: start-up, the layout, the document (New, Open, Save,
// the question to save, recent files, drops, closing), undo and redo through
// the Edit menu's shortcuts, the look and the About box.
#include <QBuffer>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMimeData>
#include <QSettings>
#include <QTest>
#include <QUrl>

#include <filesystem>

#include "GuiTestSupport.h"
#include "SongFileTestSupport.h"
#include "core/files/SongFiles.h"
#include "gui/controls/CImageButton.h"
#include "gui/document/CEditorSettings.h"
#include "gui/document/CMfcFileStreams.h"
#include "gui/document/CUiResources.h"
#include "gui/panes/CMixerWnd.h"
#include "gui/panes/CTimeCounterWnd.h"
#include "morvane/api/CDebug.h"
#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/Utf.h"
#include "support/ExpectThrow.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

using namespace tonvik_test;
using ovk::CEditorDialogs;

QString Golden(const char* name) { return QString::fromStdString(DataPath(std::string("golden/") + name)); }

class ShellTest : public CEditorTest {
protected:
    // A small edit made as the panes make them: snapshot first, then the write lock.
    void EditNote(int channel, int pattern, int row, std::uint32_t note)
    {
        State().PushUndo();
        EditSong([&](ovk::COvkModuleData& song) {
            song.orderTable[channel][0] = pattern;
            song.patterns[channel][pattern][row] = note;
        });
    }
};

TEST_F(ShellTest, StartsWithEveryPaneAtItsPlaceInAWindowOf930By700)
{
    EXPECT_EQ(Frame().size(), QSize(930, 700));
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("Untitled[*] - tonvik3"));
    EXPECT_FALSE(Frame().isWindowModified());
    const struct {
        const char* name;
        QRect rect;
    } panes[] = {
        {"Oscbar", QRect(165, 270, 355, 35)},  {"Mixer", QRect(165, 130, 355, 140)},
        {"Master", QRect(165, 50, 355, 30)},   {"Side", QRect(530, 10, 370, 550)},
        {"Time counter", QRect(280, 10, 120, 30)}, {"Play", QRect(400, 10, 32, 32)},
        {"Pattern play", QRect(434, 10, 32, 32)},  {"Stop", QRect(468, 10, 32, 32)},
        {"bpm", QRect(180, 13, 88, 26)},
    };
    for (const auto& pane : panes) {
        const QWidget* widget = View().findChild<QWidget*>(QString::fromLatin1(pane.name));
        ASSERT_NE(widget, nullptr) << pane.name;
        EXPECT_EQ(widget->geometry(), pane.rect) << pane.name;
    }
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(View().EnvelopeButton(i)->geometry(), QRect(193 + 40 * i, 90, 32, 32));
    // The panes reach one another through the state.
    EXPECT_EQ(State().mixer, View().Mixer());
    EXPECT_EQ(State().timeCounter, View().TimeCounter());
    EXPECT_EQ(State().document, &Document());
    // The four classes of the editor are in the class store.
    for (const wchar_t* name : {L"ovk::COvkModule", L"ovk::COvkModulePlayer", L"ovk::CMfcFileInputStream",
                                L"ovk::CMfcFileOutputStream"})
        EXPECT_TRUE(morvane::CreateRef<morvane::IObject>(name)) << morvane::utf::ToUtf8(name);
}

TEST_F(ShellTest, FontsAreRealAndHaveTheirGlyphs)
{
    for (int points : {7, 8, 9, 10, 16, 20}) {
        const QFont font = ovk::Ui().Font(points);
        const QFontMetrics metrics(font);
        for (QChar c : QStringLiteral("AZaz09:./#-BPMX"))
            EXPECT_TRUE(metrics.inFont(c)) << points << " " << c.toLatin1();
        EXPECT_GT(metrics.horizontalAdvance(QStringLiteral("C#5")), 10);
    }
    EXPECT_FALSE(ovk::Ui().FontFamily().isEmpty());
}

TEST_F(ShellTest, AnEditMarksTheTitleAndNewAsksToSaveThenShowsAFreshSong)
{
    EditNote(2, 3, 4, 61);
    State().SelectChannel(2);
    State().SelectRow(4);
    Settle();
    EXPECT_TRUE(Document().IsModified());
    EXPECT_TRUE(Frame().isWindowModified());

    // Cancel keeps everything.
    m_dialogs->answers = {CEditorDialogs::ANSWER_CANCEL};
    Frame().FileNew();
    ASSERT_EQ(m_dialogs->questions.size(), 1u);
    EXPECT_EQ(m_dialogs->questions[0], QStringLiteral("Save changes to Untitled?"));
    EXPECT_EQ(Song().patterns[2][3][4], 61u);

    m_dialogs->answers = {CEditorDialogs::ANSWER_NO};
    Frame().FileNew();
    Settle();
    EXPECT_EQ(Song().patterns[2][3][4], 0u);
    EXPECT_EQ(State().channel, 0);
    EXPECT_EQ(State().position, 0);
    EXPECT_EQ(State().row, 0);
    EXPECT_FALSE(Document().IsModified());
    EXPECT_FALSE(Frame().isWindowModified());
    EXPECT_EQ(State().undo.Size(), 0u);

    // An unmodified song is not asked about.
    Frame().FileNew();
    EXPECT_EQ(m_dialogs->questions.size(), 2u);
}

TEST_F(ShellTest, OpenShowsTheSongAndSaveAsWritesTheCurrentFormat)
{
    m_dialogs->openFiles = {Golden("v2_basic.tonvik")};
    Frame().FileOpen();
    Settle();
    EXPECT_EQ(m_dialogs->filters.at(0), QStringLiteral("tonvik3 Files (*.tonvik)"));
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("v2_basic.tonvik[*] - tonvik3"));
    EXPECT_FALSE(Document().IsModified());
    ovk::COvkModuleData expected;
    ovk::LoadSongFile(Golden("v2_basic.tonvik").toStdWString().c_str(), expected);
    EXPECT_EQ(SaveSong(Song()), SaveSong(expected));

    CTempFolder folder;
    const QString target = QString::fromStdString(folder.Path("converted.tonvik"));
    m_dialogs->saveFiles = {target};
    EXPECT_TRUE(Frame().FileSaveAs());
    EXPECT_EQ(FirstDifference(ReadFileBytes(target.toStdString()), GoldenBytes("v2_basic.v3.tonvik")), -1);
    EXPECT_EQ(Document().Path(), target.toStdWString());
    // Both files are now recent, newest first.
    EXPECT_EQ(App().Settings().RecentFiles(),
              (std::vector<std::wstring>{target.toStdWString(), Golden("v2_basic.tonvik").toStdWString()}));

    // Save writes to the same file again without asking.
    EditSong([](ovk::COvkModuleData& song) { song.tempo = 133; });
    EXPECT_TRUE(Frame().FileSave());
    ovk::COvkModuleData saved;
    ovk::LoadSongFile(target.toStdWString().c_str(), saved);
    EXPECT_EQ(saved.tempo, 133);
    EXPECT_FALSE(Document().IsModified());
}

TEST_F(ShellTest, AFailedOpenLeavesTheSongAndTheDocumentAsTheyWere)
{
    ASSERT_TRUE(Frame().OpenPath(Golden("arrangement.tonvik").toStdWString()));
    EditNote(1, 2, 3, 40);
    const ovk::COvkModuleData before = Song();
    const std::size_t snapshots = State().undo.Size();

    // A good header followed by a damaged record.
    CTempFolder folder;
    TBytes damaged = GoldenBytes("arrangement.tonvik");
    damaged.resize(damaged.size() / 2);
    damaged.insert(damaged.end(), {0x63, 0, 0, 0});
    WriteFileBytes(folder.Path("damaged.tonvik"), damaged);
    m_dialogs->answers = {CEditorDialogs::ANSWER_NO};
    EXPECT_FALSE(Frame().OpenPath(folder.Wide(L"damaged.tonvik")));
    Settle();

    ASSERT_EQ(m_dialogs->messages.size(), 1u);
    EXPECT_EQ(m_dialogs->messages[0].text, QStringLiteral("Failed to open the song damaged.tonvik."));
    EXPECT_EQ(m_dialogs->messages[0].icon, CEditorDialogs::ICON_ERROR);
    EXPECT_FALSE(m_dialogs->messages[0].detail.isEmpty());
    EXPECT_EQ(SaveSong(Song()), SaveSong(before));
    EXPECT_EQ(QFileInfo(ovk::ToQString(Document().Path())).fileName(), QStringLiteral("arrangement.tonvik"));
    EXPECT_TRUE(Document().IsModified());
    EXPECT_EQ(State().undo.Size(), snapshots);
}

TEST_F(ShellTest, AFailedSaveSaysWhyAndKeepsTheSongModified)
{
    EditNote(0, 1, 0, 61);
    CTempFolder folder;
    const QString target = QString::fromStdString(folder.Path("missing/song.tonvik"));
    m_dialogs->saveFiles = {target};
    EXPECT_FALSE(Frame().FileSave());
    ASSERT_EQ(m_dialogs->messages.size(), 1u);
    EXPECT_EQ(m_dialogs->messages[0].text, QStringLiteral("Failed to save the song song.tonvik."));
    EXPECT_TRUE(Document().IsModified());
    EXPECT_TRUE(Document().Path().empty());
    EXPECT_FALSE(std::filesystem::exists(target.toStdString()));
}

TEST_F(ShellTest, RecentFilesKeepTheSixteenNewestAndDropOneThatNoLongerOpens)
{
    CTempFolder folder;
    for (int i = 0; i < 18; ++i) {
        const std::string path = folder.Path("song" + std::to_string(i) + ".tonvik");
        WriteFileBytes(path, GoldenBytes("one_sine.tonvik"));
        ASSERT_TRUE(Frame().OpenPath(morvane::utf::FromUtf8(path)));
    }
    std::vector<std::wstring> files = App().Settings().RecentFiles();
    ASSERT_EQ(files.size(), 16u);
    EXPECT_TRUE(files.front().ends_with(L"song17.tonvik"));
    EXPECT_TRUE(files.back().ends_with(L"song2.tonvik"));

    std::filesystem::remove(folder.Path("song5.tonvik"));
    QAction* recent = Frame().Action(QStringLiteral("Recent%1").arg(13));
    ASSERT_NE(recent, nullptr);
    EXPECT_TRUE(recent->text().endsWith(QStringLiteral("song5.tonvik")));
    recent->trigger();
    EXPECT_EQ(m_dialogs->messages.size(), 1u);
    files = App().Settings().RecentFiles();
    EXPECT_EQ(files.size(), 15u);
    EXPECT_EQ(std::count_if(files.begin(), files.end(), [](const std::wstring& f) { return f.ends_with(L"song5.tonvik"); }),
              0);
}

TEST_F(ShellTest, ADroppedSongIsOpenedLikeFileOpen)
{
    auto drop = [&](const QString& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&Frame(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&Frame(), &dropped);
        Settle();
        return true;
    };
    EXPECT_FALSE(drop(Golden("arrangement.wav")));
    EditNote(0, 1, 0, 61);
    m_dialogs->answers = {CEditorDialogs::ANSWER_NO};
    EXPECT_TRUE(drop(Golden("arrangement.tonvik")));
    EXPECT_EQ(m_dialogs->questions.size(), 1u);
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("arrangement.tonvik[*] - tonvik3"));
}

TEST_F(ShellTest, ClosingAskesToSaveAndCancelKeepsTheWindowOpen)
{
    EditNote(0, 1, 0, 61);
    m_dialogs->answers = {CEditorDialogs::ANSWER_CANCEL};
    Frame().Action(QStringLiteral("FileExit"))->trigger();
    EXPECT_TRUE(Frame().isVisible());

    CTempFolder folder;
    m_dialogs->answers = {CEditorDialogs::ANSWER_YES};
    m_dialogs->saveFiles = {QString::fromStdString(folder.Path("kept.tonvik"))};
    EXPECT_TRUE(Frame().close());
    EXPECT_FALSE(Frame().isVisible());
    ovk::COvkModuleData kept;
    ovk::LoadSongFile(folder.Wide(L"kept.tonvik").c_str(), kept);
    EXPECT_EQ(kept.patterns[0][1][0], 61u);
}

TEST_F(ShellTest, UndoAndRedoThroughTheirShortcutsGiveBackEditsAndTheCursor)
{
    EditNote(3, 1, 5, 30);
    State().SelectChannel(3);
    State().SelectRow(5);
    EditNote(3, 1, 6, 31);
    State().SelectRow(6);

    auto key = [&](Qt::Key k, Qt::KeyboardModifiers m) {
        QTest::keyClick(&Frame(), k, m);
        Settle();
    };
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Song().patterns[3][1][6], 0u);
    EXPECT_EQ(Song().patterns[3][1][5], 30u);
    EXPECT_EQ(State().row, 5);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Song().patterns[3][1][5], 0u);
    EXPECT_EQ(State().channel, 0);
    // Nothing more to undo: nothing happens.
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Song().orderTable[3][0], 0u);

    key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Song().patterns[3][1][5], 30u);
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Song().patterns[3][1][6], 31u);
    EXPECT_EQ(State().undo.RedoSize(), 0u);

    // A new edit after an undo clears what could be redone.
    key(Qt::Key_Z, Qt::ControlModifier);
    EditNote(4, 1, 0, 50);
    key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Song().patterns[3][1][6], 0u);
    EXPECT_EQ(Song().patterns[4][1][0], 50u);
}

TEST_F(ShellTest, TheLookIsRememberedAndComesBackAtTheNextStart)
{
    QAction* dark = Frame().Action(QStringLiteral("Look:fusion-dark"));
    ASSERT_NE(dark, nullptr);
    dark->trigger();
    EXPECT_EQ(QSettings(QStringLiteral("tonvik3"), QStringLiteral("tonvik3")).value("ApplicationLook").toString(),
              QStringLiteral("fusion-dark"));
    EXPECT_LT(QApplication::palette().color(QPalette::Window).lightness(), 100);

    m_app.reset();
    m_app = std::make_unique<ovk::CEditorApp>();
    ASSERT_TRUE(m_app->Start(std::nullopt, false));
    EXPECT_LT(QApplication::palette().color(QPalette::Window).lightness(), 100);
    EXPECT_TRUE(Frame().Action(QStringLiteral("Look:fusion-dark"))->isChecked());
    Frame().Action(QStringLiteral("Look:fusion-light"))->trigger();
    EXPECT_GT(QApplication::palette().color(QPalette::Window).lightness(), 150);
}

TEST_F(ShellTest, AboutShowsTheTitleAndVersion)
{
    Frame().Action(QStringLiteral("HelpAbout"))->trigger();
    ASSERT_EQ(m_dialogs->messages.size(), 1u);
    EXPECT_TRUE(m_dialogs->messages[0].text.contains(QStringLiteral("tonvik3")));
    EXPECT_TRUE(m_dialogs->messages[0].text.contains(QStringLiteral("Version 3.0")));
}

TEST_F(ShellTest, FrameworkMessagesBecomeMessageBoxesAndTheSilentNoticeGoesToTheStatusBar)
{
    morvane::CDebug::PrintMessage(morvane::DEBUG_MESSAGE_BOX, L"[x::Y] Not locked!");
    morvane::CDebug::PrintMessage(morvane::DEBUG_MESSAGE_BOX, L"%ls", ovk::CEditorApp::kPlayingSilently.c_str());
    Settle();
    ASSERT_EQ(m_dialogs->messages.size(), 1u);
    EXPECT_EQ(m_dialogs->messages[0].text, QStringLiteral("[x::Y] Not locked!"));
    EXPECT_EQ(m_dialogs->messages[0].caption, QStringLiteral("Morvane message"));
    EXPECT_EQ(Frame().Notice(), QStringLiteral("No sound card: playing silently in real time."));
}

} // namespace

namespace {

using tonvik_test::CEditorTest;

class ArchiveStreamTest : public CEditorTest {};

TEST_F(ArchiveStreamTest, ASongIsReadAndWrittenThroughTheToolkitsFiles)
{
    const tonvik_test::TBytes bytes = tonvik_test::GoldenBytes("arrangement.tonvik");
    QBuffer source;
    source.setData(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()));
    const auto input = morvane::CreateRef<ovk::IArchiveInputStream>(L"ovk::CMfcFileInputStream");
    ASSERT_TRUE(input);
    tonvik_test::ExpectThrow<morvane::CIOException>([&] { input->Connect(&source); }, nullptr, L"Handle is NULL");
    source.open(QIODevice::ReadOnly);
    input->Connect(&source);
    ovk::COvkModuleData song;
    song.Load(input.Get());
    EXPECT_EQ(tonvik_test::SaveSong(song), bytes);
    // Fewer bytes than asked: the end.
    char rest[16];
    EXPECT_EQ(input->Read(rest, sizeof rest), 0u);
    EXPECT_TRUE(input->Eof());
    tonvik_test::ExpectThrow<morvane::COperationNotSupportedException>([&] { input->Seek(0); }, nullptr,
                                                                       L"Seek not supported");
    tonvik_test::ExpectThrow<morvane::CNullPtrException>([&] { input->Read(nullptr, 4); }, nullptr, L"buffer is NULL");

    QBuffer target;
    target.open(QIODevice::ReadOnly);
    const auto output = morvane::CreateRef<ovk::IArchiveOutputStream>(L"ovk::CMfcFileOutputStream");
    tonvik_test::ExpectThrow<morvane::CIOException>([&] { output->Connect(&target); }, nullptr,
                                                    L"Archive is not in storing state");
    target.close();
    target.open(QIODevice::WriteOnly);
    output->Connect(&target);
    song.Save(output.Get());
    EXPECT_EQ(target.data().size(), static_cast<int>(bytes.size()));
    EXPECT_EQ(std::memcmp(target.data().constData(), bytes.data(), bytes.size()), 0);
}

} // namespace

namespace {

TEST_F(ShellTest, FileNamesThatAreNotUtf8AreOpenedSavedAndRememberedAsTheyAre)
{
    CTempFolder folder;
    const std::string name = folder.Get() + "/caf\xe9.tonvik";  // Latin-1, not UTF-8
    WriteFileBytes(name, GoldenBytes("one_sine.tonvik"));
    const std::wstring path = morvane::utf::PathFromBytes(name);
    ASSERT_TRUE(Frame().OpenPath(path));
    EditNote(0, 1, 5, 70);
    ASSERT_TRUE(Frame().FileSave());
    ovk::COvkModuleData saved;
    ovk::LoadSongFile(path.c_str(), saved);
    EXPECT_EQ(saved.patterns[0][1][5], 70u);
    EXPECT_EQ(FirstDifference(ReadFileBytes(name + "~"), GoldenBytes("one_sine.tonvik")), -1);
    // No second file under a name made of the wrong bytes.
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Get()))
        entries += entry.is_regular_file();
    EXPECT_EQ(entries, 2);
    ASSERT_FALSE(App().Settings().RecentFiles().empty());
    EXPECT_EQ(morvane::utf::PathToBytes(App().Settings().RecentFiles().front()), name);
    Frame().FileNew();
    Frame().Action(QStringLiteral("Recent1"))->trigger();
    EXPECT_EQ(Document().Path(), path);
    EXPECT_TRUE(m_dialogs->messages.empty());
}

} // namespace
