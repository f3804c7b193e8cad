#pragma once
#include <QAbstractButton>
#include "gui/document/CUiResources.h"

namespace ovk {

// A push button showing an image: a raised frame and the normal image when
// up, a sunken frame and the pressed image while pushed, the image centred
// inside a one-pixel frame.
class CImageButton : public QAbstractButton {
    Q_OBJECT
public:
    CImageButton(const QString& name, CUiResources::TImage image, QWidget* parent);

    QSize sizeHint() const override { return QSize(32, 32); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CUiResources::TImage m_image;
};

} // namespace ovk
