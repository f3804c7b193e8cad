#pragma once
#include <QColor>
#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QString>

class QPainter;

namespace ovk {

// Short texts drawn once into images and stamped from then on: the order
// table and the pattern editor show hundreds of the same few texts, and
// laying out text costs far more than copying an image.
class CTextStamps {
public:
    CTextStamps(const QFont& font, QColor colour);

    // Draws text with its top left at x, y.
    void Draw(QPainter& painter, int x, int y, const QString& text);
    // Draws text centred vertically in a row from top of the given height.
    void DrawInRow(QPainter& painter, int x, int top, int rowHeight, const QString& text);
    int Height() const { return m_height; }
    int Width(const QString& text);

private:
    const QPixmap& Stamp(const QString& text);

    QFont m_font;
    QColor m_colour;
    int m_height;
    int m_ascent;
    QHash<QString, QPixmap> m_stamps;
};

} // namespace ovk
