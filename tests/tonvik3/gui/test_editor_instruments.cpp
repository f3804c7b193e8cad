// The instrument editors, driven with real events: the oscillator list, the
// effect list, the envelope editor and its graph, instrument files, and undo
// of instrument edits.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include "GuiTestSupport.h"
#include "SongFileTestSupport.h"
#include "core/files/SongFiles.h"
#include "core/synth/TOvkEnvelopeState.h"
#include "gui/controls/CImageButton.h"
#include "gui/controls/CInPlaceEdit.h"
#include "gui/controls/CSpinWnd.h"
#include "gui/controls/CVolumeBarWnd.h"
#include "gui/instruments/CEffectListBodyWnd.h"
#include "gui/instruments/CEffectListItemWnd.h"
#include "gui/instruments/CEffectListMainWnd.h"
#include "gui/instruments/CEnvEditorDlg.h"
#include "gui/instruments/CEnvGraphWnd.h"
#include "gui/instruments/COscillatorListBodyWnd.h"
#include "gui/instruments/COscillatorListItemWnd.h"
#include "gui/instruments/COscillatorListMainWnd.h"
#include "gui/document/CEditorSettings.h"
#include "gui/document/InstrumentLibrary.h"
#include "gui/instruments/InstrumentEdits.h"
#include "gui/panes/CSideWnd.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

using namespace tonvik_test;
using ovk::CEditorDialogs;
using ovk::COscillatorListItemWnd;

class InstrumentTest : public CEditorTest {
protected:
    void SetUp() override
    {
        CEditorTest::SetUp();
        m_oscillators = View().Side()->OscillatorList();
        m_effects = View().Side()->EffectList();
    }
    ovk::COvkModuleChannel Channel(int c) const { return Song().channels[c]; }
    COscillatorListItemWnd* Row(bool modulator, int index) const { return m_oscillators->Row(modulator, index); }
    std::size_t RowCount() const { return m_oscillators->Rows()->Rows().size(); }
    void Click(QWidget* widget, QPoint at) { QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at); }
    // A click on a button drawn in a row.
    template <class TRow>
    void Tap(TRow* row, const char* name)
    {
        ASSERT_NE(row, nullptr);
        const QRect place = row->ButtonRect(QString::fromLatin1(name));
        ASSERT_FALSE(place.isEmpty()) << name;
        QTest::mouseClick(row, Qt::LeftButton, Qt::NoModifier, place.center());
        Settle();
    }
    void Press(QAbstractButton* button)
    {
        ASSERT_NE(button, nullptr);
        button->click();
        Settle();
    }
    // Types text into the in-place edit a click on `at` opens, then Enter.
    void TypeInto(QWidget* row, QPoint at, const QString& text)
    {
        Click(row, at);
        auto* edit = row->findChild<ovk::CInPlaceEdit*>();
        ASSERT_NE(edit, nullptr);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
        Settle();
    }
    void ShowEffects(const std::function<void(std::vector<ovk::TOvkEffect>&)>& make)
    {
        EditSong([&](ovk::COvkModuleData& song) { make(song.channels[0].effects); });
        m_effects->Reload();
        View().Side()->ShowTab(ovk::CSideWnd::TAB_EFFECTS);
    }

    ovk::COscillatorListMainWnd* m_oscillators = nullptr;
    ovk::CEffectListMainWnd* m_effects = nullptr;
};

TEST_F(InstrumentTest, AddOnAnEmptyChannelGivesOneRowAndNewRemovesItWhenAskedYes)
{
    EditSong([](ovk::COvkModuleData& song) {
        song.channels[0].carriers.clear();
        song.channels[0].modulators.clear();
    });
    m_oscillators->Reload();
    EXPECT_EQ(RowCount(), 0u);
    Press(m_oscillators->Button(QStringLiteral("Add")));
    EXPECT_EQ(RowCount(), 1u);
    EXPECT_EQ(Channel(0).carriers.size(), 1u);
    EXPECT_EQ(Channel(0).modulators.size(), 1u);

    m_dialogs->answers = {CEditorDialogs::ANSWER_NO};
    Press(m_oscillators->Button(QStringLiteral("New")));
    EXPECT_EQ(Channel(0).carriers.size(), 1u);
    m_dialogs->answers = {CEditorDialogs::ANSWER_YES};
    Press(m_oscillators->Button(QStringLiteral("New")));
    EXPECT_EQ(m_dialogs->questions.back(), QStringLiteral("Do you want to delete all the oscillators in this channel?"));
    EXPECT_TRUE(Channel(0).carriers.empty());
    EXPECT_TRUE(Channel(0).modulators.empty());
    EXPECT_EQ(RowCount(), 0u);
    Settle();
    EXPECT_TRUE(Document().IsModified());
}

TEST_F(InstrumentTest, PitchOffsetsAreTypedAsSemitonesWithTenthsAndHundredths)
{
    COscillatorListItemWnd* row = Row(false, 0);
    ASSERT_NE(row, nullptr);
    const QPoint text = COscillatorListItemWnd::kFrequency.center();
    TypeInto(row, text, QStringLiteral("-1.5"));
    EXPECT_EQ(Channel(0).carriers[0].cents, -150);
    TypeInto(Row(false, 0), text, QStringLiteral("2.05"));
    EXPECT_EQ(Channel(0).carriers[0].cents, 205);
    TypeInto(Row(false, 0), text, QStringLiteral("7"));
    EXPECT_EQ(Channel(0).carriers[0].cents, 700);
    TypeInto(Row(false, 0), text, QStringLiteral("1.2345"));
    EXPECT_EQ(Channel(0).carriers[0].cents, 123);
    TypeInto(Row(false, 0), text, QStringLiteral("up"));
    EXPECT_EQ(Channel(0).carriers[0].cents, 0);
    EXPECT_EQ(ovk::HundredthsText(-150), QStringLiteral("-1.50"));
    EXPECT_EQ(ovk::HundredthsText(205), QStringLiteral("2.05"));

    // The spins step a semitone and a tenth.
    auto* semitone = Row(false, 0)->findChild<ovk::CSpinWnd*>(QStringLiteral("Semitone"));
    auto* tenth = Row(false, 0)->findChild<ovk::CSpinWnd*>(QStringLiteral("Tenth"));
    QTest::mouseClick(semitone, Qt::LeftButton, Qt::NoModifier, QPoint(5, 3));
    QTest::mouseClick(tenth, Qt::LeftButton, Qt::NoModifier, QPoint(5, 15));
    EXPECT_EQ(Channel(0).carriers[0].cents, 90);
}

TEST_F(InstrumentTest, TheVolumeBarGoesFrom0To255AndADragIsOneUndoStep)
{
    COscillatorListItemWnd* row = Row(false, 0);
    const int y = COscillatorListItemWnd::kVolumeBar.center().y();
    const std::size_t steps = State().undo.Size();
    QTest::mousePress(row, Qt::LeftButton, Qt::NoModifier, QPoint(61, y));
    EXPECT_EQ(Channel(0).carriers[0].volume, 0);
    QTest::mouseMove(row, QPoint(120, y));
    EXPECT_EQ(Channel(0).carriers[0].volume, 110);
    QTest::mouseMove(row, QPoint(197, y));
    QTest::mouseRelease(row, Qt::LeftButton, Qt::NoModifier, QPoint(197, y));
    EXPECT_EQ(Channel(0).carriers[0].volume, 255);
    EXPECT_EQ(State().undo.Size(), steps + 1);
    Frame().EditUndo();
    EXPECT_EQ(Channel(0).carriers[0].volume, 100);
    Frame().EditRedo();
    EXPECT_EQ(Channel(0).carriers[0].volume, 255);
}

TEST_F(InstrumentTest, RowsMoveCopyAndCloseInBothListsAndUpOnTheFirstDoesNothing)
{
    EditSong([](ovk::COvkModuleData& song) {
        ovk::COvkModuleChannel& c = song.channels[0];
        c.carriers.clear();
        c.modulators.clear();
        for (int i = 0; i < 3; ++i) {
            ovk::TOvkOscillator carrier, modulator;
            carrier.cents = 100 * i;
            modulator.cents = 1000 + i;
            c.AddPair(carrier, modulator);
        }
    });
    m_oscillators->Reload();
    const ovk::COvkModuleChannel before = Channel(0);
    const std::size_t steps = State().undo.Size();
    Tap(Row(false, 0), "Up");
    Tap(Row(false, 2), "Down");
    EXPECT_TRUE(Channel(0) == before);
    EXPECT_EQ(State().undo.Size(), steps);

    Tap(Row(false, 0), "Down");
    EXPECT_EQ(Channel(0).carriers[0].cents, 100);
    EXPECT_EQ(Channel(0).modulators[0].cents, 1001);
    Tap(Row(false, 1), "Copy");
    EXPECT_EQ(Channel(0).carriers.size(), 4u);
    EXPECT_EQ(Channel(0).carriers[2].cents, 0);
    EXPECT_EQ(Channel(0).modulators[2].cents, 1000);
    Tap(Row(false, 3), "Close");
    EXPECT_EQ(Channel(0).carriers.size(), 3u);
    EXPECT_EQ(Channel(0).modulators.size(), 3u);
    EXPECT_EQ(Channel(0).carriers[2].cents, 0);

    // FM on shows the modulator's row under its carrier; off hides it.
    Tap(Row(false, 1), "fmBt");
    EXPECT_TRUE(Channel(0).carriers[1].fmEnabled);
    EXPECT_EQ(RowCount(), 4u);
    ASSERT_NE(Row(true, 1), nullptr);
    EXPECT_EQ(m_oscillators->Rows()->Rows()[2], Row(true, 1));
    EXPECT_TRUE(Row(true, 1)->ButtonRect(QStringLiteral("fmBt")).isEmpty());
    Tap(Row(false, 1), "fmBt");
    EXPECT_EQ(RowCount(), 3u);
}

TEST_F(InstrumentTest, EditsOfRowsThatAreNotThereChangeNothingAndLeaveNoTrace)
{
    // One oscillator pair and one effect in channel 0.
    m_effects->AddEffect(ovk::EFFECT_DELAY);
    Settle();
    Document().SetModified(false);
    const ovk::COvkModuleData before = Song();
    const std::size_t steps = State().undo.Size();
    const std::uint32_t changes = State().song->GetChangeCount();
    const std::vector<std::pair<const char*, std::function<void()>>> edits = {
        {"SetVolume", [&] { m_oscillators->SetVolume(false, 1, 7, true); }},
        {"SetVolume of a modulator", [&] { m_oscillators->SetVolume(true, 5, 7, false); }},
        {"SetType", [&] { m_oscillators->SetType(false, -1, 2); }},
        {"SetCents", [&] { m_oscillators->SetCents(true, 1, 300); }},
        {"StepCents", [&] { m_oscillators->StepCents(false, 1, 100); }},
        {"ToggleFm", [&] { m_oscillators->ToggleFm(1); }},
        {"DuplicatePair", [&] { m_oscillators->DuplicatePair(1); }},
        {"RemovePair", [&] { m_oscillators->RemovePair(-1); }},
        {"MovePair", [&] { m_oscillators->MovePair(0, 1); }},
        {"RemoveEffect", [&] { m_effects->RemoveEffect(1); }},
        {"DuplicateEffect", [&] { m_effects->DuplicateEffect(-1); }},
        {"SetParameter", [&] { m_effects->SetParameter(1, 1, 200, true); }},
        {"StepDelayLength", [&] { m_effects->StepDelayLength(2, 100); }},
        {"SetDelayLength", [&] { m_effects->SetDelayLength(1, 900); }},
        {"MoveEffect", [&] { m_effects->MoveEffect(0, -1); }},
        {"envelope of an effect that is not there", [&] {
             ovk::CEnvEditorDlg dialog({0, ovk::TEnvelopeRef::EFFECT_B, 3}, &Frame());
             dialog.findChild<QSlider*>(QStringLiteral("PhaseSlider"))->setValue(7);
         }},
    };
    for (const auto& [name, edit] : edits) {
        edit();
        Settle();
        EXPECT_EQ(State().undo.Size(), steps) << name;
        EXPECT_EQ(State().song->GetChangeCount(), changes) << name;
        EXPECT_FALSE(Document().IsModified()) << name;
    }
    EXPECT_EQ(SaveSong(Song()), SaveSong(before));
    // The same edits on rows that are there do change the song.
    m_oscillators->SetVolume(false, 0, 7, true);
    m_effects->SetParameter(0, 1, 200, true);
    EXPECT_EQ(Channel(0).carriers[0].volume, 7);
    EXPECT_EQ(Channel(0).effects[0].p1, 200);
    EXPECT_EQ(State().undo.Size(), steps + 2);
}

TEST_F(InstrumentTest, DoubleClicksCycleTheTypesWithinWavesAndWithinSources)
{
    const QPoint icon = COscillatorListItemWnd::kTypeIcon.center();
    std::vector<std::int32_t> seen;
    for (int i = 0; i < 4; ++i) {
        QTest::mouseDClick(Row(false, 0), Qt::LeftButton, Qt::NoModifier, icon);
        Settle();
        seen.push_back(Channel(0).carriers[0].type);
    }
    EXPECT_EQ(seen, (std::vector<std::int32_t>{1, 2, 3, 0}));
    EXPECT_EQ(COscillatorListItemWnd::NextType(4), 5);
    EXPECT_EQ(COscillatorListItemWnd::NextType(11), 12);
    EXPECT_EQ(COscillatorListItemWnd::NextType(12), 12);
}

TEST_F(InstrumentTest, TransposeAtBarPosition112AddsAnOctaveToEveryOscillator)
{
    EditSong([](ovk::COvkModuleData& song) {
        song.channels[2].carriers[0].cents = -50;
        song.channels[2].modulators[0].cents = 30;
        song.channels[2].AddPair(ovk::TOvkOscillator(), ovk::TOvkOscillator());
    });
    State().SelectChannel(2);
    Press(m_oscillators->Button(QStringLiteral("Trans")));
    EXPECT_TRUE(m_oscillators->TransposeBarOpen());
    m_oscillators->TransposeScrollBar()->setValue(112);
    EXPECT_EQ(m_oscillators->TransposeAmount(), 1200);
    Press(m_oscillators->findChild<QPushButton*>(QStringLiteral("Apply")));
    EXPECT_FALSE(m_oscillators->TransposeBarOpen());
    EXPECT_EQ(Channel(2).carriers[0].cents, 1150);
    EXPECT_EQ(Channel(2).modulators[0].cents, 1230);
    EXPECT_EQ(Channel(2).carriers[1].cents, 1200);
    EXPECT_EQ(Channel(2).modulators[1].cents, 1200);
}

TEST_F(InstrumentTest, CopyToAChannelMakesItShowTheSameInstrument)
{
    EditSong([](ovk::COvkModuleData& song) {
        song.channels[0].volume = 77;
        song.channels[0].AddPair(ovk::TOvkOscillator(), ovk::TOvkOscillator());
        song.channels[0].effects.resize(2);
        song.channels[0].effects[1].SetType(ovk::EFFECT_OVERDRIVE);
    });
    m_oscillators->Reload();
    QAction* copyTo = m_oscillators->CopyMenu()->findChild<QAction*>(QStringLiteral("CopyTo6"));
    ASSERT_NE(copyTo, nullptr);
    copyTo->trigger();
    EXPECT_TRUE(Channel(5) == Channel(0));
    State().SelectChannel(5);
    EXPECT_EQ(RowCount(), 2u);
    EXPECT_EQ(m_effects->Rows()->Rows().size(), 2u);
    // And back: copy from a reset channel.
    m_effects->CopyMenu()->findChild<QAction*>(QStringLiteral("CopyFrom8"))->trigger();
    EXPECT_TRUE(Channel(5) == ovk::COvkModuleChannel());
    Frame().EditUndo();
    EXPECT_TRUE(Channel(5) == Channel(0));
}

TEST_F(InstrumentTest, EffectRowsShowTheirTypesControlsAndAddOffersNoBandPass)
{
    QStringList offered;
    for (QAction* action : m_effects->AddMenu()->actions())
        offered << action->text();
    EXPECT_EQ(offered, QStringList({"Delay", "Flange", "Low-pass", "High-pass", "Resonance", "Overdrive"}));
    View().Side()->ShowTab(ovk::CSideWnd::TAB_EFFECTS);
    m_effects->AddMenu()->findChild<QAction*>(QStringLiteral("Add Resonance"))->trigger();
    m_effects->AddMenu()->findChild<QAction*>(QStringLiteral("Add Overdrive"))->trigger();
    ASSERT_EQ(Channel(0).effects.size(), 2u);
    EXPECT_EQ(Channel(0).effects[0].type, ovk::EFFECT_RESONANCE);
    EXPECT_EQ(Channel(0).effects[0].p1, 100);
    ovk::CEffectListItemWnd* resonance = m_effects->Row(0);
    EXPECT_EQ(resonance->Labels(), QStringList({"Cutoff:", "Amount:"}));
    EXPECT_EQ(resonance->height(), 84);
    EXPECT_EQ(m_effects->Row(1)->Labels(), QStringList({"Limit:", "Vol:"}));
    EXPECT_EQ(m_effects->Row(1)->height(), 60);

    // A band-pass from a song shows its own row.
    ShowEffects([](std::vector<ovk::TOvkEffect>& effects) {
        effects.resize(1);
        effects[0].SetType(ovk::EFFECT_BANDPASS);
    });
    EXPECT_EQ(m_effects->Row(0)->Labels(), QStringList({"Freq:", "Width:"}));
    EXPECT_FALSE(m_effects->Row(0)->ButtonRect(QStringLiteral("EnvelopeB")).isEmpty());
}

TEST_F(InstrumentTest, EffectBarsStore0To255AndTheDelayLengthStaysWithinItsSpinRange)
{
    ShowEffects([](std::vector<ovk::TOvkEffect>& effects) {
        effects.resize(2);
        effects[0].p1 = 3100;
        effects[1].SetType(ovk::EFFECT_LOWPASS);
    });
    ovk::CVolumeBarWnd* cutoff = m_effects->Row(1)->Bar(1);
    ASSERT_NE(cutoff, nullptr);
    const std::size_t steps = State().undo.Size();
    QTest::mousePress(cutoff, Qt::LeftButton, Qt::NoModifier, QPoint(0, 8));
    EXPECT_EQ(Channel(0).effects[1].p1, 0);
    QTest::mouseMove(cutoff, QPoint(cutoff->width() - 1, 8));
    QTest::mouseRelease(cutoff, Qt::LeftButton, Qt::NoModifier, QPoint(cutoff->width() - 1, 8));
    EXPECT_EQ(Channel(0).effects[1].p1, 255);
    EXPECT_EQ(State().undo.Size(), steps + 1);

    auto* spin = m_effects->Row(0)->findChild<ovk::CSpinWnd*>(QStringLiteral("Length spin"));
    ASSERT_NE(spin, nullptr);
    QTest::mouseClick(spin, Qt::LeftButton, Qt::NoModifier, QPoint(5, 3));
    QTest::mouseClick(spin, Qt::LeftButton, Qt::NoModifier, QPoint(5, 3));
    EXPECT_EQ(Channel(0).effects[0].p1, 3200);
    // A typed length is stored as it is.
    TypeInto(m_effects->Row(0), ovk::CDelayEffectItemWnd::kLength.center(), QStringLiteral("45.5"));
    EXPECT_EQ(Channel(0).effects[0].p1, 4550);
    EditSong([](ovk::COvkModuleData& song) { song.channels[0].effects[0].p1 = 50; });
    m_effects->Reload();
    spin = m_effects->Row(0)->findChild<ovk::CSpinWnd*>(QStringLiteral("Length spin"));
    QTest::mouseClick(spin, Qt::LeftButton, Qt::NoModifier, QPoint(5, 15));
    EXPECT_EQ(Channel(0).effects[0].p1, 0);

    // Up on the first and Down on the last change nothing; Down on the first swaps.
    const auto before = Channel(0).effects;
    Tap(m_effects->Row(0), "Up");
    Tap(m_effects->Row(1), "Down");
    EXPECT_EQ(Channel(0).effects, before);
    Tap(m_effects->Row(0), "Down");
    EXPECT_EQ(Channel(0).effects[0].type, ovk::EFFECT_LOWPASS);
    Tap(m_effects->Row(1), "Close");
    EXPECT_EQ(Channel(0).effects.size(), 1u);
}

TEST_F(InstrumentTest, TheEnvelopeEditorShowsRowsPerCycleAtTheSongsTempoAndStoresEveryControl)
{
    EditSong([](ovk::COvkModuleData& song) { song.channels[1].carriers[0].volumeEnvelope.speed = 6564; });
    ovk::TEnvelopeRef ref{1, ovk::TEnvelopeRef::CARRIER_VOLUME, 0};
    ovk::CEnvEditorDlg dialog(ref, &Frame());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Envelope editor"));
    auto* rows = dialog.findChild<QLineEdit*>(QStringLiteral("RowsPerCycle"));
    auto* rowsSlider = dialog.findChild<QSlider*>(QStringLiteral("RowsPerCycleSlider"));
    EXPECT_EQ(rows->text(), QStringLiteral("0.08"));
    EXPECT_EQ(rowsSlider->value(), 2);
    EXPECT_TRUE(dialog.findChild<QLabel*>(QStringLiteral("SpeedText"))->text().startsWith(QStringLiteral("speed: 6564, freq: ")));

    // Speed 65: 8.05 rows per cycle, the slider on 8.
    auto* edit = rows;
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("8.05"));
    const std::int32_t typed = Song().channels[1].carriers[0].volumeEnvelope.speed;
    EXPECT_EQ(typed, ovk::CEnvEditorDlg::SpeedOf(8.05, 5512));
    EXPECT_EQ(ovk::CEnvEditorDlg::SliderPositionOf(ovk::CEnvEditorDlg::RowsPerCycle(65, 5512)), 17);
    EXPECT_EQ(QString::asprintf("%.2f", ovk::CEnvEditorDlg::RowsPerCycle(65, 5512)), QStringLiteral("8.05"));
    EXPECT_EQ(rowsSlider->value(), 17);
    rowsSlider->setValue(8);  // one row per cycle
    EXPECT_EQ(Song().channels[1].carriers[0].volumeEnvelope.speed, 65536 * 44 / 5512);

    auto* reset = dialog.findChild<QComboBox*>(QStringLiteral("Reset"));
    reset->setCurrentText(QStringLiteral("Note"));
    reset->setCurrentText(QStringLiteral("Four patterns"));
    EXPECT_EQ(Song().channels[1].carriers[0].volumeEnvelope.resetMode, 4);
    reset->setCurrentText(QStringLiteral("Note"));
    EXPECT_EQ(Song().channels[1].carriers[0].volumeEnvelope.resetMode, 3);

    auto* max = dialog.findChild<QLineEdit*>(QStringLiteral("Max"));
    max->selectAll();
    QTest::keyClicks(max, QStringLiteral("300"));
    EXPECT_EQ(Song().channels[1].carriers[0].volumeEnvelope.max, 300);
    dialog.findChild<QSlider*>(QStringLiteral("PhaseSlider"))->setValue(3);
    EXPECT_EQ(Song().channels[1].carriers[0].volumeEnvelope.phase, 3 * 2048);
    EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("Phase"))->text(), QStringLiteral("3"));

    // Keep off: its box and slider are off too, and the curve no longer holds.
    dialog.findChild<QSlider*>(QStringLiteral("KeepSlider"))->setValue(8);
    auto* keep = dialog.findChild<QCheckBox*>(QStringLiteral("KeepEnabled"));
    EXPECT_TRUE(keep->isChecked());
    const std::vector<std::int32_t> held = dialog.Graph()->Values();
    keep->click();
    EXPECT_FALSE(Song().channels[1].carriers[0].volumeEnvelope.keepEnabled);
    EXPECT_FALSE(dialog.findChild<QLineEdit*>(QStringLiteral("Keep"))->isEnabled());
    EXPECT_FALSE(dialog.findChild<QSlider*>(QStringLiteral("KeepSlider"))->isEnabled());
    const std::vector<std::int32_t> free = dialog.Graph()->Values();
    EXPECT_EQ(held.back(), held[held.size() / 4]);  // keep at 16384: a quarter in, it stays
    EXPECT_NE(free.back(), free[free.size() / 4]);

    // Reset asks, then puts every field back.
    m_dialogs->answers = {CEditorDialogs::ANSWER_YES};
    dialog.Reset();
    const ovk::TOvkEnvelope e = Song().channels[1].carriers[0].volumeEnvelope;
    EXPECT_EQ(m_dialogs->questions.back(), QStringLiteral("Do you want to reset this envelope?"));
    EXPECT_EQ(e.min, 0);
    EXPECT_EQ(e.max, 256);
    EXPECT_EQ(e.speed, 6564);
    EXPECT_EQ(e.resetMode, 3);
    EXPECT_EQ(e.phase, 16384);
    EXPECT_TRUE(e.keepEnabled);
    EXPECT_EQ(e.keepPosition, 0);
    EXPECT_FALSE(e.sustainEnabled);
    EXPECT_TRUE(keep->isChecked());
    EXPECT_EQ(rows->text(), QStringLiteral("0.08"));
}

TEST_F(InstrumentTest, TheGraphPlotsThePlayersOwnEnvelopeValues)
{
    ovk::TOvkEnvelope envelope;
    envelope.min = -40;
    envelope.max = 300;
    envelope.phase = 4096;
    envelope.keepEnabled = true;
    envelope.keepPosition = 40000;
    ovk::CEnvGraphWnd graph(nullptr);
    graph.resize(360, 190);
    graph.SetEnvelope(envelope, 5512);
    const std::vector<std::int32_t> values = graph.Values();
    ASSERT_EQ(static_cast<int>(values.size()), graph.PlotRect().width());
    // The player's envelope, stepped tick by tick until its counter passes
    // each column's position, gives the same values.
    ovk::TOvkEnvelopeState player;
    player.stored = envelope;
    player.stored.speed = 1;
    player.Reset();
    std::size_t column = 0;
    for (std::int32_t counter = 0; counter <= 65536 && column < values.size(); ++counter) {
        while (column < values.size() && graph.CounterAt(static_cast<int>(column)) == player.counter) {
            EXPECT_EQ(values[column], player.value) << column;
            ++column;
        }
        player.Tick();
    }
    EXPECT_EQ(column, values.size());
    // Row lines: 65 × 5512 / 44 counter units a row, 8 rows in a cycle.
    envelope.speed = 65;
    graph.SetEnvelope(envelope, 5512);
    EXPECT_NEAR(graph.RowLineSpacing(), 65.0 * 5512 / 44 * graph.PlotRect().width() / 65536, 1e-9);
}

TEST_F(InstrumentTest, ChannelEnvelopeButtonsOpenTheEditorOnThatChannelAsOneUndoStep)
{
    const std::size_t steps = State().undo.Size();
    // The dialog is modal: it is worked from a timer, then closed.
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<ovk::CEnvEditorDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QSlider*>(QStringLiteral("SustainSlider"))->setValue(5);
        dialog->findChild<QSlider*>(QStringLiteral("SustainSlider"))->setValue(6);
        dialog->findChild<QPushButton*>(QStringLiteral("Close"))->click();
    });
    QTest::mouseClick(View().EnvelopeButton(3), Qt::LeftButton);
    EXPECT_EQ(Song().channels[3].envelope.sustainPosition, 6 * 2048);
    EXPECT_EQ(State().undo.Size(), steps + 1);
    Frame().EditUndo();
    EXPECT_EQ(Song().channels[3].envelope.sustainPosition, 8192);

    // A session that changes nothing leaves no undo step.
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    QTest::mouseClick(View().EnvelopeButton(3), Qt::LeftButton);
    EXPECT_EQ(State().undo.Size(), steps);
}

TEST_F(InstrumentTest, TestSoundsTheChannelThroughThePreviewWithoutStoppingTheSong)
{
    if (!State().CanPlay())
        GTEST_SKIP() << State().audioProblem.toStdString();
    EditSong([](ovk::COvkModuleData& song) {
        song.orderTable[0][0] = 1;
        song.patterns[0][1][0] = 61;
        song.channels[4].volume = 33;
    });
    State().PatternPlay();
    ASSERT_TRUE(WaitFor([&] { return State().IsPlaying(); }, 20000));
    ovk::CEnvEditorDlg dialog({4, ovk::TEnvelopeRef::CHANNEL, 0}, &Frame());
    dialog.findChild<QPushButton*>(QStringLiteral("Test"))->click();
    EXPECT_TRUE(State().previewControl->IsPlaying());
    EXPECT_TRUE(State().IsPlaying());
    EXPECT_EQ(State().previewSong->Lock(0)->channels[0].volume, 33);
    State().previewSong->Unlock();
    State().Stop();
}

TEST_F(InstrumentTest, InstrumentFilesLoadWholeOrNotAtAllAndSaveTheCurrentFormat)
{
    CTempFolder folder;
    const ovk::COvkModuleChannel before = Channel(0);
    const TBytes good = GoldenBytes("instr_rich.tonviki");
    TBytes damaged = good;
    damaged.resize(good.size() * 2 / 3);
    damaged.insert(damaged.end(), {0x77, 0, 0, 0});
    WriteFileBytes(folder.Path("damaged.tonviki"), damaged);
    m_dialogs->openFiles = {QString::fromStdString(folder.Path("damaged.tonviki"))};
    Press(m_oscillators->Button(QStringLiteral("Load")));
    EXPECT_EQ(m_dialogs->filters.back(), QStringLiteral("TONVIK Instrument files (*.tonviki)"));
    ASSERT_EQ(m_dialogs->messages.size(), 1u);
    EXPECT_EQ(m_dialogs->messages[0].text, QStringLiteral("Failed to load instrument!"));
    EXPECT_EQ(m_dialogs->messages[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(SaveInstrument(Channel(0)), SaveInstrument(before));

    // A good one into channel 3, while the cursor and the song stay where they are.
    State().SelectChannel(3);
    State().SelectPosition(5);
    m_dialogs->openFiles = {QString::fromStdString(DataPath("golden/instr_rich.tonviki"))};
    Press(m_effects->Button(QStringLiteral("Load")));
    EXPECT_EQ(State().channel, 3);
    EXPECT_EQ(State().position, 5);
    Settle();
    EXPECT_TRUE(Document().IsModified());
    EXPECT_EQ(m_effects->Rows()->Rows().size(), Channel(3).effects.size());
    m_dialogs->saveFiles = {QString::fromStdString(folder.Path("saved.tonviki"))};
    Press(m_oscillators->Button(QStringLiteral("Save")));
    EXPECT_EQ(FirstDifference(ReadFileBytes(folder.Path("saved.tonviki")), GoldenBytes("instr_rich.v3.tonviki")), -1);
    // The load is one undo step.
    Frame().EditUndo();
    EXPECT_TRUE(Channel(3) == ovk::COvkModuleChannel());
}

TEST_F(InstrumentTest, TheLoadDialogOpensInTheLibraryFirstThenWhereTheLastInstrumentCameFrom)
{
    // The library beside the built program, as beside the installed one.
    const QString library = ovk::InstrumentLibraryFolder();
    ASSERT_FALSE(library.isEmpty());
    EXPECT_EQ(library, QFileInfo(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/tonvik3/instruments"))
                           .canonicalFilePath());
    int instruments = 0;
    for (QDirIterator it(library, {QStringLiteral("*.tonviki")}, QDir::Files, QDirIterator::Subdirectories);
         it.hasNext(); it.next())
        ++instruments;
    EXPECT_GE(instruments, 24);

    const QString kick = library + QStringLiteral("/drums/kick.tonviki");
    m_dialogs->openFiles = {kick};
    Press(m_oscillators->Button(QStringLiteral("Load")));
    ASSERT_EQ(m_dialogs->places.size(), 1u);
    EXPECT_EQ(m_dialogs->places[0].folder, library);
    EXPECT_TRUE(m_dialogs->places[0].sideBar.contains(QUrl::fromLocalFile(library)));
    ovk::COvkModuleChannel expected;
    ovk::LoadInstrumentFile(kick.toStdWString().c_str(), expected);
    EXPECT_TRUE(Channel(0) == expected);

    // Next time the dialog opens where that one came from; the library stays in the side bar.
    CTempFolder folder;
    WriteFileBytes(folder.Path("mine.tonviki"), GoldenBytes("instr_rich.tonviki"));
    m_dialogs->openFiles = {QString::fromStdString(folder.Path("mine.tonviki"))};
    Press(m_effects->Button(QStringLiteral("Load")));
    ASSERT_EQ(m_dialogs->places.size(), 2u);
    EXPECT_EQ(m_dialogs->places[1].folder, library + QStringLiteral("/drums"));
    EXPECT_TRUE(m_dialogs->places[1].sideBar.contains(QUrl::fromLocalFile(library)));
    // Cancelled: the last folder is still the one a file came from.
    m_dialogs->openFiles = {QString()};
    Press(m_oscillators->Button(QStringLiteral("Load")));
    m_dialogs->openFiles = {QString()};
    Press(m_oscillators->Button(QStringLiteral("Load")));
    ASSERT_EQ(m_dialogs->places.size(), 4u);
    EXPECT_EQ(m_dialogs->places[3].folder, QString::fromStdString(folder.Get()));
    // Remembered for the next run of the editor.
    EXPECT_EQ(ovk::CEditorSettings().InstrumentFolder(), ovk::ToWide(QString::fromStdString(folder.Get())));
}

TEST_F(InstrumentTest, AFolderThatIsGoneGivesTheLibraryAgain)
{
    {
        CTempFolder folder;
        ovk::CEditorSettings().SetInstrumentFolder(ovk::ToWide(QString::fromStdString(folder.Get())));
    }
    EXPECT_EQ(ovk::InstrumentPlaces().folder, ovk::InstrumentLibraryFolder());
}

} // namespace
