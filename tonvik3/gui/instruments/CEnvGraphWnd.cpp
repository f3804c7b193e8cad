#include "gui/instruments/CEnvGraphWnd.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "core/synth/TOvkEnvelopeState.h"
#include "gui/document/CUiResources.h"

namespace ovk {

namespace {
constexpr int kLabelWidth = 40;
constexpr int kMargin = 8;
} // namespace

CEnvGraphWnd::CEnvGraphWnd(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Envelope graph"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CEnvGraphWnd::SetEnvelope(const TOvkEnvelope& envelope, std::uint32_t rowLength)
{
    m_envelope = envelope;
    m_rowLength = rowLength;
    update();
}

QRect CEnvGraphWnd::PlotRect() const
{
    return QRect(kLabelWidth, kMargin, std::max(1, width() - kLabelWidth - kMargin), std::max(1, height() - 2 * kMargin));
}

std::int32_t CEnvGraphWnd::CounterAt(int column) const
{
    const int columns = PlotRect().width();
    const auto counter = static_cast<std::int32_t>(static_cast<std::int64_t>(column) * kEnvelopeCycle / columns);
    // After the keep position the player's counter stays there.
    if (m_envelope.keepEnabled && counter > m_envelope.keepPosition)
        return m_envelope.keepPosition;
    return counter;
}

std::vector<std::int32_t> CEnvGraphWnd::Values() const
{
    TOvkEnvelopeState state;
    state.stored = m_envelope;
    std::vector<std::int32_t> values(static_cast<std::size_t>(PlotRect().width()));
    for (std::size_t x = 0; x < values.size(); ++x)
        values[x] = state.ValueAt(CounterAt(static_cast<int>(x)));
    return values;
}

double CEnvGraphWnd::RowLineSpacing() const
{
    // Counter units per row: speed per tick, rowLength / 44 ticks a row.
    double unitsPerRow = static_cast<double>(m_envelope.speed) * m_rowLength / kEnvelopeTickSamples;
    if (unitsPerRow <= 0)
        return 0;
    const double pixelsPerUnit = static_cast<double>(PlotRect().width()) / kEnvelopeCycle;
    // Rows denser than the plot shows are marked sixteen at a time, then 256 …
    while (unitsPerRow * pixelsPerUnit < 4)
        unitsPerRow *= 16;
    return unitsPerRow * pixelsPerUnit;
}

void CEnvGraphWnd::paintEvent(QPaintEvent*)
{
    const CUiResources::TPalette& c = Ui().Palette();
    QPainter painter(this);
    painter.fillRect(rect(), c.panel);
    const QRect plot = PlotRect();
    painter.fillRect(plot, c.white);

    const double spacing = RowLineSpacing();
    if (spacing > 0) {
        painter.setPen(c.stripe2);
        for (double x = plot.left(); x <= plot.right() + 0.5; x += spacing)
            painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
    painter.setPen(c.lightLine);
    painter.drawLine(plot.left(), plot.center().y(), plot.right(), plot.center().y());

    const std::int32_t low = m_envelope.min;
    const std::int32_t high = m_envelope.max;
    auto yOf = [&](std::int32_t value) {
        if (high == low)
            return static_cast<double>(plot.center().y());
        const double fraction = static_cast<double>(value - low) / (static_cast<double>(high) - low);
        return plot.bottom() - fraction * (plot.height() - 1);
    };
    const std::vector<std::int32_t> values = Values();
    QPainterPath curve;
    for (std::size_t x = 0; x < values.size(); ++x) {
        const QPointF point(plot.left() + static_cast<double>(x), yOf(values[x]));
        if (x == 0)
            curve.moveTo(point);
        else
            curve.lineTo(point);
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(c.faderBar, 1.5));
    painter.drawPath(curve);
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (m_envelope.keepEnabled && m_envelope.keepPosition >= 0 && m_envelope.keepPosition < kEnvelopeCycle) {
        const double x = plot.left() + static_cast<double>(m_envelope.keepPosition) * plot.width() / kEnvelopeCycle;
        painter.setPen(QPen(c.levelHot, 1, Qt::DashLine));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
    painter.setPen(c.grey);
    painter.drawRect(plot.adjusted(0, 0, -1, -1));

    painter.setFont(Ui().Font(8));
    painter.setPen(c.black);
    const QRect labels(0, plot.top() - 6, kLabelWidth - 4, plot.height() + 12);
    painter.drawText(labels, Qt::AlignTop | Qt::AlignRight, QString::asprintf("%d", high));
    painter.drawText(labels, Qt::AlignVCenter | Qt::AlignRight,
                     QString::asprintf("%d", static_cast<int>((static_cast<std::int64_t>(high) + low) / 2)));
    painter.drawText(labels, Qt::AlignBottom | Qt::AlignRight, QString::asprintf("%d", low));
}

} // namespace ovk
