#pragma once
#include <QColor>
#include <QFont>
#include <QPixmap>
#include <array>
#include <map>
#include <utility>

namespace ovk {

// The editor's drawing resources, made once at start-up after the GUI toolkit:
// the fonts, the fixed palette that every pane paints with, and the images
// of the buttons. Panes reach it through Ui().
class CUiResources {
public:
    // The palette (opaque colours). Each pane names the ones it uses.
    struct TPalette {
        QColor black{0x00, 0x00, 0x00};
        QColor grey{0x88, 0x88, 0x88};            // FF888888: frames, faint text
        QColor yellow{0xFF, 0xFF, 0x00};
        QColor veryLightGrey{0xEE, 0xEE, 0xEE};   // FFEEEEEE: fader track, cells without a pattern
        QColor stripe4{0xCC, 0xCC, 0xCC};         // FFCCCCCC: darkest header stripe
        QColor stripe3{0xD8, 0xD8, 0xD8};         // FFD8D8D8
        QColor stripe2{0xDD, 0xDD, 0xDD};         // FFDDDDDD: also the order table's cell outline
        QColor stripe1{0xE8, 0xE8, 0xE8};         // FFE8E8E8: lightest header stripe
        QColor white{0xFF, 0xFF, 0xFF};
        QColor paleGreen{0xDD, 0xFF, 0xDD};       // every fourth pattern row
        QColor cursor{0xAA, 0xAA, 0xFF};          // cursor cell
        QColor selection{0xDD, 0xDD, 0xFF};       // inside a selection
        QColor lightGreen{0xAA, 0xFF, 0xAA};
        QColor playRow{0xFF, 0x88, 0x88};         // the row being played
        QColor level{0x00, 0xFF, 0x00};           // level meters
        QColor levelWarm{0xAA, 0xFF, 0x00};
        QColor levelHot{0xFF, 0xAA, 0x00};
        QColor levelClip{0xFF, 0x00, 0x00};
        // Named by the panes that use them, beside the fixed set above.
        QColor panel{0xF0, 0xF0, 0xF0};           // the view's background, panel grey
        QColor selectionOutline{0x88, 0x88, 0xFF};
        QColor faderBar{0x00, 0x00, 0x88};
        QColor knob{0x88, 0x88, 0xFF};
        QColor knobOutline{0x00, 0x00, 0xFF};
        QColor lightLine{0xCC, 0xCC, 0xCC};       // light grey scale and grid lines
        QColor frameLight{0xFF, 0xFF, 0xFF};      // raised frames: light top-left,
        QColor frameDark{0x80, 0x80, 0x80};       // dark bottom-right
    };

    // The images of the image buttons and the spin control.
    enum TImage {
        IMAGE_PLAY,
        IMAGE_PATTERN_PLAY,
        IMAGE_STOP,
        IMAGE_ENVELOPE,
        IMAGE_SPIN,
        IMAGE_COUNT
    };

    CUiResources();

    const TPalette& Palette() const { return m_palette; }
    // The editor's font (Arial or a font of the same metrics) at a size in
    // points, as the panes were laid out for (96 dots per inch). Nine sizes
    // are made at start-up; others on first use. Each is made once: the font
    // system resolves a font again for every new one, which costs more than
    // drawing a pane.
    const QFont& Font(int points, bool bold = false) const;
    // Normal (up) and pressed images of a button.
    const QPixmap& Image(TImage image, bool pressed = false) const { return m_images[image][pressed ? 1 : 0]; }

    // The four grey stripes of 5 pixels (lighter to darker) of a pane's header.
    void DrawHeaderStripes(class QPainter& painter, int width) const;

    // The font family that the sizes use, as the font system resolved it.
    QString FontFamily() const;

private:
    void MakeImages();

    TPalette m_palette;
    mutable std::map<std::pair<int, bool>, QFont> m_fonts;
    std::array<std::array<QPixmap, 2>, IMAGE_COUNT> m_images;
};

// The one instance; valid between the editor's start-up and shut-down.
const CUiResources& Ui();
void SetUiResources(const CUiResources* resources);

} // namespace ovk
