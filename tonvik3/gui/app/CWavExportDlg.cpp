#include "gui/app/CWavExportDlg.h"

#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

#include "core/module/IOvkModule.h"
#include "gui/document/CEditorDialogs.h"
#include "gui/document/COvkDoc.h"

namespace ovk {

const QString CWavExportDlg::kFilter = QStringLiteral("WAV files (*.wav)");

CWavExportDlg::CWavExportDlg(IOvkModule* song, QWidget* parent)
    : QDialog(parent), m_song(song), m_bar(new QProgressBar(this)), m_percent(new QLabel(QStringLiteral("10%"), this))
{
    setWindowTitle(QStringLiteral("Exporting ..."));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    m_bar->setTextVisible(false);
    layout->addWidget(m_bar);
    m_percent->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_percent);
    auto* hint = new QLabel(QStringLiteral("Press ESC to cancel"), this);
    hint->setAlignment(Qt::AlignCenter);
    layout->addWidget(hint);
    setFixedSize(260, 110);
    m_bar->setRange(0, 100);
    SetProgress(0);
}

CWavExportDlg::~CWavExportDlg()
{
    m_cancel = true;
    if (m_worker.joinable())
        m_worker.join();
}

int CWavExportDlg::Percent() const { return m_bar->value(); }

void CWavExportDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_begun)
        QTimer::singleShot(0, this, &CWavExportDlg::Begin);
}

void CWavExportDlg::Begin()
{
    if (m_begun)
        return;
    m_begun = true;
    const QString path = Dialogs().SaveFileName(this, QStringLiteral("Export WAV"), kFilter, QStringLiteral("wav"));
    if (path.isEmpty()) {
        done(QDialog::Rejected);
        return;
    }
    m_worker = std::thread([this, file = ToWide(path)] {
        TWavExportOptions options;
        options.cancel = &m_cancel;
        options.progress = [this](int percent) {
            QMetaObject::invokeMethod(this, [this, percent] { SetProgress(percent); }, Qt::QueuedConnection);
        };
        m_outcome = ExportWav(m_song, file.c_str(), options);
        QMetaObject::invokeMethod(this, [this] { Finished(); }, Qt::QueuedConnection);
    });
}

void CWavExportDlg::reject()
{
    // Without a running export there is nothing to wait for.
    if (!m_worker.joinable()) {
        QDialog::reject();
        return;
    }
    m_cancel = true;
}

void CWavExportDlg::SetProgress(int percent)
{
    m_bar->setValue(percent);
    m_percent->setText(QString::asprintf("%d%%", percent));
}

void CWavExportDlg::Finished()
{
    m_worker.join();
    switch (m_outcome.result) {
    case TWavExportResult::Completed:
        SetProgress(100);
        Dialogs().Message(this, QStringLiteral("WAV export completed!"), QStringLiteral("TONVIK3"),
                          CEditorDialogs::ICON_INFORMATION);
        break;
    case TWavExportResult::Failed:
        Dialogs().Message(this, QStringLiteral("WAV export failed!"), QStringLiteral("TONVIK3"),
                          CEditorDialogs::ICON_ERROR, QString::fromStdWString(m_outcome.error));
        break;
    case TWavExportResult::Cancelled:
        break;
    }
    done(m_outcome.result == TWavExportResult::Completed ? QDialog::Accepted : QDialog::Rejected);
}

} // namespace ovk
