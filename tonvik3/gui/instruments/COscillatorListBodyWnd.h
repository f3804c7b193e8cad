#pragma once
#include <QWidget>
#include <vector>

namespace ovk {

class COscillatorListItemWnd;
class COscillatorListMainWnd;

// The scrolling body of the oscillator list: for each pair in order the row
// of its carrier and, while the carrier's FM is on, the row of its modulator
// right under it.
class COscillatorListBodyWnd : public QWidget {
    Q_OBJECT
public:
    COscillatorListBodyWnd(COscillatorListMainWnd* list, QWidget* parent);

    // Shows the rows for a channel; width is the visible width.
    void Rebuild(int channel, int width);
    const std::vector<COscillatorListItemWnd*>& Rows() const { return m_rows; }
    COscillatorListItemWnd* Row(bool modulator, int index) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    COscillatorListMainWnd* m_list;
    std::vector<COscillatorListItemWnd*> m_rows;   // shown, in order
    std::vector<COscillatorListItemWnd*> m_spare;  // hidden, for later
};

} // namespace ovk
