#pragma once
#include <QWidget>

namespace ovk {

class CEffectListMainWnd;
class COscillatorListMainWnd;

// The side pane: two tabs, "Oscillators" and "Effects", over the list that the
// selected tab shows (the oscillator list at start). It makes both lists.
class CSideWnd : public QWidget {
    Q_OBJECT
public:
    enum TTab { TAB_OSCILLATORS, TAB_EFFECTS };
    static constexpr int kTabHeight = 20;

    explicit CSideWnd(QWidget* parent);

    void ShowTab(TTab tab);
    TTab Tab() const { return m_tab; }
    COscillatorListMainWnd* OscillatorList() const { return m_oscillators; }
    CEffectListMainWnd* EffectList() const { return m_effects; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    COscillatorListMainWnd* m_oscillators;
    CEffectListMainWnd* m_effects;
    TTab m_tab = TAB_OSCILLATORS;
};

} // namespace ovk
