#pragma once
#include <QWidget>
#include <array>
#include <memory>

namespace ovk {

class CBpmWnd;
class CImageButton;
class CKeyboardFocus;
class CMasterWnd;
class CMixerWnd;
class COscBarWnd;
class COrderTableWnd;
class CPatternWnd;
class CSideWnd;
class CTimeCounterWnd;

// The main window's view: every pane at its fixed place, made once. The
// panes register themselves in the editor state; the buttons start and stop
// playback and open the channel envelopes.
class COvkView : public QWidget {
    Q_OBJECT
public:
    // The panes' rectangles (left, top, right, bottom) in the view.
    static QRect PaneRect(int left, int top, int right, int bottom)
    {
        return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
    }

    explicit COvkView(QWidget* parent);
    ~COvkView() override;

    COrderTableWnd* OrderTable() const { return m_orderTable; }
    CPatternWnd* Pattern() const { return m_pattern; }
    CMixerWnd* Mixer() const { return m_mixer; }
    COscBarWnd* OscBar() const { return m_oscBar; }
    CMasterWnd* Master() const { return m_master; }
    CSideWnd* Side() const { return m_side; }
    CTimeCounterWnd* TimeCounter() const { return m_timeCounter; }
    CBpmWnd* Bpm() const { return m_bpm; }
    CImageButton* PlayButton() const { return m_play; }
    CImageButton* PatternPlayButton() const { return m_patternPlay; }
    CImageButton* StopButton() const { return m_stop; }
    CImageButton* EnvelopeButton(int channel) const { return m_envelopes[channel]; }
    // Where the keyboard goes: the pattern editor or the order table.
    CKeyboardFocus& Keyboard() const { return *m_keyboard; }

signals:
    // One of the eight "EnvButton"s: the envelope of channel 0-7.
    void ChannelEnvelopeClicked(int channel);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    COrderTableWnd* m_orderTable;
    CPatternWnd* m_pattern;
    CMixerWnd* m_mixer;
    COscBarWnd* m_oscBar;
    CMasterWnd* m_master;
    CSideWnd* m_side;
    CTimeCounterWnd* m_timeCounter;
    CBpmWnd* m_bpm;
    CImageButton* m_play;
    CImageButton* m_patternPlay;
    CImageButton* m_stop;
    std::array<CImageButton*, 8> m_envelopes{};
    // Gone before the panes: it watches their focus.
    std::unique_ptr<CKeyboardFocus> m_keyboard;
};

} // namespace ovk
