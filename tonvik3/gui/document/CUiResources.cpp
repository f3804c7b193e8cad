#include "gui/document/CUiResources.h"

#include <QFontInfo>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace ovk {

namespace {

const CUiResources* g_resources = nullptr;

// The sizes the panes use, in points.
constexpr int kFontPoints[] = {7, 8, 9, 10, 11, 12, 14, 16, 20};

QFont MakeFont(int points, bool bold)
{
    QFont font;
    // Arial where it is installed; Liberation Sans has its metrics, DejaVu Sans
    // is always there with Qt.
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    // Laid out in pixels at 96 dots per inch, whatever the screen says.
    font.setPixelSize(static_cast<int>(std::lround(points * 96.0 / 72.0)));
    font.setBold(bold);
    return font;
}

QPixmap NewImage(int width, int height)
{
    QPixmap image(width, height);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

const CUiResources& Ui() { return *g_resources; }
void SetUiResources(const CUiResources* resources) { g_resources = resources; }

CUiResources::CUiResources()
{
    for (const int points : kFontPoints)
        m_fonts.emplace(std::make_pair(points, false), MakeFont(points, false));
    MakeImages();
}

const QFont& CUiResources::Font(int points, bool bold) const
{
    const auto key = std::make_pair(points, bold);
    auto found = m_fonts.find(key);
    if (found == m_fonts.end())
        found = m_fonts.emplace(key, MakeFont(points, bold)).first;
    return found->second;
}

void CUiResources::DrawHeaderStripes(QPainter& painter, int width) const
{
    const QColor stripes[] = {m_palette.stripe1, m_palette.stripe2, m_palette.stripe3, m_palette.stripe4};
    for (int i = 0; i < 4; ++i)
        painter.fillRect(0, 5 * i, width, 5, stripes[i]);
}

QString CUiResources::FontFamily() const { return QFontInfo(Font(8)).family(); }

void CUiResources::MakeImages()
{
    // Drawn, not loaded: the program carries no image files. A pressed image is
    // the same drawing one pixel lower right, as a button that gives way.
    for (int pressed = 0; pressed < 2; ++pressed) {
        const QPointF shift(pressed, pressed);
        const QColor ink = pressed ? QColor(0x30, 0x30, 0x30) : m_palette.black;
        const QColor play = pressed ? QColor(0x00, 0x99, 0x00) : QColor(0x00, 0xAA, 0x00);

        QPixmap image = NewImage(20, 20);
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(ink);
            p.setBrush(play);
            p.drawPolygon(QPolygonF({QPointF(5, 3) + shift, QPointF(17, 10) + shift, QPointF(5, 17) + shift}));
        }
        m_images[IMAGE_PLAY][pressed] = image;

        image = NewImage(20, 20);
        {
            // A play triangle inside a loop: the pattern plays over and over.
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(ink, 1.5));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(1.5, 1.5, 17, 17).translated(shift), 60 * 16, 300 * 16);
            p.setBrush(ink);
            p.drawPolygon(QPolygonF({QPointF(12, 1) + shift, QPointF(16, 3) + shift, QPointF(12, 6) + shift}));
            p.setPen(ink);
            p.setBrush(play);
            p.drawPolygon(QPolygonF({QPointF(7, 5.5) + shift, QPointF(14.5, 10) + shift, QPointF(7, 14.5) + shift}));
        }
        m_images[IMAGE_PATTERN_PLAY][pressed] = image;

        image = NewImage(20, 20);
        {
            QPainter p(&image);
            p.setPen(ink);
            p.setBrush(pressed ? QColor(0x99, 0x00, 0x00) : QColor(0xCC, 0x00, 0x00));
            p.drawRect(QRectF(4, 4, 12, 12).translated(shift));
        }
        m_images[IMAGE_STOP][pressed] = image;

        image = NewImage(24, 20);
        {
            // An envelope: attack, decay, sustain, release.
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(pressed ? QColor(0x00, 0x00, 0x66) : m_palette.faderBar, 1.5));
            QPainterPath path(QPointF(2, 17) + shift);
            path.lineTo(QPointF(7, 3) + shift);
            path.lineTo(QPointF(11, 9) + shift);
            path.lineTo(QPointF(17, 9) + shift);
            path.lineTo(QPointF(22, 17) + shift);
            p.drawPath(path);
            p.setPen(m_palette.grey);
            p.drawLine(QPointF(1, 18) + shift, QPointF(23, 18) + shift);
        }
        m_images[IMAGE_ENVELOPE][pressed] = image;

        image = NewImage(13, 20);
        {
            // Up and down arrows in one image: the upper half steps up.
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(m_palette.grey);
            p.setBrush(m_palette.stripe2);
            p.drawRect(QRectF(0.5, 0.5, 12, 9));
            p.drawRect(QRectF(0.5, 10.5, 12, 9));
            p.setPen(Qt::NoPen);
            p.setBrush(ink);
            p.drawPolygon(QPolygonF({QPointF(3, 7), QPointF(6.5, 3), QPointF(10, 7)}));
            p.drawPolygon(QPolygonF({QPointF(3, 13), QPointF(6.5, 17), QPointF(10, 13)}));
        }
        m_images[IMAGE_SPIN][pressed] = image;
    }
}

} // namespace ovk
