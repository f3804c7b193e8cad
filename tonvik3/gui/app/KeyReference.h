#pragma once
#include <span>

namespace ovk {

// One line of the editor's key reference: where it applies, the keys or the
// mouse gesture, and what it does.
struct TKeyReference {
    const char* area;
    const char* keys;
    const char* action;
};

// The areas, in the order the reference lists them.
extern const char* const kPatternEditorKeys;  // "Pattern editor"
extern const char* const kOrderTableKeys;     // "Order table"
extern const char* const kEverywhereKeys;     // "Everywhere": the menus' shortcuts
extern const char* const kMouseGestures;      // "Mouse"

// Every key of the pattern editor and the order table, the menus' shortcuts
// and the mouse gestures. Help > Keyboard shortcuts shows it, and the
// README's key table is this table (a test compares them).
std::span<const TKeyReference> KeyReference();

} // namespace ovk
