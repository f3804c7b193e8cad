#pragma once
#include <QDialog>
#include <functional>
#include "gui/instruments/EnvelopeRef.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace ovk {

class CEnvGraphWnd;

// The envelope editor ("Envelope editor"): edits one envelope of the song in
// place, each change stored at once under the song's write lock (so it is
// heard while the song plays), with its graph, the derived rows per cycle,
// speed and frequency at the song's tempo, and Test, which sounds C-5 on the
// envelope's channel through the preview player.
class CEnvEditorDlg : public QDialog {
    Q_OBJECT
public:
    // Rows per cycle that the slider offers.
    static constexpr double kRowsPerCycle[30] = {0.01, 0.02, 0.05, 0.1, 0.2,  0.25, 0.5, 0.75, 1,   1.25,
                                                 1.5,  1.75, 2,    2.5, 3,    4,    6,   8,    12,  16,
                                                 24,   32,   48,   64,  128,  160,  192, 256,  512, 1024};
    // The drop-down's entries in order, and the reset modes they stand for.
    static constexpr int kResetModes[5] = {0, 1, 2, 4, 3};

    CEnvEditorDlg(const TEnvelopeRef& envelope, QWidget* parent);

    // Conversions at a row length (samples per row at the song's tempo).
    static double RowsPerCycle(std::int32_t speed, std::uint32_t rowLength);
    static std::int32_t SpeedOf(double rowsPerCycle, std::uint32_t rowLength);
    // The slider position for a number of rows per cycle: one below the first
    // table entry that is at least as large.
    static int SliderPositionOf(double rowsPerCycle);

    // The envelope as the song holds it now.
    TOvkEnvelope Envelope() const;
    CEnvGraphWnd* Graph() const { return m_graph; }

    // What the buttons do (Reset asks first).
    void Test();
    void Reset();

private:
    // Stores one change, then brings every control but its source up to date.
    void Store(const std::function<void(TOvkEnvelope&)>& change, const QWidget* source = nullptr);
    void UpdateControls(const QWidget* source = nullptr);
    void Connect();
    std::uint32_t RowLength() const;
    float SecondsPerRow() const;

    TEnvelopeRef m_ref;
    bool m_updating = false;  // the controls are being set from the envelope: do not store
    CEnvGraphWnd* m_graph;
    QLineEdit* m_max;
    QLineEdit* m_min;
    QLineEdit* m_rows;
    QSlider* m_rowsSlider;
    QLabel* m_speedText;
    QLineEdit* m_phase;
    QSlider* m_phaseSlider;
    QCheckBox* m_keepEnabled;
    QLineEdit* m_keep;
    QSlider* m_keepSlider;
    QCheckBox* m_sustainEnabled;
    QLineEdit* m_sustain;
    QSlider* m_sustainSlider;
    QComboBox* m_reset;
};

// Opens the envelope editor modally on an envelope; the whole session is one
// undo step.
void EditEnvelope(const TEnvelopeRef& envelope, QWidget* parent);

// The number that text starts with (after spaces), 0 when it does not start with one.
double LeadingNumber(const QString& text);

} // namespace ovk
