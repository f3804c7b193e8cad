#pragma once
#include <QWidget>
#include <QStringList>
#include <cstdint>
#include <utility>
#include <vector>
#include "core/song/TOvkEffect.h"
#include "gui/controls/CRowButtons.h"

namespace ovk {

class CEffectListMainWnd;
class CInPlaceEdit;
class CVolumeBarWnd;

// One row of the effect list: the row frame, the effect's name and the row
// commands (close, copy, up, down). Each effect type has a row class of its
// own below, with its parameters; a type the editor does not know shows its
// name ("???") and the commands only.
class CEffectListItemWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 60;
    static constexpr int kTallHeight = 84;  // resonance and band-pass

    // The row class of the effect's type.
    static CEffectListItemWnd* Make(CEffectListMainWnd* list, int index, const TOvkEffect& effect, QWidget* parent);

    int Index() const { return m_index; }
    const TOvkEffect& Effect() const { return m_effect; }
    virtual int RowHeight() const { return kHeight; }
    // Where a button of the row is ("Close", "Copy", "Up", "Down",
    // "EnvelopeA", "EnvelopeB"); empty where the row has none.
    QRect ButtonRect(const QString& name) const { return m_buttons.Rect(name); }
    // The bar of parameter 1 or 2, where the row has one.
    CVolumeBarWnd* Bar(int parameter) const;
    // The row shows the effect again after a change made here.
    virtual void Show(const TOvkEffect& effect);
    // The labels of the row's controls, in order ("Cutoff:", "Amount:" …).
    QStringList Labels() const;

protected:
    CEffectListItemWnd(CEffectListMainWnd* list, int index, const TOvkEffect& effect, QWidget* parent);
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // A press that no button took.
    virtual void PressElsewhere(QMouseEvent* event) { (void)event; }
    // A label, a bar for parameter 1 or 2, and an envelope button (A or B).
    void AddLabel(const QString& text, int x, int y);
    CVolumeBarWnd* AddBar(int parameter, int x, int y);
    void AddEnvelopeButton(bool second, const QString& text, int x, int y);
    // The usual row: a label, the bar of parameter 1 or 2 at height y and,
    // where the effect has one there, the button of envelope A or B beside it.
    enum class TBarEnvelope { None, A, B };
    void AddBarRow(const QString& label, int parameter, int y, TBarEnvelope envelope);

    CEffectListMainWnd* m_list;
    int m_index;
    TOvkEffect m_effect;

private:
    CRowButtons m_buttons;
    // Whether a bar gesture is under way (its first step took the snapshot).
    bool m_barGesture = false;
    std::vector<std::pair<QString, QRect>> m_labels;
};

// Delay: "Length:" in hundredths of a row, with a spin (0-3200, steps of 100)
// and an in-place edit (typed values are not clamped); "Volume:" the feedback.
class CDelayEffectItemWnd : public CEffectListItemWnd {
    Q_OBJECT
public:
    static const QRect kLength;
    CDelayEffectItemWnd(CEffectListMainWnd* list, int index, const TOvkEffect& effect, QWidget* parent);
    CInPlaceEdit* LengthEdit() const { return m_edit; }
    void OpenLengthEdit();
    void CommitLengthEdit();

protected:
    void paintEvent(QPaintEvent* event) override;
    void PressElsewhere(QMouseEvent* event) override;

private:
    CInPlaceEdit* m_edit = nullptr;
};

class CFlangeEffectItemWnd : public CEffectListItemWnd {
    Q_OBJECT
public:
    CFlangeEffectItemWnd(CEffectListMainWnd* list, int index, const TOvkEffect& effect, QWidget* parent);
};

class CLowPassEffectItemWnd : public CEffectListItemWnd {
    Q_OBJECT
public:
    CLowPassEffectItemWnd(CEffectListMainWnd* list, int index, const TOvkEffect& effect, QWidget* parent);
};

class CHighPassEffectItemWnd : public CEffectListItemWnd {
    Q_OBJECT
public:
    CHighPassEffectItemWnd(CEffectListMainWnd* list, int index, const TOvkEffect& effect, QWidget* parent);
};

class CResonanceEffectItemWnd : public CEffectListItemWnd {
    Q_OBJECT
public:
    CResonanceEffectItemWnd(CEffectListMainWnd* list, int index, const TOvkEffect& effect, QWidget* parent);
    int RowHeight() const override { return kTallHeight; }
};

class COverdriveEffectItemWnd : public CEffectListItemWnd {
    Q_OBJECT
public:
    COverdriveEffectItemWnd(CEffectListMainWnd* list, int index, const TOvkEffect& effect, QWidget* parent);
};

// Band-pass: only songs and instruments bring it (the "Add effect" menu does
// not offer it); it is edited like the others.
class CBandBassEffectItemWnd : public CEffectListItemWnd {
    Q_OBJECT
public:
    CBandBassEffectItemWnd(CEffectListMainWnd* list, int index, const TOvkEffect& effect, QWidget* parent);
    int RowHeight() const override { return kTallHeight; }
};

} // namespace ovk
