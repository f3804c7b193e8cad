#include "gui/instruments/COscillatorListBodyWnd.h"

#include <QPainter>

#include "gui/instruments/COscillatorListItemWnd.h"
#include "gui/instruments/InstrumentEdits.h"
#include "gui/document/CUiResources.h"

namespace ovk {

COscillatorListBodyWnd::COscillatorListBodyWnd(COscillatorListMainWnd* list, QWidget* parent)
    : QWidget(parent), m_list(list)
{
    setObjectName(QStringLiteral("Oscillator rows"));
}

void COscillatorListBodyWnd::Rebuild(int channel, int width)
{
    const COvkModuleChannel record = ChannelRecord(channel);
    std::size_t used = 0;
    int y = 0;
    // The rows there are stand for the new oscillators; only missing ones are made.
    auto place = [&](bool modulator, int index, const TOvkOscillator& oscillator) {
        COscillatorListItemWnd* row = nullptr;
        if (used < m_rows.size()) {
            row = m_rows[used];
            row->Assign(modulator, index, oscillator, index);
        } else if (!m_spare.empty()) {
            row = m_spare.back();
            m_spare.pop_back();
            row->Assign(modulator, index, oscillator, index);
            m_rows.push_back(row);
        } else {
            row = new COscillatorListItemWnd(m_list, modulator, index, oscillator, index, this);
            m_rows.push_back(row);
        }
        row->setGeometry(0, y, width, COscillatorListItemWnd::kHeight);
        row->show();
        ++used;
        y += COscillatorListItemWnd::kHeight;
    };
    for (std::size_t i = 0; i < record.carriers.size(); ++i) {
        place(false, static_cast<int>(i), record.carriers[i]);
        if (record.carriers[i].fmEnabled)
            place(true, static_cast<int>(i), record.ModulatorOf(i));
    }
    // Rows not needed now wait, hidden, for a longer list (a row may also be
    // running the very command that shortened the list).
    for (std::size_t i = used; i < m_rows.size(); ++i) {
        m_rows[i]->hide();
        m_spare.push_back(m_rows[i]);
    }
    m_rows.resize(used);
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
