#pragma once
#include <QDialog>
#include <atomic>
#include <string>
#include <thread>

#include "core/export/COvkWavExport.h"

class QLabel;
class QProgressBar;

namespace ovk {

class IOvkModule;

// The WAV export's progress dialog ("Exporting ..."): as soon as it is shown
// it asks for the file name, then renders the song on a worker thread through
// the core's WAV export, showing the percentage. ESC only asks the worker to
// stop; the dialog closes when the worker has finished. The export has its
// own player, so the song may go on playing meanwhile.
class CWavExportDlg : public QDialog {
    Q_OBJECT
public:
    static const QString kFilter;  // "WAV files (*.wav)"

    CWavExportDlg(IOvkModule* song, QWidget* parent);
    ~CWavExportDlg() override;

    // Asks for the file and starts the worker; the dialog closes itself when
    // there is nothing to do. exec() calls it once the dialog is shown.
    void Begin();

    int Percent() const;
    bool Cancelled() const { return m_cancel.load(); }
    const TWavExportOutcome& Outcome() const { return m_outcome; }

public slots:
    // ESC and the close box: stop before the next block.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void SetProgress(int percent);
    void Finished();

    IOvkModule* m_song;
    QProgressBar* m_bar;
    QLabel* m_percent;
    std::atomic<bool> m_cancel{false};
    std::thread m_worker;
    TWavExportOutcome m_outcome;
    bool m_begun = false;
};

} // namespace ovk
