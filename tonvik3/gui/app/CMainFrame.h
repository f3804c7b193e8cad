#pragma once
#include <QMainWindow>
#include <string>

class QAction;
class QLabel;
class QMenu;

namespace ovk {

class CEditorSettings;
class CEditorState;
class CTableSizeStatus;
class COvkDoc;
class COvkView;
class CShortcutsWnd;
class IMidiInput;

// The main window: the menus and their shortcuts, the view with the panes,
// the status bar, dropped song files, the title with the file name and the
// modified mark, and the question to save changes before it closes. Each
// command is a plain method that the menu item calls and tests call too.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kWidth = 930;
    static constexpr int kHeight = 700;

    CMainFrame(CEditorState& state, COvkDoc& document, CEditorSettings& settings);
    ~CMainFrame() override;

    COvkView* View() const { return m_view; }
    // The menu item or shortcut of a command, by its object name ("FileNew").
    QAction* Action(const QString& name) const;

    // File menu.
    void FileNew();
    void FileOpen();
    // Opens a song as File > Open does once the file is chosen: asks to save
    // the current one first.
    bool OpenPath(const std::wstring& path);
    bool FileSave();
    bool FileSaveAs();
    void ExportCpp();
    void ExportCppAs();
    void ExportWav();
    // Edit menu: routed to the order table when it has the focus, else to the
    // pattern pane when it has it, else nothing.
    void EditCut();
    void EditCopy();
    void EditPaste();
    void EditUndo();
    void EditRedo();
    void About();
    // Help > Keyboard shortcuts: the key reference, in a window that stays
    // open beside this one until closed.
    void ShowKeyboardShortcuts();
    // The envelope of channel 0-7, from the eight buttons above the mixer.
    void OpenChannelEnvelope(int channel);

    // The MIDI keyboard that the View menu's "MIDI input" lists the ports of.
    void SetMidiInput(IMidiInput* midi);
    // Opens a MIDI port by name (empty: none) and remembers the choice.
    void ChooseMidiInput(const QString& port);

    // A line in the status bar that stays until the next one.
    void ShowNotice(const QString& text);
    QString Notice() const;
    // The status bar's figure of the size of the song's C tables.
    CTableSizeStatus* TableSizeStatus() const { return m_tableSize; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void MakeMenus();
    QAction* AddAction(QMenu* menu, const QString& name, const QString& text, const QKeySequence& shortcut,
                       void (CMainFrame::*command)());
    void UpdateTitle();
    void UpdateRecentMenu();
    void OpenRecent(const std::wstring& path);
    void UpdateMidiMenu();

    CEditorState& m_state;
    COvkDoc& m_document;
    CEditorSettings& m_settings;
    COvkView* m_view;
    QMenu* m_recentMenu = nullptr;
    QMenu* m_midiMenu = nullptr;
    IMidiInput* m_midi = nullptr;
    CShortcutsWnd* m_shortcuts = nullptr;
    QLabel* m_notice;
    CTableSizeStatus* m_tableSize;
};

} // namespace ovk
