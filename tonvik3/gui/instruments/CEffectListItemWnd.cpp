#include "gui/instruments/CEffectListItemWnd.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "gui/controls/CInPlaceEdit.h"
#include "gui/controls/CSpinWnd.h"
#include "gui/controls/CVolumeBarWnd.h"
#include "gui/instruments/CChannelListWnd.h"
#include "gui/instruments/CEffectListMainWnd.h"
#include "gui/document/CUiResources.h"

namespace ovk {

namespace {

constexpr int kControlsX = 80;
constexpr int kBarWidth = 116;
const QColor kShades[] = {QColor(0xFF, 0xF4, 0xE4), QColor(0xFF, 0xF9, 0xF0)};

} // namespace

CEffectListItemWnd* CEffectListItemWnd::Make(CEffectListMainWnd* list, int index, const TOvkEffect& effect,
                                             QWidget* parent)
{
    switch (effect.type) {
    case EFFECT_DELAY:
        return new CDelayEffectItemWnd(list, index, effect, parent);
    case EFFECT_FLANGE:
        return new CFlangeEffectItemWnd(list, index, effect, parent);
    case EFFECT_LOWPASS:
        return new CLowPassEffectItemWnd(list, index, effect, parent);
    case EFFECT_HIGHPASS:
        return new CHighPassEffectItemWnd(list, index, effect, parent);
    case EFFECT_RESONANCE:
        return new CResonanceEffectItemWnd(list, index, effect, parent);
    case EFFECT_OVERDRIVE:
        return new COverdriveEffectItemWnd(list, index, effect, parent);
    case EFFECT_BANDPASS:
        return new CBandBassEffectItemWnd(list, index, effect, parent);
    default:
        return new CEffectListItemWnd(list, index, effect, parent);
    }
}

CEffectListItemWnd::CEffectListItemWnd(CEffectListMainWnd* list, int index, const TOvkEffect& effect, QWidget* parent)
    : QWidget(parent), m_list(list), m_index(index), m_effect(effect)
{
    setObjectName(QStringLiteral("Effect %1").arg(index));
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_buttons.Add(QStringLiteral("Close"), QStringLiteral("Close"), QRect(300, 3, 52, 17),
                  [this] { m_list->RemoveEffect(m_index); });
    m_buttons.Add(QStringLiteral("Copy"), QStringLiteral("Copy"), QRect(246, 3, 52, 17),
                  [this] { m_list->DuplicateEffect(m_index); });
    m_buttons.Add(QStringLiteral("Up"), QStringLiteral("Up"), QRect(246, 21, 52, 17),
                  [this] { m_list->MoveEffect(m_index, -1); });
    m_buttons.Add(QStringLiteral("Down"), QStringLiteral("Down"), QRect(300, 21, 52, 17),
                  [this] { m_list->MoveEffect(m_index, 1); });
}

void CEffectListItemWnd::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_buttons.Press(event->position().toPoint())) {
        update();
        return;
    }
    PressElsewhere(event);
}

void CEffectListItemWnd::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    update();
    m_buttons.Release(event->position().toPoint());
}

CVolumeBarWnd* CEffectListItemWnd::Bar(int parameter) const
{
    return findChild<CVolumeBarWnd*>(QStringLiteral("Bar%1").arg(parameter), Qt::FindDirectChildrenOnly);
}

void CEffectListItemWnd::Show(const TOvkEffect& effect)
{
    m_effect = effect;
    for (int parameter : {1, 2})
        if (CVolumeBarWnd* bar = Bar(parameter))
            bar->SetFraction(std::clamp(parameter == 1 ? effect.p1 : effect.p2, 0, 255) / 255.0);
    update();
}

void CEffectListItemWnd::AddLabel(const QString& text, int x, int y)
{
    m_labels.emplace_back(text, QRect(x, y, 160, 18));
}

QStringList CEffectListItemWnd::Labels() const
{
    QStringList labels;
    for (const auto& label : m_labels)
        labels << label.first;
    return labels;
}

CVolumeBarWnd* CEffectListItemWnd::AddBar(int parameter, int x, int y)
{
    auto* bar = new CVolumeBarWnd(this);
    bar->setObjectName(QStringLiteral("Bar%1").arg(parameter));
    bar->setGeometry(x, y, kBarWidth, 18);
    bar->SetFraction(std::clamp(parameter == 1 ? m_effect.p1 : m_effect.p2, 0, 255) / 255.0);
    connect(bar, &CVolumeBarWnd::Changed, this, [this, parameter](CVolumeBarWnd* changed) {
        // One undo step per gesture: the snapshot with its first step.
        const bool first = !m_barGesture;
        m_barGesture = true;
        m_list->SetParameter(m_index, parameter, static_cast<std::int32_t>(changed->Fraction() * 255.0 + 0.5), first);
    });
    connect(bar, &CVolumeBarWnd::Released, this, [this] { m_barGesture = false; });
    return bar;
}

void CEffectListItemWnd::AddEnvelopeButton(bool second, const QString& text, int x, int y)
{
    m_buttons.Add(second ? QStringLiteral("EnvelopeB") : QStringLiteral("EnvelopeA"), text, QRect(x, y, 44, 17),
                  [this, second] { m_list->EditEffectEnvelope(m_index, second); });
}

void CEffectListItemWnd::AddBarRow(const QString& label, int parameter, int y, TBarEnvelope envelope)
{
    AddLabel(label, 8, y);
    AddBar(parameter, kControlsX, y);
    if (envelope != TBarEnvelope::None)
        AddEnvelopeButton(envelope == TBarEnvelope::B, QStringLiteral("Env"), kControlsX + kBarWidth + 4, y + 1);
}

void CEffectListItemWnd::paintEvent(QPaintEvent*)
{
    const CUiResources& ui = Ui();
    const CUiResources::TPalette& c = ui.Palette();
    QPainter painter(this);
    painter.fillRect(rect(), kShades[m_index & 1]);
    painter.setPen(c.lightLine);
    painter.drawLine(0, height() - 1, width(), height() - 1);
    painter.setFont(ui.Font(9, true));
    painter.setPen(c.black);
    painter.drawText(QRect(8, 3, 200, 18), Qt::AlignVCenter | Qt::AlignLeft,
                     QString::fromLatin1(EffectTypeName(m_effect.type)));
    // The labels of the row's controls.
    painter.setFont(ui.Font(8));
    for (const auto& [text, place] : m_labels)
        painter.drawText(place, Qt::AlignVCenter | Qt::AlignLeft, text);
    m_buttons.Paint(painter);
}

// Delay.
const QRect CDelayEffectItemWnd::kLength(QPoint(kControlsX, 22), QPoint(kControlsX + 49, 39));

CDelayEffectItemWnd::CDelayEffectItemWnd(CEffectListMainWnd* list, int index, const TOvkEffect& effect, QWidget* parent)
    : CEffectListItemWnd(list, index, effect, parent)
{
    AddLabel(QStringLiteral("Length:"), 8, 22);
    auto* spin = new CSpinWnd(this);
    spin->setObjectName(QStringLiteral("Length spin"));
    spin->move(kLength.right() + 3, 20);
    connect(spin, &CSpinWnd::Up, this, [this] { m_list->StepDelayLength(m_index, 100); });
    connect(spin, &CSpinWnd::Down, this, [this] { m_list->StepDelayLength(m_index, -100); });
    AddBarRow(QStringLiteral("Volume:"), 2, 41, TBarEnvelope::None);
}

void CDelayEffectItemWnd::OpenLengthEdit()
{
    if (m_edit)
        return;
    m_edit = new CInPlaceEdit(HundredthsText(m_effect.p1), this);
    m_edit->setObjectName(QStringLiteral("LengthEdit"));
    m_edit->setGeometry(kLength);
    connect(m_edit, &CInPlaceEdit::Commit, this, &CDelayEffectItemWnd::CommitLengthEdit, Qt::QueuedConnection);
    m_edit->show();
    m_edit->setFocus();
}

void CDelayEffectItemWnd::CommitLengthEdit()
{
    if (!m_edit)
        return;
    CInPlaceEdit* edit = std::exchange(m_edit, nullptr);
    edit->hide();
    edit->deleteLater();
    m_list->SetDelayLength(m_index, ParseHundredths(edit->text()));
}

void CDelayEffectItemWnd::PressElsewhere(QMouseEvent* event)
{
    if (m_edit)
        CommitLengthEdit();
    else if (event->button() == Qt::LeftButton && kLength.contains(event->position().toPoint()))
        OpenLengthEdit();
}

void CDelayEffectItemWnd::paintEvent(QPaintEvent* event)
{
    CEffectListItemWnd::paintEvent(event);
    const CUiResources::TPalette& c = Ui().Palette();
    QPainter painter(this);
    painter.fillRect(kLength, c.white);
    painter.setPen(c.grey);
    painter.drawRect(kLength.adjusted(0, 0, -1, -1));
    painter.setPen(c.black);
    painter.setFont(Ui().Font(8));
    painter.drawText(kLength, Qt::AlignCenter, HundredthsText(m_effect.p1));
}

CFlangeEffectItemWnd::CFlangeEffectItemWnd(CEffectListMainWnd* list, int index, const TOvkEffect& effect,
                                           QWidget* parent)
    : CEffectListItemWnd(list, index, effect, parent)
{
    AddLabel(QStringLiteral("Delay envelope:"), 8, 30);
    AddEnvelopeButton(false, QStringLiteral("Env"), 90, 31);
}

CLowPassEffectItemWnd::CLowPassEffectItemWnd(CEffectListMainWnd* list, int index, const TOvkEffect& effect,
                                             QWidget* parent)
    : CEffectListItemWnd(list, index, effect, parent)
{
    AddBarRow(QStringLiteral("Cutoff:"), 1, 30, TBarEnvelope::A);
}

CHighPassEffectItemWnd::CHighPassEffectItemWnd(CEffectListMainWnd* list, int index, const TOvkEffect& effect,
                                               QWidget* parent)
    : CEffectListItemWnd(list, index, effect, parent)
{
    AddBarRow(QStringLiteral("Cutoff:"), 1, 30, TBarEnvelope::A);
}

CResonanceEffectItemWnd::CResonanceEffectItemWnd(CEffectListMainWnd* list, int index, const TOvkEffect& effect,
                                                 QWidget* parent)
    : CEffectListItemWnd(list, index, effect, parent)
{
    AddBarRow(QStringLiteral("Cutoff:"), 1, 30, TBarEnvelope::A);
    AddBarRow(QStringLiteral("Amount:"), 2, 56, TBarEnvelope::B);
}

COverdriveEffectItemWnd::COverdriveEffectItemWnd(CEffectListMainWnd* list, int index, const TOvkEffect& effect,
                                                 QWidget* parent)
    : CEffectListItemWnd(list, index, effect, parent)
{
    AddBarRow(QStringLiteral("Limit:"), 1, 22, TBarEnvelope::None);
    AddBarRow(QStringLiteral("Vol:"), 2, 41, TBarEnvelope::A);
}

CBandBassEffectItemWnd::CBandBassEffectItemWnd(CEffectListMainWnd* list, int index, const TOvkEffect& effect,
                                               QWidget* parent)
    : CEffectListItemWnd(list, index, effect, parent)
{
    AddBarRow(QStringLiteral("Freq:"), 1, 30, TBarEnvelope::A);
    AddBarRow(QStringLiteral("Width:"), 2, 56, TBarEnvelope::B);
}

} // namespace ovk
