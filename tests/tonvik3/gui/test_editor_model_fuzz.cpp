// The editor's model fuzzer: a seeded random composer. It types and deletes
// notes, inserts and deletes rows and positions, selects, copies, cuts,
// pastes, clears and moves blocks, adds, removes and moves oscillators and
// effects and retypes oscillators, moves envelopes, changes tempo, volumes and mutes,
// undoes and redoes, loads instruments, starts and stops playback, and makes
// new songs and opens others, all through the editor state and the panes'
// plain methods, while the song plays through the real player on the silent
// clock and the monitor thread posts what it hears.
//
// After every step: the song's change counter moved if and only if the song
// may have changed, the modified mark follows it, and the song saves, loads
// and saves to the same bytes. Every so often: undo all the way back gives the
// song as it was when its history began (its notes and instruments; tempo,
// master and mixer volumes are no undo steps), and redo all the way gives the
// song back as it was. A failure names its seed and step; TONVIK_FUZZ_SEED
// and TONVIK_FUZZ_STEPS replay or lengthen a run (scripts/model-fuzz.sh).
#include <QCheckBox>
#include <QComboBox>
#include <QSlider>
#include <QTest>

#include <string>

#include "GuiTestSupport.h"
#include "SongFileTestSupport.h"
#include "gui/instruments/CEffectListMainWnd.h"
#include "gui/instruments/CEnvEditorDlg.h"
#include "gui/instruments/COscillatorListMainWnd.h"
#include "gui/instruments/InstrumentEdits.h"
#include "gui/panes/CBpmWnd.h"
#include "gui/panes/CMasterWnd.h"
#include "gui/panes/CMixerWnd.h"
#include "gui/panes/COrderTableWnd.h"
#include "gui/panes/CPatternWnd.h"
#include "gui/panes/CSideWnd.h"
#include "gui/controls/CVolumeBarWnd.h"
#include "morvane/api/Utf.h"
#include "support/ModelFuzz.h"
#include "support/TestSupport.h"

namespace {

using namespace tonvik_test;
using ovk::CEditorDialogs;
using ovk::COvkModuleData;
using morvane::utf::PathFromBytes;

// What undo is to give back: the notes and the instruments, without what no
// undo step holds (tempo, master volume, the mixer's channel volumes).
TBytes UndoContent(COvkModuleData song)
{
    song.tempo = 120;
    song.masterVolume = 100;
    for (auto& channel : song.channels)
        channel.volume = 100;
    return SaveSong(song);
}

// Where two songs differ, for a failure message.
std::string Difference(const TBytes& aBytes, const TBytes& bBytes)
{
    COvkModuleData a, b;
    LoadSong(a, aBytes);
    LoadSong(b, bBytes);
    std::string text;
    for (int c = 0; c < ovk::kChannels; ++c) {
        for (int p = 0; p < ovk::kOrderPositions; ++p)
            if (a.orderTable[c][p] != b.orderTable[c][p])
                text += " order[" + std::to_string(c) + "][" + std::to_string(p) + "] " +
                        std::to_string(a.orderTable[c][p]) + "/" + std::to_string(b.orderTable[c][p]);
        for (int p = 0; p < ovk::kPatterns; ++p)
            for (int r = 0; r < ovk::kRows; ++r)
                if (a.patterns[c][p][r] != b.patterns[c][p][r])
                    text += " pattern[" + std::to_string(c) + "][" + std::to_string(p) + "][" + std::to_string(r) +
                            "] " + std::to_string(a.patterns[c][p][r]) + "/" + std::to_string(b.patterns[c][p][r]);
        if (!(a.channels[c] == b.channels[c]))
            text += " instrument of channel " + std::to_string(c);
    }
    if (a.tempo != b.tempo || a.masterVolume != b.masterVolume)
        text += " tempo or master volume";
    return text.empty() ? " nothing" : text;
}

// Drags the mouse over a block of a pane's cells: the way blocks are selected.
void Drag(QWidget* pane, QPoint from, QPoint to)
{
    QTest::mousePress(pane, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(pane, to);
    QTest::mouseRelease(pane, Qt::LeftButton, Qt::NoModifier, to);
}

class ModelFuzz : public CEditorTest, public ::testing::WithParamInterface<std::uint32_t> {
protected:
    void SetUp() override
    {
        CEditorTest::SetUp();
        if (!State().CanPlay())
            GTEST_SKIP() << State().audioProblem.toStdString();
        m_orders = View().OrderTable();
        m_pattern = View().Pattern();
        m_oscillators = View().Side()->OscillatorList();
        m_effects = View().Side()->EffectList();
        for (const char* name : {"golden/arrangement.tonvik", "golden/effects.tonvik", "golden/waves.tonvik",
                                 "golden/v2_basic.tonvik", "golden/one_sine.tonvik"})
            m_songs.push_back(QString::fromStdString(DataPath(name)));
        for (const char* name : {"golden/instr_rich.tonviki", "golden/instr_rich.v3.tonviki"})
            m_instruments.push_back(QString::fromStdString(DataPath(name)));
        m_damaged = m_folder.Path("damaged.tonviki");
        WriteFileBytes(m_damaged, TBytes{0xFF, 0xFE, 0x01, 0x02});
        m_saved = m_folder.Path("saved.tonvik");
    }

    void TearDown() override
    {
        if (m_app)
            State().Stop();
        CEditorTest::TearDown();
    }

    struct TSeen {
        TBytes bytes;
        std::uint32_t count = 0;
        bool modified = false;
    };
    TSeen Seen() const { return {SaveSong(Song()), State().song->GetChangeCount(), Document().IsModified()}; }

    // A new history begins (start, New, Open): what undo must come back to.
    void HistoryBegins()
    {
        m_undoBase = UndoContent(Song());
        m_historyFull = false;
    }

    void SelectPatternBlock(CFuzzRandom& random)
    {
        const int channel = random.Below(8), row = random.Below(16);
        Drag(m_pattern, ovk::CPatternWnd::CellRect(channel, row).center(),
             ovk::CPatternWnd::CellRect(std::min(7, channel + random.Below(4)), std::min(15, row + random.Below(8)))
                 .center());
    }
    void SelectOrderBlock(CFuzzRandom& random)
    {
        m_orders->SetOffset(0);
        const int channel = random.Below(8), position = random.Below(12);
        Drag(m_orders, m_orders->CellRect(position, channel).center(),
             m_orders->CellRect(position + random.Below(4), std::min(7, channel + random.Below(4))).center());
    }

    // Opens the envelope editor on one envelope of the current channel as the
    // lists do (one undo step), moves one of its controls, and closes it.
    void MoveAnEnvelope(CFuzzRandom& random, std::string& what)
    {
        const ovk::COvkModuleChannel record = Song().channels[State().channel];
        ovk::TEnvelopeRef ref;
        ref.channel = State().channel;
        ref.kind = static_cast<ovk::TEnvelopeRef::TKind>(random.Below(7));
        const int count = ref.kind == ovk::TEnvelopeRef::EFFECT_A || ref.kind == ovk::TEnvelopeRef::EFFECT_B
                              ? static_cast<int>(record.effects.size())
                              : static_cast<int>(record.carriers.size());
        ref.index = count > 0 ? random.Below(count) : 0;
        if (ref.kind != ovk::TEnvelopeRef::CHANNEL && count == 0)
            ref.kind = ovk::TEnvelopeRef::CHANNEL;
        what = "envelope " + std::to_string(ref.kind) + "/" + std::to_string(ref.index);
        State().PushInstrumentUndo(ref.channel);
        ovk::CEnvEditorDlg dialog(ref, &Frame());
        const QList<QSlider*> sliders = dialog.findChildren<QSlider*>();
        const QList<QCheckBox*> boxes = dialog.findChildren<QCheckBox*>();
        const QList<QComboBox*> lists = dialog.findChildren<QComboBox*>();
        const int control = random.Below(10);
        if (control < 6 && !sliders.empty()) {
            QSlider* slider = sliders[random.Below(static_cast<int>(sliders.size()))];
            slider->setValue(random.Between(slider->minimum(), slider->maximum()));
        } else if (control < 8 && !boxes.empty()) {
            boxes[random.Below(static_cast<int>(boxes.size()))]->click();
        } else if (!lists.empty()) {
            lists[0]->setCurrentIndex(random.Below(lists[0]->count()));
        }
    }

    // One random step of the composer, described in what.
    void Step(CFuzzRandom& random, std::string& what)
    {
        ovk::CEditorState& state = State();
        const int kind = random.Below(1000);
        auto pick = [&](int n) { return n > 0 ? random.Below(n) : 0; };
        const ovk::COvkModuleChannel channel = Song().channels[m_oscillators->Channel()];
        const int pairs = static_cast<int>(channel.carriers.size());
        const int effects = static_cast<int>(Song().channels[m_effects->Channel()].effects.size());
        if (kind < 60) {
            what = "cursor";
            state.SelectChannel(random.Below(8));
            state.SelectPosition(random.Chance(0.9) ? random.Below(8) : random.Below(256));
            state.SelectRow(random.Below(16));
        } else if (kind < 200) {
            const int choice = random.Below(12);
            const std::uint32_t value = choice == 0 ? 0 : choice == 1 ? 255 : static_cast<std::uint32_t>(random.Between(1, 120));
            what = "type " + std::to_string(value);
            m_pattern->TypeValue(value);
        } else if (kind < 215) {
            what = "midi note";
            m_pattern->EnterMidiNote(random.Between(0, 127));
        } else if (kind < 240) {
            const bool all = random.Chance(0.3);
            switch (random.Below(3)) {
            case 0: what = "insert row"; m_pattern->InsertRow(all); break;
            case 1: what = "backspace row"; m_pattern->BackspaceRow(all); break;
            default: what = "delete key"; m_pattern->DeleteKey(); break;
            }
        } else if (kind < 290) {
            SelectPatternBlock(random);
            switch (random.Below(5)) {
            case 0: what = "pattern copy"; m_pattern->Copy(); break;
            case 1: what = "pattern cut"; m_pattern->Cut(); break;
            case 2: what = "pattern paste"; m_pattern->Paste(); break;
            case 3: what = "pattern clear"; m_pattern->ClearSelection(); break;
            default:
                what = "pattern move";
                m_pattern->MoveBlock({random.Below(8), random.Below(16)});
                break;
            }
        } else if (kind < 340) {
            switch (random.Below(5)) {
            case 0:
                what = "order entry";
                m_orders->TypeValue(static_cast<std::uint32_t>(random.Below(16)));
                break;
            case 1: what = "insert position"; m_orders->InsertEntry(random.Chance(0.5)); break;
            case 2: what = "backspace position"; m_orders->BackspaceEntry(random.Chance(0.5)); break;
            case 3: what = "order delete key"; m_orders->DeleteKey(); break;
            default: what = "order step"; m_orders->StepEntry(random.Chance(0.5) ? 1 : -1, true); break;
            }
        } else if (kind < 370) {
            SelectOrderBlock(random);
            switch (random.Below(5)) {
            case 0: what = "order copy"; m_orders->Copy(); break;
            case 1: what = "order cut"; m_orders->Cut(); break;
            case 2: what = "order paste"; m_orders->Paste(); break;
            case 3: what = "order clear"; m_orders->ClearSelection(); break;
            default:
                what = "order move";
                m_orders->MoveBlock({random.Below(8), random.Below(16)});
                break;
            }
        } else if (kind < 470) {
            const bool modulator = random.Chance(0.5);
            const int index = pick(pairs);
            switch (pairs == 0 ? 0 : random.Below(10)) {
            case 0: what = "add oscillator"; m_oscillators->AddOscillator(); break;
            case 1: what = "oscillator type"; m_oscillators->SetType(modulator, index, random.Below(13)); break;
            case 2: what = "oscillator cents"; m_oscillators->SetCents(modulator, index, random.Between(-2400, 2400)); break;
            case 3: what = "oscillator step"; m_oscillators->StepCents(modulator, index, random.Between(-100, 100)); break;
            case 4:
                // A drag of the bar: one undo step for all its moves.
                what = "oscillator volume";
                for (int move = 0, moves = random.Between(1, 4); move < moves; ++move)
                    m_oscillators->SetVolume(modulator, index, random.Between(0, 255), move == 0);
                break;
            case 5: what = "fm"; m_oscillators->ToggleFm(index); break;
            case 6: what = "duplicate pair"; m_oscillators->DuplicatePair(index); break;
            case 7: what = "remove pair"; m_oscillators->RemovePair(index); break;
            case 8: what = "move pair"; m_oscillators->MovePair(index, random.Chance(0.5) ? 1 : -1); break;
            default:
                what = "transpose";
                m_oscillators->SetTransposeAmount(random.Between(-1200, 1200));
                m_oscillators->ApplyTranspose();
                break;
            }
        } else if (kind < 550) {
            const int index = pick(effects);
            switch (effects == 0 ? 0 : random.Below(7)) {
            case 0: what = "add effect"; m_effects->AddEffect(random.Below(7)); break;
            case 1: what = "remove effect"; m_effects->RemoveEffect(index); break;
            case 2: what = "duplicate effect"; m_effects->DuplicateEffect(index); break;
            case 3: what = "move effect"; m_effects->MoveEffect(index, random.Chance(0.5) ? 1 : -1); break;
            case 4: {
                what = "effect parameter";
                const int parameter = random.Below(2);
                for (int move = 0, moves = random.Between(1, 4); move < moves; ++move)
                    m_effects->SetParameter(index, parameter, random.Between(0, 255), move == 0);
                break;
            }
            case 5: what = "delay length"; m_effects->SetDelayLength(index, random.Between(0, 3200)); break;
            default: what = "delay step"; m_effects->StepDelayLength(index, random.Between(-50, 50)); break;
            }
        } else if (kind < 600) {
            MoveAnEnvelope(random, what);
        } else if (kind < 620) {
            // Both lists ask before they delete everything.
            m_dialogs->answers.push_back(random.Chance(0.5) ? CEditorDialogs::ANSWER_YES : CEditorDialogs::ANSWER_NO);
            if (random.Chance(0.5)) {
                what = "delete all oscillators";
                m_oscillators->DeleteAll();
            } else {
                what = "delete all effects";
                m_effects->DeleteAll();
            }
            m_dialogs->answers.clear();
        } else if (kind < 640) {
            what = "load instrument";
            m_dialogs->openFiles.push_back(random.Chance(0.2) ? QString::fromStdString(m_damaged)
                                                              : random.Pick(m_instruments));
            ovk::LoadInstrument(random.Below(8), &Frame());
            m_dialogs->openFiles.clear();
        } else if (kind < 655) {
            what = "copy channel";
            ovk::CopyChannel(random.Below(8), random.Below(8));
        } else if (kind < 690) {
            switch (random.Below(4)) {
            case 0: what = "tempo"; View().Bpm()->SetTempo(random.Between(40, 255)); break;
            case 1: what = "tempo up"; View().Bpm()->StepUp(); break;
            case 2: what = "tempo down"; View().Bpm()->StepDown(); break;
            default: {
                what = "master volume";
                ovk::CVolumeBarWnd* bar = View().Master()->Bar();
                QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier,
                                  QPoint(random.Below(std::max(1, bar->width())), bar->height() / 2));
                break;
            }
            }
        } else if (kind < 715) {
            what = "mixer volume";
            View().Mixer()->SetVolume(random.Below(8), random.Between(0, 255));
        } else if (kind < 735) {
            what = "mute";
            state.SetChannelEnabled(random.Below(8), random.Chance(0.6));
        } else if (kind < 790) {
            what = "undo";
            state.Undo();
        } else if (kind < 830) {
            what = "redo";
            state.Redo();
        } else if (kind < 850) {
            what = "preview";
            state.PreviewNote(random.Below(8), static_cast<std::uint32_t>(random.Between(1, 120)));
        } else if (kind < 890 || (kind < 930 && !state.IsPlaying())) {
            const bool pattern = random.Chance(0.3);
            what = pattern ? "pattern play" : "play";
            if (pattern)
                state.PatternPlay();
            else
                state.Play();
        } else if (kind < 940) {
            what = "stop";
            state.Stop();
        } else if (kind < 955) {
            what = "scopes";
            state.LevelAtPlayTime(random.Between(-1, 7));
        } else if (kind < 965) {
            what = "new";
            Document().New();
        } else if (kind < 980) {
            what = "open";
            Document().Open(random.Pick(m_songs).toStdWString(), &Frame());
        } else if (kind < 990) {
            what = "save and open it again";
            ASSERT_TRUE(Document().SaveTo(PathFromBytes(m_saved), &Frame()));
            Document().Open(PathFromBytes(m_saved), &Frame());
        } else {
            what = "save";
            ASSERT_TRUE(Document().SaveTo(PathFromBytes(m_saved), &Frame()));
        }
    }

    // After a step: the counter, the mark and the bytes agree.
    void CheckStep(const std::string& what, const TSeen& before, const TSeen& after)
    {
        const bool replaced = what == "new" || what == "open" || what == "save and open it again";
        if (replaced) {
            EXPECT_FALSE(after.modified) << "a song just made or opened is unmodified";
            EXPECT_EQ(State().undo.Size(), 0u) << "a song just made or opened has no history";
        } else if (what == "save") {
            EXPECT_FALSE(after.modified) << "a saved song is unmodified";
            EXPECT_EQ(after.count, before.count) << "saving wrote into the song";
            EXPECT_EQ(after.bytes, before.bytes) << "saving changed the song";
        } else if (after.count == before.count) {
            EXPECT_EQ(after.bytes, before.bytes) << "the song changed without a write";
            EXPECT_EQ(after.modified, before.modified) << "the modified mark changed without a write";
        } else {
            EXPECT_TRUE(after.modified) << "a write did not mark the song modified";
        }
        if (after.bytes != before.bytes && !replaced) {
            EXPECT_GT(after.count, before.count) << "the song changed but its players were not told";
        }
        COvkModuleData again;
        LoadSong(again, after.bytes);
        EXPECT_EQ(SaveSong(again), after.bytes) << "a save then load does not give the same bytes";
    }

    // Undo all the way back, then redo as many steps forward again.
    void UndoAndRedoEverything(const std::string& trace)
    {
        SCOPED_TRACE(trace + ": undo and redo everything");
        const TBytes now = SaveSong(Song());
        const std::size_t steps = State().undo.Size();
        const std::size_t redosBefore = State().undo.RedoSize();
        for (std::size_t i = 0; i < steps; ++i)
            State().Undo();
        ASSERT_EQ(State().undo.Size(), 0u);
        const TBytes undone = UndoContent(Song());
        EXPECT_TRUE(undone == m_undoBase) << "undo all the way does not give back where the history began:"
                                          << Difference(undone, m_undoBase);
        // Redo entries left from before count only when the song has not
        // changed since (the first Undo drops them otherwise).
        const std::size_t redos = State().undo.RedoSize();
        EXPECT_TRUE(redos == steps || redos == redosBefore + steps) << redos;
        for (std::size_t i = 0; i < steps; ++i)
            State().Redo();
        EXPECT_EQ(State().undo.RedoSize(), redos - steps);
        const TBytes redone = SaveSong(Song());
        EXPECT_TRUE(redone == now) << "redo as far does not give back the song:" << Difference(redone, now);
        m_undoRounds++;
    }

    ovk::COrderTableWnd* m_orders = nullptr;
    ovk::CPatternWnd* m_pattern = nullptr;
    ovk::COscillatorListMainWnd* m_oscillators = nullptr;
    ovk::CEffectListMainWnd* m_effects = nullptr;
    CTempFolder m_folder;
    std::vector<QString> m_songs;
    std::vector<QString> m_instruments;
    std::string m_damaged;
    std::string m_saved;
    TBytes m_undoBase;
    bool m_historyFull = false;
    int m_undoRounds = 0;
};

TEST_P(ModelFuzz, RandomEditsWhilePlayingKeepTheSongAndItsHistoryWhole)
{
    const std::uint32_t seed = GetParam();
    const int steps = FuzzSteps(1200);
    std::printf("editor model fuzz: seed %u, %d steps\n", seed, steps);
    CFuzzRandom random(seed);
    ASSERT_TRUE(Document().Open(m_songs[0].toStdWString(), &Frame()));
    HistoryBegins();
    State().Play();
    int playing = 0;
    int nextUndoRound = random.Between(20, 150);
    for (int step = 0; step < steps && !HasFatalFailure(); ++step) {
        const std::string trace = "seed " + std::to_string(seed) + ", step " + std::to_string(step);
        playing += State().IsPlaying();
        const TSeen before = Seen();
        std::string what;
        Step(random, what);
        Settle();
        SCOPED_TRACE(trace + ": " + what);
        const TSeen after = Seen();
        CheckStep(what, before, after);
        if (what == "new" || what == "open" || what == "save and open it again")
            HistoryBegins();
        m_historyFull = m_historyFull || State().undo.Size() >= ovk::CUndoHistory::kLimit;
        if (HasFailure())
            break;
        if (step == nextUndoRound) {
            if (!m_historyFull)
                UndoAndRedoEverything(trace);
            nextUndoRound = step + random.Between(20, 150);
        }
        if (HasFailure())
            break;
    }
    State().Stop();
    std::printf("editor model fuzz: seed %u done, %d steps while playing, %d undo rounds, %zu messages\n", seed,
                playing, m_undoRounds, m_dialogs->messages.size());
}

// What the model fuzzer found, kept as plain tests.
class ModelFuzzFinds : public CEditorTest {};

// A block asked to move where it does not fit (the mouse never asks that,
// the plain method may be) lands whole at the edge instead of being written
// past the end of the note data.
TEST_F(ModelFuzzFinds, ABlockMovedPastTheEdgeLandsWholeAtTheEdge)
{
    EditSong([](COvkModuleData& song) {
        for (int c = 0; c < 8; ++c) {
            song.orderTable[c][0] = 1;
            for (int r = 0; r < 16; ++r)
                song.patterns[c][1][r] = static_cast<std::uint32_t>(1 + c * 16 + r);
        }
    });
    ovk::CPatternWnd* pattern = View().Pattern();
    pattern->update();
    Drag(pattern, ovk::CPatternWnd::CellRect(1, 2).center(), ovk::CPatternWnd::CellRect(3, 3).center());
    ASSERT_EQ(pattern->Selection().Width(), 3);
    ASSERT_EQ(pattern->Selection().Height(), 2);
    pattern->MoveBlock({7, 15});
    COvkModuleData song = Song();
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 2; ++r)
            EXPECT_EQ(song.patterns[5 + c][1][14 + r], static_cast<std::uint32_t>(1 + (1 + c) * 16 + 2 + r));
    EXPECT_EQ(pattern->Selection().TopLeft(), (ovk::TGridCell{5, 14}));

    ovk::COrderTableWnd* orders = View().OrderTable();
    Drag(orders, orders->CellRect(0, 0).center(), orders->CellRect(2, 1).center());
    ASSERT_EQ(orders->Selection().Width(), 2);
    ASSERT_EQ(orders->Selection().Height(), 3);
    orders->MoveBlock({7, 300});
    song = Song();
    for (int c = 0; c < 2; ++c)
        for (int p = 0; p < 3; ++p)
            EXPECT_EQ(song.orderTable[6 + c][253 + p], p == 0 ? 1u : 0u) << c << "," << p;
    EXPECT_EQ(song.orderTable[0][0], 0u);
    EXPECT_EQ(orders->Selection().TopLeft(), (ovk::TGridCell{6, 253}));
}

INSTANTIATE_TEST_SUITE_P(Seeds, ModelFuzz, ::testing::ValuesIn(FuzzSeeds({1, 2})));

} // namespace
