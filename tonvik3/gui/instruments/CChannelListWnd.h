#pragma once
#include <QWidget>
#include "gui/document/EditorPanes.h"

class QLabel;
class QMenu;
class QPushButton;
class QScrollArea;

namespace ovk {

class CSpinWnd;

// What the oscillator list and the effect list share: the header with its
// instrument commands (Load, Save, Copy with its menu of the other channels,
// Play) and the channel spin, and a scrolling body of rows for the channel
// that is current in the editor.
class CChannelListWnd : public QWidget, public IChannelListPane {
    Q_OBJECT
public:
    static constexpr int kHeaderHeight = 54;

    CChannelListWnd(QWidget* parent, const QString& name);

    int Channel() const { return m_channel; }
    // IChannelListPane
    void ShowChannel(int channel) override;
    void Reload() override;

    // The header's buttons by name ("Add", "New", "Load", "Save", "Copy", "Play", …).
    QPushButton* Button(const QString& name) const;
    QMenu* CopyMenu() const { return m_copyMenu; }
    CSpinWnd* ChannelSpin() const { return m_spin; }
    QWidget* Body() const;

    // The shared commands.
    void Load();
    void Save();
    void Play();
    void CopyFrom(int channel);
    void CopyTo(int channel);

protected:
    // Makes the body's rows for the channel again.
    virtual void Rebuild() = 0;
    QPushButton* AddButton(const QString& name, int x);
    void SetBody(QWidget* body);
    QWidget* SecondRow() const { return m_secondRow; }
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateChannelLabel();

    int m_channel = 0;
    QMenu* m_copyMenu;
    CSpinWnd* m_spin;
    QLabel* m_channelLabel;
    QWidget* m_secondRow;
    QScrollArea* m_scroll;
};

// The value text "%d.%d%d" (semitones, tenths, hundredths) of an offset in
// hundredths, with the sign in front ("-1.50"), and its parse: an optional
// "-", whole units, optionally "." and one digit (tenths) or two (hundredths;
// more are ignored); text that does not start with a number gives 0.
QString HundredthsText(std::int32_t value);
std::int32_t ParseHundredths(const QString& text);

} // namespace ovk
