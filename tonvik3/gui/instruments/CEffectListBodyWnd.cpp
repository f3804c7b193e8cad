#include "gui/instruments/CEffectListBodyWnd.h"

#include <QPainter>

#include "gui/instruments/CEffectListItemWnd.h"
#include "gui/instruments/InstrumentEdits.h"
#include "gui/document/CUiResources.h"

namespace ovk {

CEffectListBodyWnd::CEffectListBodyWnd(CEffectListMainWnd* list, QWidget* parent) : QWidget(parent), m_list(list)
{
    setObjectName(QStringLiteral("Effect rows"));
}

void CEffectListBodyWnd::Rebuild(int channel, int width)
{
    // A row may be running one of its own commands: it goes later, not now.
    for (CEffectListItemWnd* row : m_rows) {
        row->hide();
        row->setParent(nullptr);
        row->deleteLater();
    }
    m_rows.clear();
    const COvkModuleChannel record = ChannelRecord(channel);
    int y = 0;
    for (std::size_t i = 0; i < record.effects.size(); ++i) {
        CEffectListItemWnd* row = CEffectListItemWnd::Make(m_list, static_cast<int>(i), record.effects[i], this);
        row->setGeometry(0, y, width, row->RowHeight());
        row->show();
        m_rows.push_back(row);
        y += row->RowHeight();
    }
    resize(width, std::max(y, 1));
}

CEffectListItemWnd* CEffectListBodyWnd::Row(int index) const
{
    return index >= 0 && static_cast<std::size_t>(index) < m_rows.size() ? m_rows[static_cast<std::size_t>(index)]
                                                                          : nullptr;
}

void CEffectListBodyWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Ui().Palette().white);
}

} // namespace ovk
