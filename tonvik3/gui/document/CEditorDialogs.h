#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <memory>

class QWidget;

namespace ovk {

// Where an open-file dialog starts, and the folders it offers in its side bar
// besides the usual ones. Empty: the dialog's own choice.
struct TFilePlaces {
    QString folder;
    QList<QUrl> sideBar;
};

// Every modal question, message and file dialog of the editor goes through
// this one object, so that tests answer them instead of a person (a modal
// box would block a test for ever). The program uses the Qt dialogs.
class CEditorDialogs {
public:
    enum TIcon { ICON_INFORMATION, ICON_WARNING, ICON_ERROR, ICON_QUESTION };
    enum TAnswer { ANSWER_YES, ANSWER_NO, ANSWER_CANCEL };

    virtual ~CEditorDialogs() = default;

    // A message with an OK button; detail is shown under the text (the
    // system's reason of a failure), if any.
    virtual void Message(QWidget* parent, const QString& text, const QString& caption, TIcon icon,
                         const QString& detail = QString());
    // Yes / No, or Yes / No / Cancel with cancel.
    virtual TAnswer Ask(QWidget* parent, const QString& text, const QString& caption, bool cancel);
    // A question with buttons of its own; the index of the one chosen (the
    // last one when the box is closed otherwise).
    virtual int Choose(QWidget* parent, const QString& text, const QString& caption, const QStringList& buttons);
    // An existing file to open; empty when cancelled. filter as Qt writes it
    // ("tonvik3 Files (*.tonvik)").
    virtual QString OpenFileName(QWidget* parent, const QString& caption, const QString& filter,
                                 const TFilePlaces& places = TFilePlaces());
    // A file to write, with suffix added when the name has none; the dialog
    // asks before an existing file is replaced. Empty when cancelled.
    virtual QString SaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                                 const QString& suffix, const QString& suggested = QString());
    // Opens a file with the desktop's default application for its type.
    virtual void OpenWithDesktop(const QString& path);
};

// The editor's dialogs: the Qt ones unless a test installed its own.
CEditorDialogs& Dialogs();
// Installs dialogs (null: the Qt ones again) and returns the previous ones.
std::unique_ptr<CEditorDialogs> SetDialogs(std::unique_ptr<CEditorDialogs> dialogs);

} // namespace ovk
