#include "gui/instruments/CChannelListWnd.h"

#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <cstdlib>

#include "gui/controls/CSpinWnd.h"
#include "gui/instruments/InstrumentEdits.h"
#include "gui/document/CEditorState.h"
#include "gui/document/CUiResources.h"

namespace ovk {

QString HundredthsText(std::int32_t value)
{
    const long long magnitude = std::llabs(static_cast<long long>(value));
    return QString::asprintf("%s%lld.%lld%lld", value < 0 ? "-" : "", magnitude / 100, magnitude / 10 % 10,
                             magnitude % 10);
}

std::int32_t ParseHundredths(const QString& text)
{
    const QString t = text.trimmed();
    int i = 0;
    const bool negative = i < t.size() && t[i] == QLatin1Char('-');
    if (negative)
        ++i;
    auto digit = [&](int at) { return at < t.size() && t[at] >= QLatin1Char('0') && t[at] <= QLatin1Char('9'); };
    if (!digit(i))
        return 0;
    std::int64_t whole = 0;
    for (; digit(i); ++i)
        whole = std::min<std::int64_t>(whole * 10 + (t[i].unicode() - '0'), 20000000);
    std::int64_t fraction = 0;
    if (i < t.size() && t[i] == QLatin1Char('.')) {
        ++i;
        if (digit(i)) {
            fraction = (t[i].unicode() - '0') * 10;
            if (digit(i + 1))
                fraction += t[i + 1].unicode() - '0';
        }
    }
    const std::int64_t value = whole * 100 + fraction;
    return static_cast<std::int32_t>(negative ? -value : value);
}

CChannelListWnd::CChannelListWnd(QWidget* parent, const QString& name)
    : QWidget(parent),
      m_copyMenu(new QMenu(this)),
      m_spin(new CSpinWnd(this)),
      m_channelLabel(new QLabel(this)),
      m_secondRow(new QWidget(this)),
      m_scroll(new QScrollArea(this))
{
    setObjectName(name);
    m_channel = EditorState()->channel;
    for (int k = 0; k < kChannels; ++k) {
        QAction* from = m_copyMenu->addAction(QStringLiteral("Copy from channel %1").arg(k + 1));
        from->setObjectName(QStringLiteral("CopyFrom%1").arg(k + 1));
        connect(from, &QAction::triggered, this, [this, k] { CopyFrom(k); });
    }
    m_copyMenu->addSeparator();
    for (int k = 0; k < kChannels; ++k) {
        QAction* to = m_copyMenu->addAction(QStringLiteral("Copy to channel %1").arg(k + 1));
        to->setObjectName(QStringLiteral("CopyTo%1").arg(k + 1));
        connect(to, &QAction::triggered, this, [this, k] { CopyTo(k); });
    }
    m_channelLabel->setGeometry(6, 30, 70, 20);
    m_channelLabel->setFont(Ui().Font(9, true));
    m_spin->move(78, 30);
    connect(m_spin, &CSpinWnd::Up, this, [this] {
        if (m_channel < kChannels - 1)
            EditorState()->SelectChannel(m_channel + 1);
    });
    connect(m_spin, &CSpinWnd::Down, this, [this] {
        if (m_channel > 0)
            EditorState()->SelectChannel(m_channel - 1);
    });
    m_secondRow->setGeometry(96, 28, 274, 24);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(false);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    UpdateChannelLabel();
}

QPushButton* CChannelListWnd::AddButton(const QString& name, int x)
{
    auto* button = new QPushButton(name, this);
    button->setObjectName(name);
    button->setFont(Ui().Font(8));
    button->setGeometry(x, 4, 44, 22);
    return button;
}

QPushButton* CChannelListWnd::Button(const QString& name) const
{
    return findChild<QPushButton*>(name, Qt::FindDirectChildrenOnly);
}

void CChannelListWnd::SetBody(QWidget* body)
{
    m_scroll->setWidget(body);
    m_scroll->setGeometry(0, kHeaderHeight, width(), height() - kHeaderHeight);
}

QWidget* CChannelListWnd::Body() const { return m_scroll->widget(); }

void CChannelListWnd::resizeEvent(QResizeEvent*)
{
    m_scroll->setGeometry(0, kHeaderHeight, width(), height() - kHeaderHeight);
    Rebuild();
}

void CChannelListWnd::UpdateChannelLabel() { m_channelLabel->setText(QStringLiteral("Channel %1").arg(m_channel + 1)); }

void CChannelListWnd::ShowChannel(int channel)
{
    m_channel = std::clamp(channel, 0, kChannels - 1);
    UpdateChannelLabel();
    Rebuild();
}

void CChannelListWnd::Reload()
{
    m_channel = EditorState()->channel;
    UpdateChannelLabel();
    Rebuild();
}

void CChannelListWnd::Load() { LoadInstrument(m_channel, this); }
void CChannelListWnd::Save() { SaveInstrument(m_channel, this); }
void CChannelListWnd::Play() { EditorState()->PreviewNote(m_channel, 61); }
void CChannelListWnd::CopyFrom(int channel) { CopyChannel(channel, m_channel); }
void CChannelListWnd::CopyTo(int channel) { CopyChannel(m_channel, channel); }

void CChannelListWnd::paintEvent(QPaintEvent*)
{
    const CUiResources::TPalette& c = Ui().Palette();
    QPainter painter(this);
    painter.fillRect(QRect(0, 0, width(), kHeaderHeight), c.panel);
    painter.setPen(c.stripe4);
    painter.drawLine(0, kHeaderHeight - 1, width(), kHeaderHeight - 1);
}

} // namespace ovk
