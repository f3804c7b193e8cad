#include "gui/instruments/CEnvEditorDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <cmath>
#include <cstdlib>
#include <functional>

#include "gui/controls/CInPlaceEdit.h"
#include "gui/document/CEditorDialogs.h"
#include "gui/document/CEditorState.h"
#include "gui/document/CUiResources.h"
#include "gui/instruments/CEnvGraphWnd.h"

namespace ovk {

namespace {

constexpr int kStep = 2048;
constexpr int kLabelX = 10;
constexpr int kEditX = 138;
constexpr int kSliderX = 204;
constexpr int kRowHeight = 26;
constexpr int kFirstRow = 212;

QLineEdit* NewEdit(QWidget* parent, const char* name, int y)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(kEditX, y, 60, 22);
    return edit;
}

QSlider* NewSlider(QWidget* parent, const char* name, int y, int maximum)
{
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(QString::fromLatin1(name));
    slider->setGeometry(kSliderX, y, 250, 22);
    slider->setRange(0, maximum);
    return slider;
}

void NewLabel(QWidget* parent, const char* text, int x, int y)
{
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->move(x, y + 3);
}

} // namespace

double LeadingNumber(const QString& text)
{
    const QByteArray bytes = text.trimmed().toLatin1();
    char* end = nullptr;
    const double value = std::strtod(bytes.constData(), &end);
    return end == bytes.constData() || !std::isfinite(value) ? 0.0 : value;
}

double CEnvEditorDlg::RowsPerCycle(std::int32_t speed, std::uint32_t rowLength)
{
    if (speed <= 0 || rowLength == 0)
        return 0.0;
    return kEnvelopeCycle / (static_cast<double>(speed) * rowLength / kEnvelopeTickSamples);
}

std::int32_t CEnvEditorDlg::SpeedOf(double rowsPerCycle, std::uint32_t rowLength)
{
    if (rowsPerCycle <= 0.0 || rowLength == 0)
        return 0;
    const double speed = std::trunc(kEnvelopeCycle / (rowLength * rowsPerCycle / kEnvelopeTickSamples));
    return static_cast<std::int32_t>(std::min(speed, 2147483647.0));
}

int CEnvEditorDlg::SliderPositionOf(double rowsPerCycle)
{
    int first = 30;
    for (int i = 0; i < 30; ++i)
        if (kRowsPerCycle[i] >= rowsPerCycle) {
            first = i;
            break;
        }
    return std::clamp(first - 1, 0, 29);
}

CEnvEditorDlg::CEnvEditorDlg(const TEnvelopeRef& envelope, QWidget* parent)
    : QDialog(parent), m_ref(envelope), m_graph(new CEnvGraphWnd(this))
{
    setWindowTitle(QStringLiteral("Envelope editor"));
    setFixedSize(470, 420);
    m_graph->setGeometry(10, 10, 360, 190);

    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("Close"));
    close->setGeometry(380, 10, 80, 26);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* test = new QPushButton(QStringLiteral("Test"), this);
    test->setObjectName(QStringLiteral("Test"));
    test->setGeometry(380, 42, 80, 26);
    connect(test, &QPushButton::clicked, this, &CEnvEditorDlg::Test);
    auto* reset = new QPushButton(QStringLiteral("Reset"), this);
    reset->setObjectName(QStringLiteral("ResetButton"));
    reset->setGeometry(380, 74, 80, 26);
    connect(reset, &QPushButton::clicked, this, &CEnvEditorDlg::Reset);

    int y = kFirstRow;
    NewLabel(this, "Max:", kLabelX, y);
    m_max = NewEdit(this, "Max", y);
    y += kRowHeight;
    NewLabel(this, "Min:", kLabelX, y);
    m_min = NewEdit(this, "Min", y);
    y += kRowHeight;
    NewLabel(this, "Rows per cycle:", kLabelX, y);
    m_rows = NewEdit(this, "RowsPerCycle", y);
    m_rowsSlider = NewSlider(this, "RowsPerCycleSlider", y, 29);
    m_speedText = new QLabel(this);
    m_speedText->setObjectName(QStringLiteral("SpeedText"));
    m_speedText->setGeometry(kSliderX, y + 22, 250, 18);
    y += kRowHeight + 16;
    NewLabel(this, "Phase:", kLabelX, y);
    m_phase = NewEdit(this, "Phase", y);
    m_phaseSlider = NewSlider(this, "PhaseSlider", y, 32);
    y += kRowHeight;
    NewLabel(this, "Keep:", kLabelX, y);
    m_keepEnabled = new QCheckBox(QStringLiteral("Enabled"), this);
    m_keepEnabled->setObjectName(QStringLiteral("KeepEnabled"));
    m_keepEnabled->move(66, y + 2);
    m_keep = NewEdit(this, "Keep", y);
    m_keepSlider = NewSlider(this, "KeepSlider", y, 64);
    y += kRowHeight;
    NewLabel(this, "Sustain:", kLabelX, y);
    m_sustainEnabled = new QCheckBox(QStringLiteral("Enabled"), this);
    m_sustainEnabled->setObjectName(QStringLiteral("SustainEnabled"));
    m_sustainEnabled->move(66, y + 2);
    m_sustain = NewEdit(this, "Sustain", y);
    m_sustainSlider = NewSlider(this, "SustainSlider", y, 64);
    y += kRowHeight;
    NewLabel(this, "Reset:", kLabelX, y);
    m_reset = new QComboBox(this);
    m_reset->setObjectName(QStringLiteral("Reset"));
    m_reset->addItems({QStringLiteral("Song"), QStringLiteral("Pattern"), QStringLiteral("Two patterns"),
                       QStringLiteral("Four patterns"), QStringLiteral("Note")});
    m_reset->setGeometry(kEditX, y, 130, 24);

    UpdateControls();
    Connect();
}

std::uint32_t CEnvEditorDlg::RowLength() const
{
    IOvkModule* song = EditorState()->song.Get();
    const std::uint32_t length = song->Lock(kSongRead)->RowLength();
    song->Unlock();
    return length;
}

float CEnvEditorDlg::SecondsPerRow() const
{
    IOvkModule* song = EditorState()->song.Get();
    const int tempo = song->Lock(kSongRead)->tempo;
    song->Unlock();
    return 1.0f / (static_cast<float>(tempo) / 60.0f * 4.0f);
}

TOvkEnvelope CEnvEditorDlg::Envelope() const
{
    IOvkModule* song = EditorState()->song.Get();
    const TOvkEnvelope* found = m_ref.Find(*song->Lock(kSongRead));
    const TOvkEnvelope envelope = found ? *found : TOvkEnvelope();
    song->Unlock();
    return envelope;
}

void CEnvEditorDlg::Store(const std::function<void(TOvkEnvelope&)>& change, const QWidget* source)
{
    if (m_updating)
        return;
    IOvkModule* song = EditorState()->song.Get();
    // Looked for before the write: a write that changed nothing would still
    // mark the song changed, and the session would stay an undo step.
    const bool found = m_ref.Find(*song->Lock(kSongRead)) != nullptr;
    song->Unlock();
    if (!found)
        return;
    change(*m_ref.Find(*song->Lock(kSongWrite)));
    song->Unlock();
    UpdateControls(source);
}

void CEnvEditorDlg::UpdateControls(const QWidget* source)
{
    // Setting the controls sends their change signals: they must not store.
    m_updating = true;
    const TOvkEnvelope e = Envelope();
    const std::uint32_t rowLength = RowLength();
    const double rows = RowsPerCycle(e.speed, rowLength);
    // The control the change came from is left as the user set it.
    auto setText = [source](QLineEdit* edit, const QString& text) {
        if (edit != source)
            edit->setText(text);
    };
    auto setPosition = [source](QSlider* slider, int position) {
        if (slider != source)
            slider->setValue(position);
    };
    setText(m_max, QString::asprintf("%d", e.max));
    setText(m_min, QString::asprintf("%d", e.min));
    setText(m_rows, QString::asprintf("%.2f", rows));
    setPosition(m_rowsSlider, SliderPositionOf(rows));
    const double hertz = rows > 0 ? 1.0 / (rows * SecondsPerRow()) : 0.0;
    m_speedText->setText(QString::asprintf("speed: %d, freq: %.2f Hz", e.speed, hertz));
    setText(m_phase, QString::asprintf("%d", e.phase / kStep));
    setPosition(m_phaseSlider, e.phase / kStep);
    m_keepEnabled->setChecked(e.keepEnabled);
    setText(m_keep, QString::asprintf("%d", e.keepPosition / kStep));
    setPosition(m_keepSlider, e.keepPosition / kStep);
    m_keep->setEnabled(e.keepEnabled);
    m_keepSlider->setEnabled(e.keepEnabled);
    m_sustainEnabled->setChecked(e.sustainEnabled);
    setText(m_sustain, QString::asprintf("%d", e.sustainPosition / kStep));
    setPosition(m_sustainSlider, e.sustainPosition / kStep);
    m_sustain->setEnabled(e.sustainEnabled);
    m_sustainSlider->setEnabled(e.sustainEnabled);
    for (int i = 0; i < 5; ++i)
        if (kResetModes[i] == e.resetMode)
            m_reset->setCurrentIndex(i);
    m_graph->SetEnvelope(e, rowLength);
    m_updating = false;
}

void CEnvEditorDlg::Connect()
{
    auto integer = [](QLineEdit* edit) { return LeadingInteger(edit->text()); };
    connect(m_max, &QLineEdit::textEdited, this, [=, this] { Store([&](TOvkEnvelope& e) { e.max = integer(m_max); }, m_max); });
    connect(m_min, &QLineEdit::textEdited, this, [=, this] { Store([&](TOvkEnvelope& e) { e.min = integer(m_min); }, m_min); });
    connect(m_rows, &QLineEdit::textEdited, this, [this] {
        const double rows = LeadingNumber(m_rows->text());
        const std::uint32_t rowLength = RowLength();
        Store([&](TOvkEnvelope& e) { e.speed = SpeedOf(rows, rowLength); }, m_rows);
    });
    connect(m_rowsSlider, &QSlider::valueChanged, this, [this](int position) {
        const std::uint32_t rowLength = RowLength();
        Store([&](TOvkEnvelope& e) { e.speed = SpeedOf(kRowsPerCycle[position], rowLength); }, m_rowsSlider);
    });
    connect(m_phase, &QLineEdit::textEdited, this,
            [=, this] { Store([&](TOvkEnvelope& e) { e.phase = integer(m_phase) * kStep; }, m_phase); });
    connect(m_phaseSlider, &QSlider::valueChanged, this,
            [this](int position) { Store([&](TOvkEnvelope& e) { e.phase = position * kStep; }, m_phaseSlider); });
    connect(m_keep, &QLineEdit::textEdited, this,
            [=, this] { Store([&](TOvkEnvelope& e) { e.keepPosition = integer(m_keep) * kStep; }, m_keep); });
    connect(m_keepSlider, &QSlider::valueChanged, this,
            [this](int position) { Store([&](TOvkEnvelope& e) { e.keepPosition = position * kStep; }, m_keepSlider); });
    connect(m_sustain, &QLineEdit::textEdited, this,
            [=, this] { Store([&](TOvkEnvelope& e) { e.sustainPosition = integer(m_sustain) * kStep; }, m_sustain); });
    connect(m_sustainSlider, &QSlider::valueChanged, this,
            [this](int position) {
        Store([&](TOvkEnvelope& e) { e.sustainPosition = position * kStep; }, m_sustainSlider);
    });
    connect(m_keepEnabled, &QCheckBox::toggled, this,
            [this](bool on) { Store([&](TOvkEnvelope& e) { e.keepEnabled = on; }); });
    connect(m_sustainEnabled, &QCheckBox::toggled, this,
            [this](bool on) { Store([&](TOvkEnvelope& e) { e.sustainEnabled = on; }); });
    connect(m_reset, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && index < 5)
            Store([&](TOvkEnvelope& e) { e.resetMode = kResetModes[index]; });
    });
}

void CEnvEditorDlg::Test() { EditorState()->PreviewNote(m_ref.channel, 61); }

void CEnvEditorDlg::Reset()
{
    if (Dialogs().Ask(this, QStringLiteral("Do you want to reset this envelope?"), QStringLiteral("TONVIK3"), false) !=
        CEditorDialogs::ANSWER_YES)
        return;
    Store([](TOvkEnvelope& e) {
        e.min = 0;
        e.max = 256;
        e.speed = 6564;
        e.resetMode = RESET_NOTE;
        e.phase = 16384;
        e.keepPosition = 0;
        e.sustainPosition = 0;
        e.keepEnabled = true;
        e.sustainEnabled = false;
    });
}

void EditEnvelope(const TEnvelopeRef& envelope, QWidget* parent)
{
    CEditorState* state = EditorState();
    const bool added = state->PushInstrumentUndo(envelope.channel);
    const std::uint32_t before = state->song->GetChangeCount();
    CEnvEditorDlg dialog(envelope, parent);
    dialog.exec();
    // A session that stored nothing is no undo step.
    if (added && state->song->GetChangeCount() == before)
        state->undo.DropNewest();
}

} // namespace ovk
