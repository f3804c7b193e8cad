#include "gui/instruments/COscillatorListItemWnd.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "gui/controls/CInPlaceEdit.h"
#include "gui/controls/CSpinWnd.h"
#include "gui/instruments/CChannelListWnd.h"
#include "gui/instruments/COscillatorListMainWnd.h"
#include "gui/document/CUiResources.h"

namespace ovk {

const QRect COscillatorListItemWnd::kTypeIcon(QPoint(9, 7), QPoint(67, 25));
const QRect COscillatorListItemWnd::kFrequency(QPoint(171, 7), QPoint(209, 25));
const QRect COscillatorListItemWnd::kVolumeBar(QPoint(61, 34), QPoint(197, 52));

namespace {

// Shades of the rows: the first list in blues, the second in greens.
const QColor kCarrierShades[] = {QColor(0xE4, 0xE4, 0xFF), QColor(0xF0, 0xF0, 0xFF)};
const QColor kModulatorShades[] = {QColor(0xE4, 0xFF, 0xE4), QColor(0xF0, 0xFF, 0xF0)};

void DrawWave(QPainter& painter, const QRect& box, std::int32_t type)
{
    QPainterPath wave;
    const double left = box.left() + 3, width = 22, top = box.top() + 3, height = box.height() - 6;
    const double middle = top + height / 2;
    switch (type) {
    case OSC_SINE:
        wave.moveTo(left, middle);
        wave.cubicTo(left + width * 0.2, top - 2, left + width * 0.3, top - 2, left + width / 2, middle);
        wave.cubicTo(left + width * 0.7, top + height + 2, left + width * 0.8, top + height + 2, left + width, middle);
        break;
    case OSC_SAW:
        wave.moveTo(left, top + height);
        wave.lineTo(left + width / 2, top);
        wave.lineTo(left + width / 2, top + height);
        wave.lineTo(left + width, top);
        break;
    case OSC_SQUARE:
        wave.moveTo(left, top + height);
        wave.lineTo(left, top);
        wave.lineTo(left + width / 2, top);
        wave.lineTo(left + width / 2, top + height);
        wave.lineTo(left + width, top + height);
        wave.lineTo(left + width, top);
        break;
    case OSC_NOISE:
        wave.moveTo(left, middle);
        for (int i = 1; i <= 8; ++i)
            wave.lineTo(left + width * i / 8, top + height * ((i * 37 % 11) / 10.0));
        break;
    default:
        // A source: an arrow into the oscillator.
        wave.moveTo(left, middle);
        wave.lineTo(left + width, middle);
        wave.moveTo(left + width - 5, middle - 4);
        wave.lineTo(left + width, middle);
        wave.lineTo(left + width - 5, middle + 4);
        break;
    }
    painter.drawPath(wave);
}

} // namespace

COscillatorListItemWnd::COscillatorListItemWnd(COscillatorListMainWnd* list, bool modulator, int index,
                                               const TOvkOscillator& oscillator, int shade, QWidget* parent)
    : QWidget(parent), m_list(list)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_buttons.Add(QStringLiteral("VolEnv"), QStringLiteral("VolEnv"), QRect(246, 3, 52, 17),
                  [this] { m_list->EditOscillatorEnvelope(m_modulator, m_index, false); });
    m_buttons.Add(QStringLiteral("TransEnv"), QStringLiteral("TransEnv"), QRect(300, 3, 52, 17),
                  [this] { m_list->EditOscillatorEnvelope(m_modulator, m_index, true); });
    m_buttons.Add(QStringLiteral("fmBt"), QStringLiteral("FM"), QRect(246, 21, 52, 17),
                  [this] { m_list->ToggleFm(m_index); }, true);
    m_buttons.Add(QStringLiteral("Copy"), QStringLiteral("Copy"), QRect(300, 21, 52, 17),
                  [this] { m_list->DuplicatePair(m_index); });
    m_buttons.Add(QStringLiteral("Up"), QStringLiteral("Up"), QRect(246, 39, 25, 17),
                  [this] { m_list->MovePair(m_index, -1); });
    m_buttons.Add(QStringLiteral("Down"), QStringLiteral("Down"), QRect(273, 39, 25, 17),
                  [this] { m_list->MovePair(m_index, 1); });
    m_buttons.Add(QStringLiteral("Close"), QStringLiteral("Close"), QRect(300, 39, 52, 17),
                  [this] { m_list->RemovePair(m_index); });

    auto* semitone = new CSpinWnd(this);
    semitone->setObjectName(QStringLiteral("Semitone"));
    semitone->setToolTip(QStringLiteral("One semitone up or down"));
    semitone->move(212, 6);
    connect(semitone, &CSpinWnd::Up, this, [this] { m_list->StepCents(m_modulator, m_index, 100); });
    connect(semitone, &CSpinWnd::Down, this, [this] { m_list->StepCents(m_modulator, m_index, -100); });
    auto* tenth = new CSpinWnd(this);
    tenth->setObjectName(QStringLiteral("Tenth"));
    tenth->setToolTip(QStringLiteral("A tenth of a semitone up or down"));
    tenth->move(227, 6);
    connect(tenth, &CSpinWnd::Up, this, [this] { m_list->StepCents(m_modulator, m_index, 10); });
    connect(tenth, &CSpinWnd::Down, this, [this] { m_list->StepCents(m_modulator, m_index, -10); });
    Assign(modulator, index, oscillator, shade);
}

void COscillatorListItemWnd::Assign(bool modulator, int index, const TOvkOscillator& oscillator, int shade)
{
    if (m_edit) {
        m_edit->hide();
        m_edit->deleteLater();
        m_edit = nullptr;
    }
    m_dragging = false;
    m_modulator = modulator;
    m_index = index;
    m_background = (modulator ? kModulatorShades : kCarrierShades)[shade & 1];
    setObjectName(QStringLiteral("%1 %2").arg(modulator ? QStringLiteral("Modulator") : QStringLiteral("Carrier")).arg(index));
    m_buttons.Cancel();
    // FM belongs to the carrier.
    m_buttons.SetVisible(QStringLiteral("fmBt"), !modulator);
    Show(oscillator);
}

int COscillatorListItemWnd::VolumeAt(int x) { return std::clamp(2 * x - 130, 0, 255); }

std::int32_t COscillatorListItemWnd::NextType(std::int32_t type)
{
    if (type >= OSC_SINE && type < OSC_NOISE)
        return type + 1;
    if (type == OSC_NOISE)
        return OSC_SINE;
    if (type >= OSC_CH1 && type < OSC_MASTER)
        return type + 1;
    if (type == OSC_MASTER)
        return OSC_MASTER;
    return OSC_SINE;
}

void COscillatorListItemWnd::Show(const TOvkOscillator& oscillator)
{
    m_oscillator = oscillator;
    m_buttons.SetChecked(QStringLiteral("fmBt"), oscillator.fmEnabled);
    update();
}

void COscillatorListItemWnd::OpenFrequencyEdit()
{
    if (m_edit)
        return;
    m_edit = new CInPlaceEdit(HundredthsText(m_oscillator.cents), this);
    m_edit->setObjectName(QStringLiteral("FrequencyEdit"));
    m_edit->setMaxLength(8);
    m_edit->setGeometry(kFrequency.adjusted(-6, 0, 0, 0));
    connect(m_edit, &CInPlaceEdit::Commit, this, &COscillatorListItemWnd::CommitFrequencyEdit, Qt::QueuedConnection);
    m_edit->show();
    m_edit->setFocus();
}

void COscillatorListItemWnd::CommitFrequencyEdit()
{
    if (!m_edit)
        return;
    CInPlaceEdit* edit = std::exchange(m_edit, nullptr);
    edit->hide();
    edit->deleteLater();
    m_list->SetCents(m_modulator, m_index, ParseHundredths(edit->text()));
}

void COscillatorListItemWnd::ShowTypeMenu(QPoint at)
{
    QMenu menu(this);
    menu.setTitle(QStringLiteral("Type"));
    const char* const waves[] = {"Sine", "Saw", "Square", "Noise"};
    for (int t = 0; t < 4; ++t)
        menu.addAction(QString::fromLatin1(waves[t]))->setData(t);
    QMenu* sources = menu.addMenu(QStringLiteral("Source"));
    for (int t = OSC_CH1; t <= OSC_MASTER; ++t)
        sources->addAction(QString::fromLatin1(OscillatorTypeName(t)))->setData(t);
    if (const QAction* chosen = menu.exec(mapToGlobal(at)))
        m_list->SetType(m_modulator, m_index, chosen->data().toInt());
}

void COscillatorListItemWnd::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (m_edit)
        CommitFrequencyEdit();
    if (event->button() == Qt::RightButton && kTypeIcon.contains(at)) {
        ShowTypeMenu(at);
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    if (m_buttons.Press(at)) {
        update();
        return;
    }
    if (kFrequency.contains(at)) {
        OpenFrequencyEdit();
    } else if (kVolumeBar.contains(at)) {
        // One undo step for the whole drag: the snapshot at the press.
        m_dragging = true;
        m_list->SetVolume(m_modulator, m_index, VolumeAt(at.x()), true);
    }
}

void COscillatorListItemWnd::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        m_list->SetVolume(m_modulator, m_index, VolumeAt(static_cast<int>(event->position().x())), false);
}

void COscillatorListItemWnd::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = false;
    update();
    m_buttons.Release(event->position().toPoint());
}

void COscillatorListItemWnd::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && kTypeIcon.contains(event->position().toPoint()))
        m_list->SetType(m_modulator, m_index, NextType(m_oscillator.type));
    else
        mousePressEvent(event);
}

void COscillatorListItemWnd::paintEvent(QPaintEvent*)
{
    const CUiResources& ui = Ui();
    const CUiResources::TPalette& c = ui.Palette();
    QPainter painter(this);
    painter.fillRect(rect(), m_background);
    painter.setPen(c.lightLine);
    painter.drawLine(0, height() - 1, width(), height() - 1);

    // The type icon: the wave and its name.
    painter.fillRect(kTypeIcon, c.white);
    painter.setPen(c.grey);
    painter.drawRect(kTypeIcon.adjusted(0, 0, -1, -1));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(c.faderBar, 1.3));
    DrawWave(painter, kTypeIcon, m_oscillator.type);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(ui.Font(7));
    painter.setPen(c.black);
    painter.drawText(kTypeIcon.adjusted(27, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                     QString::fromLatin1(OscillatorTypeName(m_oscillator.type)));
    painter.setFont(ui.Font(8));
    painter.drawText(QRect(72, 7, 30, 18), Qt::AlignVCenter | Qt::AlignLeft,
                     m_modulator ? QStringLiteral("mod") : QString::number(m_index + 1));

    painter.drawText(QRect(108, 7, 62, 18), Qt::AlignVCenter | Qt::AlignRight, QStringLiteral("Transition:"));
    painter.fillRect(kFrequency, c.white);
    painter.setPen(c.grey);
    painter.drawRect(kFrequency.adjusted(0, 0, -1, -1));
    painter.setPen(c.black);
    painter.drawText(kFrequency, Qt::AlignCenter, HundredthsText(m_oscillator.cents));

    painter.drawText(QRect(9, 34, 50, 18), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Volume:"));
    painter.fillRect(kVolumeBar, c.veryLightGrey);
    const int volume = std::clamp(m_oscillator.volume, 0, 255);
    // The bar's fill ends where a press would set this volume.
    const int end = std::clamp((volume + 130) / 2, kVolumeBar.left(), kVolumeBar.right());
    painter.fillRect(QRect(QPoint(kVolumeBar.left(), kVolumeBar.top() + 4), QPoint(end, kVolumeBar.bottom() - 4)),
                     c.faderBar);
    painter.setPen(c.grey);
    painter.drawRect(kVolumeBar.adjusted(0, 0, -1, -1));
    painter.setPen(c.black);
    painter.drawText(QRect(200, 34, 42, 18), Qt::AlignVCenter | Qt::AlignLeft, QString::number(m_oscillator.volume));
    m_buttons.Paint(painter);
}

} // namespace ovk
