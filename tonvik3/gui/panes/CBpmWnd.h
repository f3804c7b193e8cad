#pragma once
#include <QWidget>
#include "gui/document/EditorPanes.h"

namespace ovk {

class CInPlaceEdit;
class CSpinWnd;

// The tempo pane: "BPM:" and the song's tempo, with a spin control (40-255)
// and an in-place edit opened by a click on the number.
class CBpmWnd : public QWidget, public ISongValuesPane {
    Q_OBJECT
public:
    static constexpr int kMinimum = 40;
    static constexpr int kMaximum = 255;

    explicit CBpmWnd(QWidget* parent);
    ~CBpmWnd() override;

    int Tempo() const;
    // Stores a tempo, clamped to 40-255, under the song's write lock.
    void SetTempo(int tempo);
    void StepUp();
    void StepDown();

    // The in-place edit, while it is open.
    CInPlaceEdit* Editor() const { return m_edit; }
    CSpinWnd* Spin() const { return m_spin; }
    void Reload() override { update(); }
    void OpenEditor();
    // Takes the edit's text (a leading integer; anything else counts as 0).
    void CommitEditor();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    CSpinWnd* m_spin;
    CInPlaceEdit* m_edit = nullptr;
};

} // namespace ovk
