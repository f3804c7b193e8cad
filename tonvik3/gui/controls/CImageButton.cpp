#include "gui/controls/CImageButton.h"

#include <QPainter>

namespace ovk {

CImageButton::CImageButton(const QString& name, CUiResources::TImage image, QWidget* parent)
    : QAbstractButton(parent), m_image(image)
{
    setObjectName(name);
    setToolTip(name);
    setAccessibleName(name);
}

void CImageButton::paintEvent(QPaintEvent*)
{
    const CUiResources::TPalette& c = Ui().Palette();
    QPainter painter(this);
    const bool down = isDown();
    painter.fillRect(rect(), c.panel);
    const int r = width() - 1;
    const int b = height() - 1;
    // The two frame pens swap places when the button is pushed.
    painter.setPen(down ? c.frameDark : c.frameLight);
    painter.drawLine(0, 0, r, 0);
    painter.drawLine(0, 0, 0, b);
    painter.setPen(down ? c.frameLight : c.frameDark);
    painter.drawLine(r, 0, r, b);
    painter.drawLine(0, b, r, b);
    const QPixmap& image = Ui().Image(m_image, down);
    painter.drawPixmap((width() - image.width()) / 2, (height() - image.height()) / 2, image);
    if (!isEnabled())
        painter.fillRect(rect().adjusted(1, 1, -1, -1), QColor(0xF0, 0xF0, 0xF0, 150));
}

} // namespace ovk
