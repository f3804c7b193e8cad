#pragma once
#include <QWidget>
#include <vector>
#include "core/song/TOvkEnvelope.h"

namespace ovk {

// The envelope editor's graph: one cycle of the envelope's shape, computed by
// the player's own envelope function, from min (bottom) to max (top), with
// faint lines at row boundaries and, where keep is enabled, the curve held at
// the keep position's value after it.
class CEnvGraphWnd : public QWidget {
    Q_OBJECT
public:
    explicit CEnvGraphWnd(QWidget* parent);

    // The envelope to draw and the row length (samples) of the song's tempo.
    void SetEnvelope(const TOvkEnvelope& envelope, std::uint32_t rowLength);

    // The envelope's value at each column of the plot, as drawn.
    std::vector<std::int32_t> Values() const;
    // The counter position that a column of the plot shows.
    std::int32_t CounterAt(int column) const;
    // Pixels between the row lines (0: none drawn).
    double RowLineSpacing() const;
    QRect PlotRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TOvkEnvelope m_envelope;
    std::uint32_t m_rowLength = 5512;
};

} // namespace ovk
