#include "gui/panes/CTimeCounterWnd.h"

#include <QFontMetrics>
#include <QPainter>
#include <cmath>

#include "core/song/COvkModuleData.h"
#include "gui/document/CEditorState.h"
#include "gui/document/CUiResources.h"

namespace ovk {

CTimeCounterWnd::CTimeCounterWnd(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Time counter"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    EditorState()->timeCounter = this;
}

CTimeCounterWnd::~CTimeCounterWnd()
{
    if (EditorState() && EditorState()->timeCounter == this)
        EditorState()->timeCounter = nullptr;
}

int CTimeCounterWnd::HundredthsOfRow(int row, int tempo)
{
    // In single precision, the row length quantised to whole samples, as the
    // player counts it: at 120 BPM a row is 5512 / 44100 s.
    float seconds = 1.0f / (static_cast<float>(tempo) / 60.0f * 4.0f);
    seconds = std::trunc(seconds * 44100.0f) / 44100.0f;
    return static_cast<int>(seconds * static_cast<float>(row) * 100.0f + 0.1f);
}

QString CTimeCounterWnd::MinutesSeconds(int c)
{
    return QString::asprintf("%d%d:%d%d", (c / 60000) % 6, (c / 6000) % 10, (c / 1000) % 6, (c / 100) % 10);
}

QString CTimeCounterWnd::Fraction(int c) { return QString::asprintf(".%d%d", (c % 100) / 10, c % 10); }

void CTimeCounterWnd::OnPlayPosition(int row)
{
    IOvkModule* song = EditorState()->song.Get();
    const int tempo = song->Lock(kSongRead)->tempo;
    song->Unlock();
    const int hundredths = HundredthsOfRow(row, tempo);
    if (hundredths == m_hundredths)
        return;
    m_hundredths = hundredths;
    update();
}

void CTimeCounterWnd::paintEvent(QPaintEvent*)
{
    const CUiResources::TPalette& ui = Ui().Palette();
    QPainter painter(this);
    painter.fillRect(rect(), ui.black);
    painter.setPen(ui.grey);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    const QFont big = Ui().Font(16, true);
    const QFont small = Ui().Font(10, true);
    const QString main = MinutesSeconds(m_hundredths);
    const QString fraction = Fraction(m_hundredths);
    const int mainWidth = QFontMetrics(big).horizontalAdvance(main);
    const int fractionWidth = QFontMetrics(small).horizontalAdvance(fraction);
    const int left = (width() - mainWidth - fractionWidth) / 2;
    const int baseline = height() / 2 + QFontMetrics(big).ascent() / 2 - 1;
    painter.setPen(ui.level);
    painter.setFont(big);
    painter.drawText(left, baseline, main);
    painter.setFont(small);
    painter.drawText(left + mainWidth, baseline, fraction);
}

} // namespace ovk
