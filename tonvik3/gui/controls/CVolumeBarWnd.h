#pragma once
#include <QWidget>

namespace ovk {

// A horizontal bar holding a fraction 0.0-1.0. Pressing at x sets
// (x − 8) / (width − 16), clamped; dragging goes on setting it. Its owner can
// lay a level (0.0-1.0) over it, as the master pane does.
class CVolumeBarWnd : public QWidget {
    Q_OBJECT
public:
    explicit CVolumeBarWnd(QWidget* parent);

    double Fraction() const { return m_fraction; }
    void SetFraction(double fraction);
    double Level() const { return m_level; }
    void SetLevel(double level);

signals:
    // The user moved the bar (press and every drag step).
    void Changed(CVolumeBarWnd* bar);
    // The button went up after a press: one whole gesture has ended.
    void Released(CVolumeBarWnd* bar);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SetFromX(double x);

    double m_fraction = 0.0;
    double m_level = 0.0;
    bool m_dragging = false;
};

} // namespace ovk
