#include "gui/document/CEditorDialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <vector>

namespace ovk {

namespace {

std::unique_ptr<CEditorDialogs>& Installed()
{
    static std::unique_ptr<CEditorDialogs> dialogs = std::make_unique<CEditorDialogs>();
    return dialogs;
}

QMessageBox::Icon BoxIcon(CEditorDialogs::TIcon icon)
{
    switch (icon) {
    case CEditorDialogs::ICON_WARNING:
        return QMessageBox::Warning;
    case CEditorDialogs::ICON_ERROR:
        return QMessageBox::Critical;
    case CEditorDialogs::ICON_QUESTION:
        return QMessageBox::Question;
    default:
        return QMessageBox::Information;
    }
}

} // namespace

CEditorDialogs& Dialogs() { return *Installed(); }

std::unique_ptr<CEditorDialogs> SetDialogs(std::unique_ptr<CEditorDialogs> dialogs)
{
    if (!dialogs)
        dialogs = std::make_unique<CEditorDialogs>();
    std::swap(Installed(), dialogs);
    return dialogs;
}

void CEditorDialogs::Message(QWidget* parent, const QString& text, const QString& caption, TIcon icon,
                             const QString& detail)
{
    QMessageBox box(BoxIcon(icon), caption, text, QMessageBox::Ok, parent);
    if (!detail.isEmpty())
        box.setInformativeText(detail);
    box.exec();
}

CEditorDialogs::TAnswer CEditorDialogs::Ask(QWidget* parent, const QString& text, const QString& caption,
                                            bool cancel)
{
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (cancel)
        buttons |= QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, caption, text, buttons, parent);
    box.setDefaultButton(QMessageBox::Yes);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return ANSWER_YES;
    case QMessageBox::No:
        return ANSWER_NO;
    default:
        return cancel ? ANSWER_CANCEL : ANSWER_NO;
    }
}

int CEditorDialogs::Choose(QWidget* parent, const QString& text, const QString& caption, const QStringList& buttons)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, parent);
    std::vector<QAbstractButton*> added;
    for (const QString& button : buttons)
        added.push_back(box.addButton(button, QMessageBox::ActionRole));
    if (!added.empty())
        box.setEscapeButton(added.back());
    box.exec();
    for (std::size_t i = 0; i < added.size(); ++i)
        if (box.clickedButton() == added[i])
            return static_cast<int>(i);
    return static_cast<int>(buttons.size()) - 1;
}

QString CEditorDialogs::OpenFileName(QWidget* parent, const QString& caption, const QString& filter,
                                     const TFilePlaces& places)
{
    QFileDialog dialog(parent, caption, places.folder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (!places.sideBar.isEmpty()) {
        // Only Qt's own dialog takes places in its side bar.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        QList<QUrl> sideBar = dialog.sidebarUrls();
        for (const QUrl& place : places.sideBar)
            if (!sideBar.contains(place))
                sideBar.append(place);
        dialog.setSidebarUrls(sideBar);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

QString CEditorDialogs::SaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                                     const QString& suffix, const QString& suggested)
{
    QFileDialog dialog(parent, caption, suggested, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

void CEditorDialogs::OpenWithDesktop(const QString& path)
{
    // No shell command: the desktop's own handler for the file type. Its
    // result is not ours to report: the file is written either way.
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

} // namespace ovk
