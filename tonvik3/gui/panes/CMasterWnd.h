#pragma once
#include <QWidget>
#include "gui/document/EditorPanes.h"

namespace ovk {

class CVolumeBarWnd;

// The master pane: the song's master volume (0-255) on a volume bar, with the
// output level laid over it while the song plays.
class CMasterWnd : public QWidget, public ISongValuesPane {
    Q_OBJECT
public:
    explicit CMasterWnd(QWidget* parent);
    ~CMasterWnd() override;

    CVolumeBarWnd* Bar() const { return m_bar; }
    // Reads the master volume from the song again.
    void Reload() override;
    void OnPlayTick() override;
    void OnPlayStopped() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void OnBarChanged();

    CVolumeBarWnd* m_bar;
};

} // namespace ovk
