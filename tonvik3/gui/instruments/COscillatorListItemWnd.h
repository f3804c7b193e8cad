#pragma once
#include <QWidget>
#include <cstdint>
#include "core/song/TOvkOscillator.h"
#include "gui/controls/CRowButtons.h"

namespace ovk {

class CInPlaceEdit;
class COscillatorListMainWnd;
class CSpinWnd;

// One row of the oscillator list: one oscillator of the channel's first list
// (heard, in blue) or of its second list (the modulator under its carrier, in
// green). The type icon (double-click cycles it, right-click offers the
// types), the pitch offset as text with an in-place edit and two spins
// (a semitone, a tenth), the volume bar, the envelope buttons, the FM toggle,
// and Copy, Close, Up and Down for the pair.
class COscillatorListItemWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 60;
    static const QRect kTypeIcon;      // x 9-67, y 7-25
    static const QRect kFrequency;     // x 171-209, y 7-25
    static const QRect kVolumeBar;     // x 61-197, y 34-52

    COscillatorListItemWnd(COscillatorListMainWnd* list, bool modulator, int index, const TOvkOscillator& oscillator,
                           int shade, QWidget* parent);

    bool IsModulator() const { return m_modulator; }
    int Index() const { return m_index; }
    const TOvkOscillator& Oscillator() const { return m_oscillator; }
    // The volume a press at x of the row gives: 2·x − 130, clamped to 0-255.
    static int VolumeAt(int x);
    // The next type of a double click: 0 → 1 → 2 → 3 → 0, 4 → … → 11 → 12, 12 stays.
    static std::int32_t NextType(std::int32_t type);

    // Where a button of the row is ("VolEnv", "TransEnv", "fmBt", "Copy",
    // "Close", "Up", "Down"); empty where the row has none (no FM on a modulator).
    QRect ButtonRect(const QString& name) const { return m_buttons.Rect(name); }
    bool FmShownOn() const { return m_buttons.IsChecked(QStringLiteral("fmBt")); }
    CInPlaceEdit* FrequencyEdit() const { return m_edit; }
    void OpenFrequencyEdit();
    void CommitFrequencyEdit();
    // The row shows the oscillator again after a change made here.
    void Show(const TOvkOscillator& oscillator);
    // The row stands for another oscillator: rows are kept and handed on when
    // the list is made again, as making widgets is slow.
    void Assign(bool modulator, int index, const TOvkOscillator& oscillator, int shade);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void ShowTypeMenu(QPoint at);

    COscillatorListMainWnd* m_list;
    bool m_modulator = false;
    int m_index = 0;
    TOvkOscillator m_oscillator;
    QColor m_background;
    bool m_dragging = false;
    CInPlaceEdit* m_edit = nullptr;
    CRowButtons m_buttons;
};

} // namespace ovk
