#pragma once
#include <QWidget>
#include <vector>

namespace ovk {

class CEffectListItemWnd;
class CEffectListMainWnd;

// The scrolling body of the effect list: one row per effect, in chain order.
class CEffectListBodyWnd : public QWidget {
    Q_OBJECT
public:
    CEffectListBodyWnd(CEffectListMainWnd* list, QWidget* parent);

    void Rebuild(int channel, int width);
    const std::vector<CEffectListItemWnd*>& Rows() const { return m_rows; }
    CEffectListItemWnd* Row(int index) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CEffectListMainWnd* m_list;
    std::vector<CEffectListItemWnd*> m_rows;
};

} // namespace ovk
