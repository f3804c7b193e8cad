#pragma once
#include "gui/instruments/CChannelListWnd.h"

class QScrollBar;

namespace ovk {

class COscillatorListBodyWnd;
class COscillatorListItemWnd;
struct TOvkOscillator;

// The oscillator list of the side pane: the sound sources of the current
// channel's instrument, in carrier and modulator pairs. Header: Add, New,
// Load, Save, Copy, Play and Trans (the transpose bar, which adds an amount
// to every oscillator's pitch when applied). Every change is one undo step
// under the song's write lock, heard in the next block while the song plays.
class COscillatorListMainWnd : public CChannelListWnd {
    Q_OBJECT
public:
    explicit COscillatorListMainWnd(QWidget* parent);
    ~COscillatorListMainWnd() override;

    COscillatorListBodyWnd* Rows() const { return m_body; }
    COscillatorListItemWnd* Row(bool modulator, int index) const;

    // The header's commands.
    void AddOscillator();
    void DeleteAll();  // asks first
    void ToggleTransposeBar();
    bool TransposeBarOpen() const;
    // The transpose amount in cents (-10000 … 10000, steps of 100).
    int TransposeAmount() const { return m_transpose; }
    void SetTransposeAmount(int cents);
    QScrollBar* TransposeScrollBar() const { return m_transposeBar; }
    void ApplyTranspose();

    // The rows' commands, on the pair at index (the modulator's fields where
    // modulator is set).
    void SetType(bool modulator, int index, std::int32_t type);
    void SetCents(bool modulator, int index, std::int32_t cents);
    void StepCents(bool modulator, int index, std::int32_t delta);
    void SetVolume(bool modulator, int index, int volume, bool snapshot);
    void ToggleFm(int index);
    void DuplicatePair(int index);
    void RemovePair(int index);
    void MovePair(int index, int step);
    void EditOscillatorEnvelope(bool modulator, int index, bool transpose);

protected:
    void Rebuild() override;

private:
    // Changes one oscillator, then shows it in its row.
    void ChangeOscillator(bool modulator, int index, bool snapshot, const std::function<void(TOvkOscillator&)>& change);
    void UpdateTransposeText();

    COscillatorListBodyWnd* m_body;
    QWidget* m_transposeRow;
    QScrollBar* m_transposeBar;
    class QLabel* m_transposeText;
    int m_transpose = 0;
};

} // namespace ovk
