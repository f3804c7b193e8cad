#pragma once
#include <QWidget>
#include "gui/document/EditorPanes.h"

namespace ovk {

// The time counter: the time of an absolute song row at the song's tempo, as
// minutes and seconds with hundredths ("00:02.00"); the row being played, or
// the edit cursor's when the song is not playing.
class CTimeCounterWnd : public QWidget, public IPlaybackListener {
    Q_OBJECT
public:
    explicit CTimeCounterWnd(QWidget* parent);
    ~CTimeCounterWnd() override;

    // Hundredths of a second at which a row starts, at a tempo.
    static int HundredthsOfRow(int row, int tempo);
    // "MM:SS" and ".hh" of a count of hundredths (wrapping after 59:59).
    static QString MinutesSeconds(int hundredths);
    static QString Fraction(int hundredths);

    int Hundredths() const { return m_hundredths; }
    QString Text() const { return MinutesSeconds(m_hundredths) + Fraction(m_hundredths); }

    // The position notification: an absolute row.
    void OnPlayPosition(int row) override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_hundredths = 0;
};

} // namespace ovk
