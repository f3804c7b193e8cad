#include "gui/app/COvkView.h"

#include <QPainter>

#include "gui/app/CKeyboardFocus.h"
#include "gui/controls/CImageButton.h"
#include "gui/panes/CBpmWnd.h"
#include "gui/panes/CMasterWnd.h"
#include "gui/panes/CMixerWnd.h"
#include "gui/panes/COrderTableWnd.h"
#include "gui/panes/COscBarWnd.h"
#include "gui/panes/CPatternWnd.h"
#include "gui/panes/CSideWnd.h"
#include "gui/panes/CTimeCounterWnd.h"
#include "gui/document/CEditorState.h"
#include "gui/document/CUiResources.h"

namespace ovk {

COvkView::COvkView(QWidget* parent)
    : QWidget(parent),
      m_orderTable(new COrderTableWnd(this)),
      m_pattern(new CPatternWnd(this)),
      m_mixer(new CMixerWnd(this)),
      m_oscBar(new COscBarWnd(this)),
      m_master(new CMasterWnd(this)),
      m_side(new CSideWnd(this)),
      m_timeCounter(new CTimeCounterWnd(this)),
      m_bpm(new CBpmWnd(this)),
      m_play(new CImageButton(QStringLiteral("Play"), CUiResources::IMAGE_PLAY, this)),
      m_patternPlay(new CImageButton(QStringLiteral("Pattern play"), CUiResources::IMAGE_PATTERN_PLAY, this)),
      m_stop(new CImageButton(QStringLiteral("Stop"), CUiResources::IMAGE_STOP, this))
{
    setObjectName(QStringLiteral("View"));
    m_orderTable->setGeometry(PaneRect(0, 0, 165, 560));
    m_pattern->setGeometry(PaneRect(164, 310, 520, 560));
    m_oscBar->setGeometry(PaneRect(165, 270, 520, 305));
    m_mixer->setGeometry(PaneRect(165, 130, 520, 270));
    m_master->setGeometry(PaneRect(165, 50, 520, 80));
    m_side->setGeometry(PaneRect(530, 10, 900, 560));
    m_timeCounter->setGeometry(PaneRect(280, 10, 400, 40));
    m_play->setGeometry(PaneRect(400, 10, 432, 42));
    m_patternPlay->setGeometry(PaneRect(434, 10, 466, 42));
    m_stop->setGeometry(PaneRect(468, 10, 500, 42));
    m_bpm->setGeometry(PaneRect(180, 13, 268, 39));
    for (int i = 0; i < 8; ++i) {
        m_envelopes[i] = new CImageButton(QStringLiteral("EnvButton"), CUiResources::IMAGE_ENVELOPE, this);
        m_envelopes[i]->setToolTip(QStringLiteral("Envelope of channel %1").arg(i + 1));
        m_envelopes[i]->setGeometry(PaneRect(193 + 40 * i, 90, 225 + 40 * i, 122));
        connect(m_envelopes[i], &QAbstractButton::clicked, this, [this, i] { emit ChannelEnvelopeClicked(i); });
    }
    CEditorState* state = EditorState();
    connect(m_play, &QAbstractButton::clicked, this, [state] { state->Play(); });
    connect(m_patternPlay, &QAbstractButton::clicked, this, [state] { state->PatternPlay(); });
    connect(m_stop, &QAbstractButton::clicked, this, [state] { state->Stop(); });
    setMinimumSize(910, 570);
    // Composing starts in the pattern editor.
    m_keyboard = std::make_unique<CKeyboardFocus>(this, m_pattern, m_orderTable);
    m_pattern->setFocus(Qt::OtherFocusReason);
}

COvkView::~COvkView()
{
    if (CEditorState* state = EditorState())
        state->Stop();
}

void COvkView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Ui().Palette().panel);
}

} // namespace ovk
