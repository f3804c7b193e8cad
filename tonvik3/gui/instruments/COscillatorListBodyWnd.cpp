#include "gui/instruments/COscillatorListBodyWnd.h"

#include <QPainter>

#include "gui/instruments/COscillatorListItemWnd.h"
#include "gui/instruments/InstrumentEdits.h"
#include "gui/shell/CUiResources.h"

namespace ovk {

COscillatorListBodyWnd::COscillatorListBodyWnd(COscillatorListMainWnd* list, QWidget* parent)
    : QWidget(parent), m_list(list)
{
    setObjectName(QStringLiteral("Oscillator rows"));
}

void COscillatorListBodyWnd::Rebuild(int channel, int width)
{
    // A row may be running one of its own commands: it goes later, not now.
    for (COscillatorListItemWnd* row : m_rows) {
        row->hide();
        row->setParent(nullptr);
        row->deleteLater();
    }
    m_rows.clear();
    const COvkModuleChannel record = ChannelRecord(channel);
    int y = 0;
    for (std::size_t i = 0; i < record.carriers.size(); ++i) {
        const int index = static_cast<int>(i);
        auto* carrier = new COscillatorListItemWnd(m_list, false, index, record.carriers[i], index, this);
        carrier->setGeometry(0, y, width, COscillatorListItemWnd::kHeight);
        carrier->show();
        m_rows.push_back(carrier);
        y += COscillatorListItemWnd::kHeight;
        if (record.carriers[i].fmEnabled) {
            auto* modulator =
                new COscillatorListItemWnd(m_list, true, index, record.ModulatorOf(i), index, this);
            modulator->setGeometry(0, y, width, COscillatorListItemWnd::kHeight);
            modulator->show();
            m_rows.push_back(modulator);
            y += COscillatorListItemWnd::kHeight;
        }
    }
    resize(width, std::max(y, 1));
}

COscillatorListItemWnd* COscillatorListBodyWnd::Row(bool modulator, int index) const
{
    for (COscillatorListItemWnd* row : m_rows)
        if (row->IsModulator() == modulator && row->Index() == index)
            return row;
    return nullptr;
}

void COscillatorListBodyWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Ui().Palette().white);
}

} // namespace ovk
