#pragma once
#include <functional>
#include "gui/instruments/CChannelListWnd.h"

namespace ovk {

class CEffectListBodyWnd;
class CEffectListItemWnd;
struct TOvkEffect;

// The effect list of the side pane: the current channel's effect chain, in
// the order the effects are applied. Header: Add (the "Add effect" menu),
// New, Load, Save, Copy, Play. Every change is one undo step under the
// song's write lock, heard in the next block while the song plays.
class CEffectListMainWnd : public CChannelListWnd {
    Q_OBJECT
public:
    explicit CEffectListMainWnd(QWidget* parent);
    ~CEffectListMainWnd() override;

    CEffectListBodyWnd* Rows() const { return m_body; }
    CEffectListItemWnd* Row(int index) const;
    QMenu* AddMenu() const { return m_addMenu; }

    // Appends an effect of a type with that type's defaults.
    void AddEffect(std::int32_t type);
    void DeleteAll();  // asks first
    void RemoveEffect(int index);
    void DuplicateEffect(int index);
    void MoveEffect(int index, int step);
    // A bar's value (0-255) into parameter 1 or 2.
    void SetParameter(int index, int parameter, std::int32_t value, bool snapshot);
    // The delay's length: the spin steps within 0-3200; a typed value is stored as it is.
    void StepDelayLength(int index, std::int32_t delta);
    void SetDelayLength(int index, std::int32_t length);
    void EditEffectEnvelope(int index, bool second);

protected:
    void Rebuild() override;

private:
    void ChangeEffect(int index, bool snapshot, const std::function<void(TOvkEffect&)>& change);

    CEffectListBodyWnd* m_body;
    QMenu* m_addMenu;
};

} // namespace ovk
