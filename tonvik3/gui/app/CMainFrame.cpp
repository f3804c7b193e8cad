#include "gui/app/CMainFrame.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QUrl>

#include "gui/instruments/CEnvEditorDlg.h"
#include "gui/document/CEditorDialogs.h"
#include "gui/document/CEditorSettings.h"
#include "gui/document/CEditorState.h"
#include "gui/document/COvkDoc.h"
#include "gui/app/COvkView.h"
#include "gui/app/CShortcutsWnd.h"
#include "gui/app/CWavExportDlg.h"
#include "gui/app/CTableSizeStatus.h"
#include "gui/app/CppExport.h"
#include "gui/document/MidiInput.h"

namespace ovk {

namespace {

bool IsSongFile(const QUrl& url)
{
    return url.isLocalFile() && url.toLocalFile().endsWith(QStringLiteral(".tonvik"), Qt::CaseInsensitive);
}

IClipboardPane* FocusedClipboardPane(const CEditorState& state)
{
    if (state.orderTable && state.orderTable->HasKeyboardFocus())
        return state.orderTable;
    if (state.pattern && state.pattern->HasKeyboardFocus())
        return state.pattern;
    return nullptr;
}

} // namespace

CMainFrame::CMainFrame(CEditorState& state, COvkDoc& document, CEditorSettings& settings)
    : m_state(state), m_document(document), m_settings(settings), m_view(new COvkView(this)),
      m_notice(new QLabel(this)), m_tableSize(new CTableSizeStatus(state, this))
{
    setObjectName(QStringLiteral("MainFrame"));
    setCentralWidget(m_view);
    statusBar()->addWidget(m_notice, 1);
    statusBar()->addPermanentWidget(m_tableSize);
    MakeMenus();
    setAcceptDrops(true);
    connect(m_view, &COvkView::ChannelEnvelopeClicked, this, &CMainFrame::OpenChannelEnvelope);
    connect(&m_document, &COvkDoc::ModifiedChanged, this, &CMainFrame::UpdateTitle);
    connect(&m_document, &COvkDoc::PathChanged, this, &CMainFrame::UpdateTitle);
    connect(&m_document, &COvkDoc::FileUsed, this, [this] {
        m_settings.AddRecentFile(m_document.Path());
        UpdateRecentMenu();
    });
    resize(kWidth, kHeight);
    UpdateTitle();
    if (!m_state.audioProblem.isEmpty())
        ShowNotice(m_state.audioProblem);
    if (!m_document.LastNotice().isEmpty())
        ShowNotice(m_document.LastNotice());
    connect(&m_document, &COvkDoc::Notice, this, &CMainFrame::ShowNotice);
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::AddAction(QMenu* menu, const QString& name, const QString& text, const QKeySequence& shortcut,
                               void (CMainFrame::*command)())
{
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, [this, command] { (this->*command)(); });
    return action;
}

QAction* CMainFrame::Action(const QString& name) const { return findChild<QAction*>(name); }

void CMainFrame::MakeMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    AddAction(file, QStringLiteral("FileNew"), QStringLiteral("&New"), QKeySequence(Qt::CTRL | Qt::Key_N),
              &CMainFrame::FileNew);
    AddAction(file, QStringLiteral("FileOpen"), QStringLiteral("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O),
              &CMainFrame::FileOpen);
    QAction* save = file->addAction(QStringLiteral("&Save"));
    save->setObjectName(QStringLiteral("FileSave"));
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(save, &QAction::triggered, this, [this] { FileSave(); });
    QAction* saveAs = file->addAction(QStringLiteral("Save &As..."));
    saveAs->setObjectName(QStringLiteral("FileSaveAs"));
    connect(saveAs, &QAction::triggered, this, [this] { FileSaveAs(); });
    file->addSeparator();
    m_recentMenu = file->addMenu(QStringLiteral("Recent &File"));
    UpdateRecentMenu();
    QMenu* exports = file->addMenu(QStringLiteral("&Export"));
    AddAction(exports, QStringLiteral("ExportCpp"), QStringLiteral("C++"), QKeySequence(), &CMainFrame::ExportCpp);
    AddAction(exports, QStringLiteral("ExportCppAs"), QStringLiteral("C++ as..."), QKeySequence(),
              &CMainFrame::ExportCppAs);
    AddAction(exports, QStringLiteral("ExportWav"), QStringLiteral("WAV"), QKeySequence(), &CMainFrame::ExportWav);
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("FileExit"));
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    AddAction(edit, QStringLiteral("EditUndo"), QStringLiteral("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z),
              &CMainFrame::EditUndo);
    QAction* redo = AddAction(edit, QStringLiteral("EditRedo"), QStringLiteral("&Redo"),
                              QKeySequence(Qt::CTRL | Qt::Key_Y), &CMainFrame::EditRedo);
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    edit->addSeparator();
    AddAction(edit, QStringLiteral("EditCut"), QStringLiteral("Cu&t"), QKeySequence(Qt::CTRL | Qt::Key_X),
              &CMainFrame::EditCut);
    AddAction(edit, QStringLiteral("EditCopy"), QStringLiteral("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C),
              &CMainFrame::EditCopy);
    AddAction(edit, QStringLiteral("EditPaste"), QStringLiteral("&Paste"), QKeySequence(Qt::CTRL | Qt::Key_V),
              &CMainFrame::EditPaste);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    QMenu* looks = view->addMenu(QStringLiteral("Application look"));
    auto* group = new QActionGroup(this);
    const QString current = m_settings.Look();
    for (const CEditorSettings::TLook& look : CEditorSettings::Looks()) {
        QAction* action = looks->addAction(look.name);
        action->setObjectName(QStringLiteral("Look:") + look.key);
        action->setCheckable(true);
        action->setChecked(look.key == current);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, key = look.key] { m_settings.SetLook(key); });
    }

    QAction* backup = view->addAction(QStringLiteral("Keep a backup when saving"));
    backup->setObjectName(QStringLiteral("KeepBackup"));
    backup->setCheckable(true);
    backup->setChecked(m_settings.KeepBackup());
    m_document.SetKeepBackup(m_settings.KeepBackup());
    connect(backup, &QAction::toggled, this, [this](bool keep) {
        m_settings.SetKeepBackup(keep);
        m_document.SetKeepBackup(keep);
    });
    m_midiMenu = view->addMenu(QStringLiteral("MIDI input"));
    m_midiMenu->setObjectName(QStringLiteral("MidiMenu"));
    // The ports are listed as they are when the menu opens: keyboards come and go.
    connect(m_midiMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateMidiMenu);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    AddAction(help, QStringLiteral("HelpShortcuts"), QStringLiteral("&Keyboard shortcuts"), QKeySequence(),
              &CMainFrame::ShowKeyboardShortcuts);
    AddAction(help, QStringLiteral("HelpAbout"), QStringLiteral("&About tonvik3..."), QKeySequence(),
              &CMainFrame::About);
}

void CMainFrame::UpdateTitle()
{
    setWindowTitle(m_document.Title() + QStringLiteral("[*] - tonvik3"));
    setWindowModified(m_document.IsModified());
}

void CMainFrame::UpdateRecentMenu()
{
    m_recentMenu->clear();
    const std::vector<std::wstring> files = m_settings.RecentFiles();
    if (files.empty()) {
        m_recentMenu->addAction(QStringLiteral("(none)"))->setEnabled(false);
        return;
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::wstring path = files[i];
        QAction* action = m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(ToQString(path)));
        action->setObjectName(QStringLiteral("Recent%1").arg(i + 1));
        connect(action, &QAction::triggered, this, [this, path] { OpenRecent(path); });
    }
}

void CMainFrame::OpenRecent(const std::wstring& path)
{
    if (!m_document.SaveModified(this))
        return;
    if (!m_document.Open(path, this)) {
        // A file that is gone or broken leaves the list.
        m_settings.RemoveRecentFile(path);
        UpdateRecentMenu();
    }
}

void CMainFrame::FileNew()
{
    if (m_document.SaveModified(this))
        m_document.New();
}

void CMainFrame::FileOpen()
{
    const QString path = Dialogs().OpenFileName(this, QStringLiteral("Open"), COvkDoc::kFilter);
    if (!path.isEmpty())
        OpenPath(ToWide(path));
}

bool CMainFrame::OpenPath(const std::wstring& path)
{
    if (!m_document.SaveModified(this))
        return false;
    return m_document.Open(path, this);
}

bool CMainFrame::FileSave() { return m_document.Save(this); }
bool CMainFrame::FileSaveAs() { return m_document.SaveAs(this); }

void CMainFrame::ExportCpp() { ExportCppSource(m_state, this); }
void CMainFrame::ExportCppAs() { ExportCppSourceAs(m_state, this); }

void CMainFrame::ExportWav()
{
    CWavExportDlg dialog(m_state.song.Get(), this);
    dialog.exec();
}

void CMainFrame::EditCut()
{
    if (IClipboardPane* pane = FocusedClipboardPane(m_state))
        pane->Cut();
}

void CMainFrame::EditCopy()
{
    if (IClipboardPane* pane = FocusedClipboardPane(m_state))
        pane->Copy();
}

void CMainFrame::EditPaste()
{
    if (IClipboardPane* pane = FocusedClipboardPane(m_state))
        pane->Paste();
}

void CMainFrame::EditUndo() { m_state.Undo(); }
void CMainFrame::EditRedo() { m_state.Redo(); }

void CMainFrame::About()
{
    Dialogs().Message(this, QStringLiteral("tonvik3\nVersion " TONVIK3_VERSION), QStringLiteral("About tonvik3"),
                      CEditorDialogs::ICON_INFORMATION);
}

void CMainFrame::ShowKeyboardShortcuts()
{
    if (!m_shortcuts)
        m_shortcuts = new CShortcutsWnd(this);
    m_shortcuts->show();
    m_shortcuts->raise();
    m_shortcuts->activateWindow();
}

void CMainFrame::OpenChannelEnvelope(int channel)
{
    TEnvelopeRef envelope;
    envelope.channel = channel;
    envelope.kind = TEnvelopeRef::CHANNEL;
    EditEnvelope(envelope, this);
}

void CMainFrame::SetMidiInput(IMidiInput* midi)
{
    m_midi = midi;
    UpdateMidiMenu();
}

void CMainFrame::UpdateMidiMenu()
{
    m_midiMenu->clear();
    if (!m_midi || !m_midi->Available()) {
        QAction* none = m_midiMenu->addAction(QStringLiteral("No MIDI system found"));
        none->setObjectName(QStringLiteral("MidiUnavailable"));
        none->setEnabled(false);
        return;
    }
    auto* group = new QActionGroup(m_midiMenu);
    const QString open = QString::fromStdString(m_midi->OpenPort());
    auto add = [&](const QString& text, const QString& port) {
        QAction* action = m_midiMenu->addAction(text);
        action->setObjectName(QStringLiteral("Midi:") + port);
        action->setCheckable(true);
        action->setChecked(port == open);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, port] { ChooseMidiInput(port); });
    };
    add(QStringLiteral("None"), QString());
    const std::vector<std::string> ports = m_midi->Ports();
    if (ports.empty())
        m_midiMenu->addAction(QStringLiteral("(no MIDI input ports)"))->setEnabled(false);
    for (const std::string& port : ports)
        add(QString::fromStdString(port), QString::fromStdString(port));
}

void CMainFrame::ChooseMidiInput(const QString& port)
{
    if (!m_midi)
        return;
    if (port.isEmpty()) {
        m_midi->Close();
    } else if (!m_midi->Open(port.toStdString())) {
        ShowNotice(QStringLiteral("The MIDI input %1 could not be opened.").arg(port));
        UpdateMidiMenu();
        return;
    }
    m_settings.SetMidiInput(port);
    UpdateMidiMenu();
}

void CMainFrame::ShowNotice(const QString& text) { m_notice->setText(text); }
QString CMainFrame::Notice() const { return m_notice->text(); }

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (!m_document.SaveModified(this)) {
        event->ignore();
        return;
    }
    m_state.Stop();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && IsSongFile(urls.first()))
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !IsSongFile(urls.first()))
        return;
    event->acceptProposedAction();
    const std::wstring path = ToWide(urls.first().toLocalFile());
    // Opened after the drop has ended: the question to save must not run
    // inside the drag and drop's own event loop.
    QMetaObject::invokeMethod(this, [this, path] { OpenPath(path); }, Qt::QueuedConnection);
}

} // namespace ovk
