#include "gui/panes/NoteKeys.h"

#include <QKeyEvent>
#include <algorithm>
#include <cstdio>

namespace ovk {

namespace notekeys {

namespace {

// By semitone offset: the X keycodes of the places on a 102-key keyboard.
constexpr int kScanCodes[29] = {
    52, 39, 53, 40, 54, 55, 42, 56, 43, 57, 44, 58,  // Z S X D C V G B H N J M
    24, 11, 25, 12, 26, 27, 14, 28, 15, 29, 16, 30,  // Q 2 W 3 E R 5 T 6 Y 7 U
    31, 18, 32, 19, 33,                              // I 9 O 0 P
};
// The same keys by the characters of the US layout.
constexpr char kCharacters[] = "zsxdcvgbhnjmq2w3er5t6y7ui9o0p";

bool CommandModifiers(const QKeyEvent& event)
{
    return event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

} // namespace

int ScanCodeOfOffset(int offset) { return offset >= 0 && offset < 29 ? kScanCodes[offset] : 0; }

int OffsetOf(const QKeyEvent& event)
{
    if (CommandModifiers(event))
        return -1;
    const quint32 scan = event.nativeScanCode();
    if (scan != 0) {
        for (int i = 0; i < 29; ++i)
            if (kScanCodes[i] == static_cast<int>(scan))
                return i;
        return -1;
    }
    const QString text = event.text().toLower();
    if (text.size() != 1)
        return -1;
    for (int i = 0; i < 29; ++i)
        if (text[0] == QLatin1Char(kCharacters[i]))
            return i;
    return -1;
}

bool IsNoteOff(const QKeyEvent& event)
{
    if (CommandModifiers(event))
        return false;
    const quint32 scan = event.nativeScanCode();
    if (scan != 0)
        return scan == kScanLessGreater || scan == kScanCapsLock;
    return event.key() == Qt::Key_CapsLock;
}

} // namespace notekeys

const char* NoteName(std::uint32_t value, char (&buffer)[8])
{
    static const char* const kNames[12] = {"C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"};
    if (value == 0)
        return "";
    if (value == notekeys::kNoteOff)
        return "off";
    if (value > 254)
        return "???";
    std::snprintf(buffer, sizeof buffer, "%s%u", kNames[(value - 1) % 12], std::min((value - 1) / 12, 99u));
    return buffer;
}

} // namespace ovk
