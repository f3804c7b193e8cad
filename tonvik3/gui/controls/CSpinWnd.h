#pragma once
#include <QTimer>
#include <QWidget>

namespace ovk {

// A small up/down control, 20 pixels high, drawn from one image. A press in
// the upper half steps up, in the lower half down; held, it steps again after
// 300 ms and then every 80 ms until the button is released. A double click
// counts as another press.
class CSpinWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFirstRepeatMs = 300;
    static constexpr int kRepeatMs = 80;

    explicit CSpinWnd(QWidget* parent);

    QSize sizeHint() const override { return QSize(13, 20); }

    // The repeat timer's step, also what its timeout runs; tests call it to
    // drive the timing without waiting.
    void TimerFired();
    // The interval the repeat timer waits now; 0 when it is not running.
    int PendingInterval() const { return m_timer.isActive() ? m_timer.interval() : 0; }

signals:
    void Up(CSpinWnd* spin);
    void Down(CSpinWnd* spin);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Step();

    QTimer m_timer;
    bool m_up = true;
    bool m_pressed = false;
};

} // namespace ovk
