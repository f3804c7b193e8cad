#include "gui/instruments/COscillatorListMainWnd.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>

#include "gui/controls/CSpinWnd.h"
#include "gui/instruments/CEnvEditorDlg.h"
#include "gui/instruments/COscillatorListBodyWnd.h"
#include "gui/instruments/COscillatorListItemWnd.h"
#include "gui/instruments/InstrumentEdits.h"
#include "gui/document/CEditorDialogs.h"
#include "gui/document/CEditorState.h"
#include "gui/document/CUiResources.h"

namespace ovk {

namespace {
constexpr int kTransposeLimit = 10000;
}

COscillatorListMainWnd::COscillatorListMainWnd(QWidget* parent)
    : CChannelListWnd(parent, QStringLiteral("Oscillator list")),
      m_body(new COscillatorListBodyWnd(this, nullptr)),
      m_transposeRow(new QWidget(SecondRow())),
      m_transposeBar(new QScrollBar(Qt::Horizontal, m_transposeRow)),
      m_transposeText(new QLabel(m_transposeRow))
{
    connect(AddButton(QStringLiteral("Add"), 4), &QPushButton::clicked, this, &COscillatorListMainWnd::AddOscillator);
    connect(AddButton(QStringLiteral("New"), 50), &QPushButton::clicked, this, &COscillatorListMainWnd::DeleteAll);
    connect(AddButton(QStringLiteral("Load"), 96), &QPushButton::clicked, this, &CChannelListWnd::Load);
    connect(AddButton(QStringLiteral("Save"), 142), &QPushButton::clicked, this, &CChannelListWnd::Save);
    QPushButton* copy = AddButton(QStringLiteral("Copy"), 188);
    connect(copy, &QPushButton::clicked, this, [this, copy] { CopyMenu()->popup(copy->mapToGlobal(QPoint(0, copy->height()))); });
    connect(AddButton(QStringLiteral("Play"), 234), &QPushButton::clicked, this, &CChannelListWnd::Play);
    connect(AddButton(QStringLiteral("Trans"), 280), &QPushButton::clicked, this,
            &COscillatorListMainWnd::ToggleTransposeBar);

    // The transpose bar: "Transpose all:", the amount, a spin of 100 cents,
    // the bar (positions 0-200 are -100 … +100 semitones) and the apply button.
    m_transposeRow->setObjectName(QStringLiteral("Transpose bar"));
    m_transposeRow->setGeometry(0, 0, 274, 24);
    auto* label = new QLabel(QStringLiteral("Transpose all:"), m_transposeRow);
    label->setFont(Ui().Font(8));
    label->setGeometry(0, 2, 70, 20);
    m_transposeText->setFont(Ui().Font(8));
    m_transposeText->setGeometry(70, 2, 44, 20);
    auto* spin = new CSpinWnd(m_transposeRow);
    spin->setObjectName(QStringLiteral("Transpose spin"));
    spin->move(114, 2);
    connect(spin, &CSpinWnd::Up, this, [this] { SetTransposeAmount(m_transpose + 100); });
    connect(spin, &CSpinWnd::Down, this, [this] { SetTransposeAmount(m_transpose - 100); });
    m_transposeBar->setRange(0, 200);
    m_transposeBar->setValue(100);
    m_transposeBar->setGeometry(130, 4, 98, 16);
    connect(m_transposeBar, &QScrollBar::valueChanged, this,
            [this](int position) { SetTransposeAmount((position - 100) * 100); });
    auto* apply = new QPushButton(QStringLiteral("Apply"), m_transposeRow);
    apply->setObjectName(QStringLiteral("Apply"));
    apply->setFont(Ui().Font(8));
    apply->setGeometry(230, 1, 42, 22);
    connect(apply, &QPushButton::clicked, this, &COscillatorListMainWnd::ApplyTranspose);
    m_transposeRow->hide();
    UpdateTransposeText();

    SetBody(m_body);
    EditorState()->oscillatorList = this;
}

COscillatorListMainWnd::~COscillatorListMainWnd()
{
    if (EditorState() && EditorState()->oscillatorList == this)
        EditorState()->oscillatorList = nullptr;
}

COscillatorListItemWnd* COscillatorListMainWnd::Row(bool modulator, int index) const
{
    return m_body->Row(modulator, index);
}

void COscillatorListMainWnd::Rebuild() { m_body->Rebuild(Channel(), std::max(360, width() - 16)); }

void COscillatorListMainWnd::AddOscillator()
{
    {
        CInstrumentEdit edit(Channel());
        edit.Channel().AddPair(TOvkOscillator(), TOvkOscillator());
    }
    Rebuild();
}

void COscillatorListMainWnd::DeleteAll()
{
    if (Dialogs().Ask(this, QStringLiteral("Do you want to delete all the oscillators in this channel?"),
                      QStringLiteral("TONVIK3"), false) != CEditorDialogs::ANSWER_YES)
        return;
    {
        CInstrumentEdit edit(Channel());
        edit.Channel().carriers.clear();
        edit.Channel().modulators.clear();
    }
    Rebuild();
}

bool COscillatorListMainWnd::TransposeBarOpen() const { return !m_transposeRow->isHidden(); }

void COscillatorListMainWnd::ToggleTransposeBar() { m_transposeRow->setVisible(!TransposeBarOpen()); }

void COscillatorListMainWnd::SetTransposeAmount(int cents)
{
    m_transpose = std::clamp(cents, -kTransposeLimit, kTransposeLimit);
    const QSignalBlocker quiet(m_transposeBar);
    m_transposeBar->setValue(m_transpose / 100 + 100);
    UpdateTransposeText();
}

void COscillatorListMainWnd::UpdateTransposeText()
{
    m_transposeText->setText(QString::asprintf("%+d", m_transpose / 100));
}

void COscillatorListMainWnd::ApplyTranspose()
{
    if (!TransposeBarOpen())
        return;
    if (m_transpose != 0) {
        CInstrumentEdit edit(Channel());
        for (TOvkOscillator& oscillator : edit.Channel().carriers)
            oscillator.cents += m_transpose;
        for (TOvkOscillator& oscillator : edit.Channel().modulators)
            oscillator.cents += m_transpose;
    }
    m_transposeRow->hide();
    Rebuild();
}

void COscillatorListMainWnd::ChangeOscillator(bool modulator, int index, bool snapshot,
                                              const std::function<void(TOvkOscillator&)>& change)
{
    const TListSizes sizes = ListSizes(Channel());
    if (!InList(index, modulator ? sizes.modulators : sizes.carriers))
        return;
    TOvkOscillator changed;
    {
        CInstrumentEdit edit(Channel(), snapshot);
        std::vector<TOvkOscillator>& list = modulator ? edit.Channel().modulators : edit.Channel().carriers;
        change(list[static_cast<std::size_t>(index)]);
        changed = list[static_cast<std::size_t>(index)];
    }
    if (COscillatorListItemWnd* row = Row(modulator, index))
        row->Show(changed);
}

void COscillatorListMainWnd::SetType(bool modulator, int index, std::int32_t type)
{
    ChangeOscillator(modulator, index, true, [type](TOvkOscillator& o) { o.type = type; });
}

void COscillatorListMainWnd::SetCents(bool modulator, int index, std::int32_t cents)
{
    ChangeOscillator(modulator, index, true, [cents](TOvkOscillator& o) { o.cents = cents; });
}

void COscillatorListMainWnd::StepCents(bool modulator, int index, std::int32_t delta)
{
    ChangeOscillator(modulator, index, true, [delta](TOvkOscillator& o) { o.cents += delta; });
}

void COscillatorListMainWnd::SetVolume(bool modulator, int index, int volume, bool snapshot)
{
    ChangeOscillator(modulator, index, snapshot, [volume](TOvkOscillator& o) { o.volume = std::clamp(volume, 0, 255); });
}

void COscillatorListMainWnd::ToggleFm(int index)
{
    ChangeOscillator(false, index, true, [](TOvkOscillator& o) { o.fmEnabled = !o.fmEnabled; });
    // The modulator's row comes or goes.
    Rebuild();
}

void COscillatorListMainWnd::DuplicatePair(int index)
{
    if (!InList(index, ListSizes(Channel()).carriers))
        return;
    {
        CInstrumentEdit edit(Channel());
        COvkModuleChannel& channel = edit.Channel();
        const TOvkOscillator carrier = channel.carriers[static_cast<std::size_t>(index)];
        const TOvkOscillator modulator = channel.ModulatorOf(static_cast<std::size_t>(index));
        channel.InsertPair(static_cast<std::size_t>(index), carrier, modulator);
    }
    Rebuild();
}

void COscillatorListMainWnd::RemovePair(int index)
{
    if (!InList(index, ListSizes(Channel()).carriers))
        return;
    {
        CInstrumentEdit edit(Channel());
        edit.Channel().RemovePair(static_cast<std::size_t>(index));
    }
    Rebuild();
}

void COscillatorListMainWnd::MovePair(int index, int step)
{
    const int target = index + step;
    const std::size_t pairs = ListSizes(Channel()).carriers;
    if (!InList(index, pairs) || !InList(target, pairs))
        return;
    {
        CInstrumentEdit edit(Channel());
        edit.Channel().MovePair(static_cast<std::size_t>(index), static_cast<std::size_t>(target));
    }
    Rebuild();
}

void COscillatorListMainWnd::EditOscillatorEnvelope(bool modulator, int index, bool transpose)
{
    TEnvelopeRef ref;
    ref.channel = Channel();
    ref.index = index;
    if (modulator)
        ref.kind = transpose ? TEnvelopeRef::MODULATOR_TRANSPOSE : TEnvelopeRef::MODULATOR_VOLUME;
    else
        ref.kind = transpose ? TEnvelopeRef::CARRIER_TRANSPOSE : TEnvelopeRef::CARRIER_VOLUME;
    EditEnvelope(ref, this);
}

} // namespace ovk
