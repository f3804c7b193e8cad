// Never losing a composer's work: autosave (with a clock of the test's own),
// the offer of what an editor that did not end normally left, clean ends,
// a save that fails, backups, and the end by a signal.
#include <QDir>
#include <QFile>
#include <QTest>

#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <filesystem>

#include "GuiTestSupport.h"
#include "SongFileTestSupport.h"
#include "core/files/SongFiles.h"
#include "gui/document/CAutosave.h"
#include "gui/document/CEditorSettings.h"
#include "gui/document/CRecoveryStore.h"
#include "morvane/api/Utf.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

using namespace tonvik_test;
using namespace std::chrono_literals;
using TTime = std::chrono::steady_clock::time_point;

class RecoveryTest : public CEditorTest {
protected:
    void SetUp() override
    {
        CEditorTest::SetUp();
        m_store = std::make_unique<ovk::CRecoveryStore>(QString::fromStdString(m_folder.Path("recovery")));
        m_autosave = std::make_unique<ovk::CAutosave>(State(), Document(), *m_store, 30, [this] { return m_now; });
    }
    void TearDown() override
    {
        m_autosave.reset();
        m_store.reset();
        CEditorTest::TearDown();
    }
    void Edit(int row, std::uint32_t note)
    {
        State().PushUndo();
        EditSong([&](ovk::COvkModuleData& song) {
            song.orderTable[0][0] = 1;
            song.patterns[0][1][row] = note;
        });
        Settle();
    }
    void At(std::chrono::milliseconds time)
    {
        m_now = TTime() + time;
        m_autosave->Poll();
    }
    ovk::COvkModuleData Recovered() const
    {
        ovk::COvkModuleData song;
        ovk::LoadSongFile(ovk::ToWide(m_store->SongFile()).c_str(), song);
        return song;
    }

    CTempFolder m_folder;
    TTime m_now;
    std::unique_ptr<ovk::CRecoveryStore> m_store;
    std::unique_ptr<ovk::CAutosave> m_autosave;
};

TEST_F(RecoveryTest, AutosaveWritesWithin30SecondsOfAnEditAndAtMostEvery30Seconds)
{
    At(0ms);
    EXPECT_FALSE(m_store->HasFile());
    // The autosave looks four times a second; it sees the edit at 1 s.
    Edit(0, 61);
    At(1000ms);
    At(29000ms);
    EXPECT_FALSE(m_store->HasFile());
    At(30750ms);  // within 30 s of the edit, with the next look
    ASSERT_TRUE(m_store->HasFile());
    EXPECT_EQ(Recovered().patterns[0][1][0], 61u);
    EXPECT_EQ(m_autosave->Writes(), 1);

    // Nothing new: nothing written. A new edit: written again, not sooner
    // than the interval after it.
    At(45000ms);
    EXPECT_EQ(m_autosave->Writes(), 1);
    Edit(1, 62);
    At(46000ms);
    At(75000ms);
    EXPECT_EQ(m_autosave->Writes(), 1);
    At(75750ms);
    EXPECT_EQ(m_autosave->Writes(), 2);
    EXPECT_EQ(Recovered().NoteData().patterns[0][1][1], 62u);
    EXPECT_LE(m_autosave->Interval(), 30000ms - 250ms);

    // The folder is the user's alone.
    EXPECT_EQ(QFile::permissions(m_store->Folder()) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
}

TEST_F(RecoveryTest, ASaveOrANewSongRemovesTheRecoveryFile)
{
    Edit(0, 61);
    At(0ms);
    At(31000ms);
    ASSERT_TRUE(m_store->HasFile());
    m_dialogs->saveFiles = {QString::fromStdString(m_folder.Path("song.tonvik"))};
    ASSERT_TRUE(Frame().FileSave());
    At(32000ms);
    EXPECT_FALSE(m_store->HasFile());

    Edit(1, 50);
    At(33000ms);
    At(70000ms);
    ASSERT_TRUE(m_store->HasFile());
    m_dialogs->answers = {ovk::CEditorDialogs::ANSWER_NO};
    Frame().FileNew();
    At(71000ms);
    EXPECT_FALSE(m_store->HasFile());
}

TEST_F(RecoveryTest, AFailedSaveKeepsTheOldFileTheRecoveryFileAndTheModifiedMark)
{
    const std::string target = m_folder.Path("kept.tonvik");
    WriteFileBytes(target, GoldenBytes("arrangement.tonvik"));
    ASSERT_TRUE(Frame().OpenPath(morvane::utf::FromUtf8(target)));
    Edit(0, 61);
    At(0ms);
    At(31000ms);
    ASSERT_TRUE(m_store->HasFile());

    // No file may grow beyond 100 bytes: the save fails half way (as on a full disk).
    struct rlimit before {};
    getrlimit(RLIMIT_FSIZE, &before);
    struct rlimit small = before;
    small.rlim_cur = 100;
    signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const bool saved = Frame().FileSave();
    setrlimit(RLIMIT_FSIZE, &before);
    signal(SIGXFSZ, SIG_DFL);

    EXPECT_FALSE(saved);
    ASSERT_EQ(m_dialogs->messages.size(), 1u);
    EXPECT_EQ(m_dialogs->messages[0].text, QStringLiteral("Failed to save the song kept.tonvik."));
    EXPECT_FALSE(m_dialogs->messages[0].detail.isEmpty());
    EXPECT_EQ(FirstDifference(ReadFileBytes(target), GoldenBytes("arrangement.tonvik")), -1);
    EXPECT_TRUE(Document().IsModified());
    At(32000ms);
    EXPECT_TRUE(m_store->HasFile());
    EXPECT_EQ(Recovered().patterns[0][1][0], 61u);
}

TEST_F(RecoveryTest, SavingOverASongKeepsThePreviousVersionUnlessTurnedOff)
{
    const std::string target = m_folder.Path("song.tonvik");
    m_dialogs->saveFiles = {QString::fromStdString(target)};
    Edit(0, 61);
    ASSERT_TRUE(Frame().FileSave());
    EXPECT_FALSE(std::filesystem::exists(target + "~"));  // nothing before it
    const TBytes first = ReadFileBytes(target);
    Edit(1, 62);
    ASSERT_TRUE(Frame().FileSave());
    EXPECT_EQ(FirstDifference(ReadFileBytes(target + "~"), first), -1);
    EXPECT_NE(FirstDifference(ReadFileBytes(target), first), -1);

    const TBytes second = ReadFileBytes(target);
    Frame().Action(QStringLiteral("KeepBackup"))->trigger();
    EXPECT_FALSE(App().Settings().KeepBackup());
    Edit(2, 63);
    ASSERT_TRUE(Frame().FileSave());
    EXPECT_EQ(FirstDifference(ReadFileBytes(target + "~"), first), -1);  // left as it was
}

TEST_F(RecoveryTest, WhatAnEditorLeftIsOfferedBackAndRestoredAsAModifiedSongUnderItsName)
{
    // An editor that did not end cleanly: its store goes, its files stay.
    const QString folder = ovk::CRecoveryStore::DefaultFolder();
    const std::string original = m_folder.Path("tune.tonvik");
    WriteFileBytes(original, GoldenBytes("one_sine.tonvik"));
    ovk::COvkModuleData left;
    left.orderTable[2][0] = 3;
    left.patterns[2][3][4] = 77;
    {
        ovk::CRecoveryStore crashed(folder);
        ASSERT_TRUE(crashed.Save(left, morvane::utf::FromUtf8(original), nullptr));
    }

    // Later keeps it.
    m_dialogs->choices = {2};
    EXPECT_FALSE(App().OfferRecovery());
    ASSERT_EQ(m_dialogs->questions.size(), 1u);
    EXPECT_TRUE(m_dialogs->questions[0].startsWith(
        QStringLiteral("tonvik3 did not end normally. Restore the unsaved changes of tune.tonvik from ")));
    EXPECT_EQ(QDir(folder).entryList({QStringLiteral("*.tonvik")}, QDir::Files).size(), 1);

    // While one editor decides about it, no other one is offered it.
    {
        ovk::CRecoveryStore deciding(folder);
        std::vector<ovk::TRecoveryFile> leftovers = deciding.TakeLeftovers();
        ASSERT_EQ(leftovers.size(), 1u);
        EXPECT_EQ(leftovers[0].song, morvane::utf::FromUtf8(original));
        EXPECT_TRUE(ovk::CRecoveryStore(folder).TakeLeftovers().empty());
        ovk::CRecoveryStore::Keep(leftovers[0]);
    }

    // Restore: the song as it was left, modified, under its own name; the
    // original file untouched.
    m_dialogs->choices = {0};
    EXPECT_TRUE(App().OfferRecovery());
    EXPECT_EQ(Song().patterns[2][3][4], 77u);
    EXPECT_EQ(Document().Path(), morvane::utf::FromUtf8(original));
    Settle();
    EXPECT_TRUE(Document().IsModified());
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("tune.tonvik[*] - tonvik3"));
    EXPECT_EQ(FirstDifference(ReadFileBytes(original), GoldenBytes("one_sine.tonvik")), -1);
    // Now in this editor's own file, which a second editor is not offered.
    ASSERT_TRUE(App().Recovery().HasFile());
    EXPECT_EQ(QDir(folder).entryList({QStringLiteral("*.tonvik")}, QDir::Files).size(), 1);
    EXPECT_TRUE(ovk::CRecoveryStore(folder).TakeLeftovers().empty());

    // A normal end leaves nothing behind.
    m_autosave.reset();
    m_store.reset();
    m_app.reset();
    EXPECT_TRUE(QDir(folder).entryList({QStringLiteral("*.tonvik"), QStringLiteral("*.info")}, QDir::Files).isEmpty());
}

TEST_F(RecoveryTest, DiscardDeletesWhatWasLeft)
{
    {
        ovk::CRecoveryStore crashed(m_store->Folder());
        ASSERT_TRUE(crashed.Save(ovk::COvkModuleData(), std::wstring(), nullptr));
    }
    ovk::CRecoveryStore other(m_store->Folder());
    std::vector<ovk::TRecoveryFile> leftovers = other.TakeLeftovers();
    ASSERT_EQ(leftovers.size(), 1u);
    EXPECT_TRUE(leftovers[0].song.empty());  // untitled
    ovk::CRecoveryStore::Discard(leftovers[0]);
    EXPECT_TRUE(QDir(m_store->Folder()).entryList({QStringLiteral("*.tonvik"), QStringLiteral("*.info")}).isEmpty());
}

TEST_F(RecoveryTest, TermHupAndIntWriteTheRecoveryFileAndKeepIt)
{
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
        Edit(signal % 16, 40);
        ASSERT_FALSE(App().Recovery().HasFile());
        raise(signal);
        ASSERT_TRUE(WaitFor([&] { return App().EndedBySignal(); }, 20000)) << signal;
        ASSERT_TRUE(App().Recovery().HasFile());
        ovk::COvkModuleData song;
        ovk::LoadSongFile(ovk::ToWide(App().Recovery().SongFile()).c_str(), song);
        EXPECT_EQ(song.patterns[0][1][signal % 16], 40u);
        const QString file = App().Recovery().SongFile();
        m_autosave.reset();
        m_store.reset();
        m_app.reset();
        EXPECT_TRUE(QFile::exists(file));  // left for the next start
        QFile::remove(file);
        SetUp();  // the next editor
    }
}

} // namespace
