#include "gui/panes/CBpmWnd.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "core/song/COvkModuleData.h"
#include "gui/controls/CInPlaceEdit.h"
#include "gui/controls/CSpinWnd.h"
#include "gui/document/CEditorState.h"
#include "gui/document/CUiResources.h"

namespace ovk {

namespace {
const QRect kNumber(41, 7, 34, 19);
}

CBpmWnd::CBpmWnd(QWidget* parent) : QWidget(parent), m_spin(new CSpinWnd(this))
{
    setObjectName(QStringLiteral("bpm"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_spin->move(75, 3);
    connect(m_spin, &CSpinWnd::Up, this, &CBpmWnd::StepUp);
    connect(m_spin, &CSpinWnd::Down, this, &CBpmWnd::StepDown);
    EditorState()->bpm = this;
}

CBpmWnd::~CBpmWnd()
{
    if (EditorState() && EditorState()->bpm == this)
        EditorState()->bpm = nullptr;
}

int CBpmWnd::Tempo() const
{
    IOvkModule* song = EditorState()->song.Get();
    const int tempo = song->Lock(kSongRead)->tempo;
    song->Unlock();
    return tempo;
}

void CBpmWnd::SetTempo(int tempo)
{
    // The player takes the new tempo at its next read of the song.
    IOvkModule* song = EditorState()->song.Get();
    song->Lock(kSongWrite)->tempo = std::clamp(tempo, kMinimum, kMaximum);
    song->Unlock();
    update();
}

void CBpmWnd::StepUp()
{
    const int tempo = Tempo();
    if (tempo < kMaximum)
        SetTempo(tempo + 1);
}

void CBpmWnd::StepDown()
{
    const int tempo = Tempo();
    if (tempo > kMinimum)
        SetTempo(tempo - 1);
}

void CBpmWnd::OpenEditor()
{
    if (m_edit)
        return;
    m_edit = new CInPlaceEdit(QString::asprintf("%d", Tempo()), this);
    m_edit->setGeometry(kNumber);
    m_edit->setMaxLength(8);
    connect(m_edit, &CInPlaceEdit::Commit, this, &CBpmWnd::CommitEditor, Qt::QueuedConnection);
    m_edit->show();
    m_edit->setFocus();
}

void CBpmWnd::CommitEditor()
{
    if (!m_edit)
        return;
    CInPlaceEdit* edit = m_edit;
    m_edit = nullptr;
    SetTempo(LeadingInteger(edit->text()));
    edit->hide();
    edit->deleteLater();
}

void CBpmWnd::mousePressEvent(QMouseEvent* event)
{
    // A click anywhere in the pane ends a pending edit; one on the number opens it.
    if (m_edit) {
        CommitEditor();
        return;
    }
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && at.x() >= 41 && at.x() <= 79 && at.y() >= 7 && at.y() <= 25)
        OpenEditor();
}

void CBpmWnd::paintEvent(QPaintEvent*)
{
    const CUiResources::TPalette& ui = Ui().Palette();
    QPainter painter(this);
    painter.fillRect(rect(), ui.panel);
    painter.setPen(ui.black);
    painter.setFont(Ui().Font(10, true));
    painter.drawText(QRect(2, 0, 40, height()), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("BPM:"));
    painter.fillRect(kNumber, ui.white);
    painter.setPen(ui.grey);
    painter.drawRect(kNumber.adjusted(0, 0, -1, -1));
    painter.setPen(ui.black);
    painter.setFont(Ui().Font(10));
    painter.drawText(kNumber, Qt::AlignCenter, QString::asprintf("%d", Tempo()));
}

} // namespace ovk
