#include "gui/panes/CMasterWnd.h"

#include <QPainter>

#include "core/song/COvkModuleData.h"
#include "gui/controls/CVolumeBarWnd.h"
#include "gui/document/CEditorState.h"
#include "gui/document/CUiResources.h"

namespace ovk {

CMasterWnd::CMasterWnd(QWidget* parent) : QWidget(parent), m_bar(new CVolumeBarWnd(this))
{
    setObjectName(QStringLiteral("Master"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_bar->setObjectName(QStringLiteral("Master volume"));
    m_bar->setGeometry(64, 3, 256, 24);
    connect(m_bar, &CVolumeBarWnd::Changed, this, &CMasterWnd::OnBarChanged);
    EditorState()->master = this;
    Reload();
}

CMasterWnd::~CMasterWnd()
{
    if (EditorState() && EditorState()->master == this)
        EditorState()->master = nullptr;
}

void CMasterWnd::Reload()
{
    IOvkModule* song = EditorState()->song.Get();
    const int volume = song->Lock(kSongRead)->masterVolume;
    song->Unlock();
    m_bar->SetFraction(volume / 255.0);
}

void CMasterWnd::OnBarChanged()
{
    IOvkModule* song = EditorState()->song.Get();
    song->Lock(kSongWrite)->masterVolume = static_cast<int>(m_bar->Fraction() * 255.0 + 0.5);
    song->Unlock();
    update();
}

void CMasterWnd::OnPlayTick() { m_bar->SetLevel(EditorState()->LevelAtPlayTime(-1) / 32768.0); }

void CMasterWnd::OnPlayStopped() { m_bar->SetLevel(0.0); }

void CMasterWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Ui().Palette().panel);
    painter.setFont(Ui().Font(9));
    painter.setPen(Ui().Palette().black);
    painter.drawText(QRect(8, 0, 56, height()), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Master:"));
    IOvkModule* song = EditorState()->song.Get();
    const int volume = song->Lock(kSongRead)->masterVolume;
    song->Unlock();
    painter.setPen(Ui().Palette().grey);
    painter.drawText(QRect(322, 0, width() - 322, height()), Qt::AlignCenter, QString::asprintf("%d", volume));
}

} // namespace ovk
