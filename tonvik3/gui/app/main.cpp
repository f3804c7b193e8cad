// tonvik3 [SONG.tonvik]: the editor.
// tonvik3 --screenshot OUT.png [SONG.tonvik]: draws the main window once into
// a PNG file and ends; without a display it draws offscreen.
#include <QApplication>
#include <QImageWriter>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "gui/app/CEditorApp.h"
#include "gui/document/CEditorDialogs.h"
#include "gui/document/InstrumentLibrary.h"
#include "gui/app/CMainFrame.h"
#include "morvane/api/Utf.h"

namespace {

struct TArguments {
    std::optional<std::string> song;
    std::optional<std::string> screenshot;
    bool help = false;
    bool version = false;
    std::string error;
};

TArguments Parse(int argc, char** argv)
{
    TArguments a;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            a.help = true;
        } else if (arg == "--version") {
            a.version = true;
        } else if (arg == "--screenshot") {
            if (i + 1 >= argc) {
                a.error = "--screenshot needs the PNG file to write";
                return a;
            }
            a.screenshot = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
            a.error = "unknown option " + arg;
            return a;
        } else if (!a.song) {
            a.song = arg == "--" && i + 1 < argc ? argv[++i] : arg;
        } else {
            a.error = "only one song can be opened";
            return a;
        }
    }
    return a;
}

// A picture is drawn without anyone to answer: messages go to stderr, and
// every question is answered No (or with its last choice).
class CConsoleDialogs : public ovk::CEditorDialogs {
public:
    void Message(QWidget*, const QString& text, const QString& caption, TIcon, const QString& detail) override
    {
        std::fprintf(stderr, "tonvik3: %s: %s%s%s\n", caption.toLocal8Bit().constData(),
                     QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')).toLocal8Bit().constData(),
                     detail.isEmpty() ? "" : ": ", detail.toLocal8Bit().constData());
    }
    TAnswer Ask(QWidget*, const QString&, const QString&, bool) override { return ANSWER_NO; }
    // The question is shown; the answer is the last button (Later, Cancel …).
    int Choose(QWidget*, const QString& text, const QString&, const QStringList& buttons) override
    {
        std::fprintf(stderr, "tonvik3: %s [%s]\n", text.toLocal8Bit().constData(),
                     buttons.join(QLatin1Char('/')).toLocal8Bit().constData());
        return static_cast<int>(buttons.size()) - 1;
    }
    QString OpenFileName(QWidget*, const QString&, const QString&, const ovk::TFilePlaces&) override
    {
        return QString();
    }
    QString SaveFileName(QWidget*, const QString&, const QString&, const QString&, const QString&) override
    {
        return QString();
    }
    void OpenWithDesktop(const QString&) override {}
};

bool HasDisplay()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    return (platform && *platform) || std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char** argv)
{
    const TArguments args = Parse(argc, argv);
    if (!args.error.empty()) {
        std::fprintf(stderr, "tonvik3: %s (see tonvik3 --help)\n", args.error.c_str());
        return 1;
    }
    if (args.help) {
        std::printf("Usage: tonvik3 [SONG.tonvik]\n"
                    "       tonvik3 --screenshot OUT.png [SONG.tonvik]\n"
                    "The tonvik3 music editor. --screenshot draws the main window once into a PNG file\n"
                    "and ends (offscreen when there is no display).\n");
        return 0;
    }
    if (args.version) {
        // Where the Load dialog of the instrument lists first opens.
        const QCoreApplication core(argc, argv);
        const QString library = ovk::InstrumentLibraryFolder();
        std::printf("tonvik3 " TONVIK3_VERSION "\ninstrument library: %s\n",
                    library.isEmpty() ? "none found" : library.toLocal8Bit().constData());
        return 0;
    }
    if (!HasDisplay()) {
        if (!args.screenshot) {
            std::fprintf(stderr, "tonvik3: no display to show the editor on (DISPLAY is not set); "
                                 "tonvik3 --screenshot OUT.png [SONG] draws it into a picture instead\n");
            return 1;
        }
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tonvik3"));
    QApplication::setOrganizationName(QStringLiteral("tonvik3"));
    QApplication::setApplicationVersion(QStringLiteral(TONVIK3_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tonvik3"));

    if (args.screenshot)
        ovk::SetDialogs(std::make_unique<CConsoleDialogs>());
    ovk::CEditorApp editor;
    std::optional<std::wstring> song;
    if (args.song)
        song = morvane::utf::PathFromBytes(*args.song);  // any name Linux accepts
    if (!editor.Start(song, !args.screenshot.has_value()))
        return 1;

    if (args.screenshot) {
        ovk::CMainFrame* frame = editor.MainWindow();
        frame->setAttribute(Qt::WA_DontShowOnScreen);
        frame->show();
        QApplication::processEvents();
        const QPixmap picture = frame->grab();
        // What the status bar says, for whoever reads the terminal instead.
        if (!frame->Notice().isEmpty())
            std::fprintf(stderr, "tonvik3: %s\n", frame->Notice().toLocal8Bit().constData());
        if (!picture.save(QString::fromLocal8Bit(args.screenshot->c_str()), "PNG")) {
            std::fprintf(stderr, "tonvik3: cannot write %s\n", args.screenshot->c_str());
            return 1;
        }
        return 0;
    }
    return QApplication::exec();
}
