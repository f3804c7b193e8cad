#pragma once
#include <QWidget>

namespace ovk {

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
    QWidget* OscillatorList() const { return m_oscillators; }
    QWidget* EffectList() const { return m_effects; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* m_oscillators;
    QWidget* m_effects;
    TTab m_tab = TAB_OSCILLATORS;
};

} // namespace ovk
