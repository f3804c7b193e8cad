#include "gui/instruments/CEffectListMainWnd.h"

#include <QMenu>
#include <QPushButton>

#include "gui/instruments/CEffectListBodyWnd.h"
#include "gui/instruments/CEffectListItemWnd.h"
#include "gui/instruments/CEnvEditorDlg.h"
#include "gui/instruments/InstrumentEdits.h"
#include "gui/document/CEditorDialogs.h"
#include "gui/document/CEditorState.h"

namespace ovk {

namespace {
constexpr std::int32_t kLongestDelay = 3200;
}

CEffectListMainWnd::CEffectListMainWnd(QWidget* parent)
    : CChannelListWnd(parent, QStringLiteral("Effect list")),
      m_body(new CEffectListBodyWnd(this, nullptr)),
      m_addMenu(new QMenu(QStringLiteral("Add effect"), this))
{
    // Band-pass is not offered: it only comes with songs and instruments.
    for (std::int32_t type = EFFECT_DELAY; type <= EFFECT_OVERDRIVE; ++type) {
        QAction* add = m_addMenu->addAction(QString::fromLatin1(EffectTypeName(type)));
        add->setObjectName(QStringLiteral("Add %1").arg(QString::fromLatin1(EffectTypeName(type))));
        connect(add, &QAction::triggered, this, [this, type] { AddEffect(type); });
    }
    QPushButton* add = AddButton(QStringLiteral("Add"), 4);
    connect(add, &QPushButton::clicked, this, [this, add] { m_addMenu->popup(add->mapToGlobal(QPoint(0, add->height()))); });
    connect(AddButton(QStringLiteral("New"), 50), &QPushButton::clicked, this, &CEffectListMainWnd::DeleteAll);
    connect(AddButton(QStringLiteral("Load"), 96), &QPushButton::clicked, this, &CChannelListWnd::Load);
    connect(AddButton(QStringLiteral("Save"), 142), &QPushButton::clicked, this, &CChannelListWnd::Save);
    QPushButton* copy = AddButton(QStringLiteral("Copy"), 188);
    connect(copy, &QPushButton::clicked, this, [this, copy] { CopyMenu()->popup(copy->mapToGlobal(QPoint(0, copy->height()))); });
    connect(AddButton(QStringLiteral("Play"), 234), &QPushButton::clicked, this, &CChannelListWnd::Play);
    SetBody(m_body);
    EditorState()->effectList = this;
}

CEffectListMainWnd::~CEffectListMainWnd()
{
    if (EditorState() && EditorState()->effectList == this)
        EditorState()->effectList = nullptr;
}

CEffectListItemWnd* CEffectListMainWnd::Row(int index) const { return m_body->Row(index); }

void CEffectListMainWnd::Rebuild() { m_body->Rebuild(Channel(), std::max(360, width() - 16)); }

void CEffectListMainWnd::AddEffect(std::int32_t type)
{
    {
        CInstrumentEdit edit(Channel());
        TOvkEffect effect;
        effect.SetType(type);
        edit.Channel().effects.push_back(effect);
    }
    Rebuild();
}

void CEffectListMainWnd::DeleteAll()
{
    if (Dialogs().Ask(this, QStringLiteral("Do you want to delete all the effects in this channel?"),
                      QStringLiteral("TONVIK3"), false) != CEditorDialogs::ANSWER_YES)
        return;
    {
        CInstrumentEdit edit(Channel());
        edit.Channel().effects.clear();
    }
    Rebuild();
}

void CEffectListMainWnd::RemoveEffect(int index)
{
    if (!InList(index, ListSizes(Channel()).effects))
        return;
    {
        CInstrumentEdit edit(Channel());
        std::vector<TOvkEffect>& effects = edit.Channel().effects;
        effects.erase(effects.begin() + index);
    }
    Rebuild();
}

void CEffectListMainWnd::DuplicateEffect(int index)
{
    if (!InList(index, ListSizes(Channel()).effects))
        return;
    {
        CInstrumentEdit edit(Channel());
        std::vector<TOvkEffect>& effects = edit.Channel().effects;
        const TOvkEffect copy = effects[static_cast<std::size_t>(index)];
        effects.insert(effects.begin() + index, copy);
    }
    Rebuild();
}

void CEffectListMainWnd::MoveEffect(int index, int step)
{
    const int target = index + step;
    const std::size_t count = ListSizes(Channel()).effects;
    if (!InList(index, count) || !InList(target, count))
        return;
    {
        CInstrumentEdit edit(Channel());
        std::vector<TOvkEffect>& effects = edit.Channel().effects;
        std::swap(effects[static_cast<std::size_t>(index)], effects[static_cast<std::size_t>(target)]);
    }
    Rebuild();
}

void CEffectListMainWnd::ChangeEffect(int index, bool snapshot, const std::function<void(TOvkEffect&)>& change)
{
    if (!InList(index, ListSizes(Channel()).effects))
        return;
    TOvkEffect changed;
    {
        CInstrumentEdit edit(Channel(), snapshot);
        TOvkEffect& effect = edit.Channel().effects[static_cast<std::size_t>(index)];
        change(effect);
        changed = effect;
    }
    if (CEffectListItemWnd* row = Row(index))
        row->Show(changed);
}

void CEffectListMainWnd::SetParameter(int index, int parameter, std::int32_t value, bool snapshot)
{
    ChangeEffect(index, snapshot, [parameter, value](TOvkEffect& e) { (parameter == 1 ? e.p1 : e.p2) = value; });
}

void CEffectListMainWnd::StepDelayLength(int index, std::int32_t delta)
{
    ChangeEffect(index, true, [delta](TOvkEffect& e) { e.p1 = std::clamp(e.p1 + delta, 0, kLongestDelay); });
}

void CEffectListMainWnd::SetDelayLength(int index, std::int32_t length)
{
    ChangeEffect(index, true, [length](TOvkEffect& e) { e.p1 = length; });
}

void CEffectListMainWnd::EditEffectEnvelope(int index, bool second)
{
    TEnvelopeRef ref;
    ref.channel = Channel();
    ref.kind = second ? TEnvelopeRef::EFFECT_B : TEnvelopeRef::EFFECT_A;
    ref.index = index;
    EditEnvelope(ref, this);
}

} // namespace ovk
