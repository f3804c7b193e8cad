#include "gui/document/CEditorState.h"

#include <QObject>
#include <algorithm>
#include <cmath>

#include "core/module/COvkModule.h"
#include "gui/document/COvkDoc.h"
#include "morvane/api/CException.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/ClassIds.h"
#include "morvane/data/CStreamSelectors.h"

namespace ovk {

namespace {

CEditorState* g_state = nullptr;

constexpr unsigned int kLevelSamples = 2048;
constexpr int kPreviewPattern = 1;
constexpr int kPreviewReleaseRow = 8;

template <class I>
morvane::CRef<I> Create(const wchar_t* className)
{
    morvane::CRef<I> object = morvane::CreateRef<I>(className);
    if (!object)
        MRV_THROW(morvane::CClassNotFoundException, L"ovk::CEditorState::CEditorState",
                  L"Class does not offer the interface");
    return object;
}

} // namespace

CEditorState* EditorState() { return g_state; }

CEditorState::CEditorState()
    : m_gui(std::make_unique<QObject>()), m_playback([this](const TPlaybackEvent& event) { Post(event); })
{
    for (auto& enabled : channelEnabled)
        enabled = 1;
    song = Create<IOvkModule>(L"ovk::COvkModule");
    previewSong = Create<IOvkModule>(L"ovk::COvkModule");
    songPlayer = Create<IOvkModulePlayer>(L"ovk::COvkModulePlayer");
    previewPlayer = Create<IOvkModulePlayer>(L"ovk::COvkModulePlayer");
    OpenAudio();
    PreparePreview();
    g_state = this;
    // Only the song's changes make the document modified; the preview song
    // is the editor's own and changes at every preview.
    COvkModule::SetModifiedHook([this](IOvkModule* module) {
        if (module == song.Get() && document)
            document->SetModified(true);
    });
}

CEditorState::~CEditorState()
{
    COvkModule::SetModifiedHook(nullptr);
    m_playback.StopAndWait();
    try {
        previewControl->Stop();
    } catch (const morvane::CException&) {
        // Reported by the exception; shutting down goes on.
    }
    previewSong.Reset();
    previewPlayer.Reset();
    previewControl.Reset();
    song.Reset();
    songPlayer.Reset();
    m_playback.Release();
    if (audioDevice) {
        try {
            audioDevice->Close();
        } catch (const morvane::CException&) {
            // Reported by the exception.
        }
        audioDevice.Reset();
    }
    // Notifications still queued die with their receiver.
    m_gui.reset();
    if (g_state == this)
        g_state = nullptr;
}

void CEditorState::OpenAudio()
{
    if (!morvane::q.pluginStore.IsPluginLoaded(L"mrvx_std_dxa8")) {
        audioProblem = QStringLiteral(
            "Cannot play: the audio output plug-in mrvx_std_dxa8.so was not found. Editing, saving and exports "
            "still work.");
        return;
    }
    try {
        audioDevice = morvane::CreateRef<morvane::IAudioDevice>(morvane::clsid::CAudioDevice);
        if (audioDevice)
            audioDevice->Open();
    } catch (const morvane::CException& e) {
        audioDevice.Reset();
        audioProblem = QStringLiteral("Cannot play: the audio output did not start (%1).")
                           .arg(QString::fromWCharArray(e.GetReason()));
        return;
    }
    if (!audioDevice)
        audioProblem = QStringLiteral("Cannot play: the audio output plug-in offers no audio device.");
}

void CEditorState::PreparePreview()
{
    // The preview song: pattern 1 at position 0 of channel 0, released at row 8.
    COvkModuleData* data = previewSong->Lock(kSongWrite);
    data->orderTable[0][0] = kPreviewPattern;
    data->patterns[0][kPreviewPattern][kPreviewReleaseRow] = kStopNote;
    previewSong->Unlock();
    previewPlayer->Connect(previewSong.Get());
    OpenPreviewControl();
}

void CEditorState::OpenPreviewControl()
{
    previewControl.Reset();
    if (audioDevice) {
        try {
            const morvane::CInputStreamSelector source(previewPlayer.Get());
            previewControl = morvane::CRef<morvane::IMediaControl>::Adopt(
                audioDevice->RenderAudio(source, morvane::BUFFERING_STREAM));
        } catch (const morvane::CException&) {
            previewControl.Reset();
        }
    }
    if (!previewControl)
        previewControl = morvane::CreateRef<morvane::IMediaControl>(morvane::clsid::CMediaControl);
}

void CEditorState::UseAudioDevice(morvane::CRef<morvane::IAudioDevice> device)
{
    m_playback.Release();
    previewControl->Stop();
    previewControl.Reset();
    if (audioDevice)
        audioDevice->Close();
    audioDevice = std::move(device);
    audioProblem.clear();
    OpenPreviewControl();
}

void CEditorState::SelectChannel(int newChannel)
{
    newChannel = std::clamp(newChannel, 0, kChannels - 1);
    if (newChannel == channel)
        return;
    channel = newChannel;
    if (pattern)
        pattern->ShowChannel(channel);
    if (orderTable)
        orderTable->ShowCursor(position, channel);
    if (oscillatorList)
        oscillatorList->ShowChannel(channel);
    if (effectList)
        effectList->ShowChannel(channel);
}

void CEditorState::SelectPosition(int newPosition)
{
    newPosition = std::clamp(newPosition, 0, kOrderPositions - 1);
    if (newPosition == position)
        return;
    position = newPosition;
    if (pattern)
        pattern->ReloadPattern();
    if (orderTable)
        orderTable->ShowCursor(position, channel);
    if (!IsPlaying())
        TimeCounterToCursor();
}

void CEditorState::SelectRow(int newRow)
{
    newRow = std::clamp(newRow, 0, kRows - 1);
    if (newRow == row)
        return;
    row = newRow;
    if (pattern)
        pattern->SetCursorRow(row);
    if (!IsPlaying())
        TimeCounterToCursor();
}

void CEditorState::TimeCounterToCursor()
{
    if (timeCounter)
        timeCounter->OnPlayPosition(position * kRows + row);
}

void CEditorState::RefreshPattern()
{
    if (pattern)
        pattern->ReloadPattern();
}

void CEditorState::RefreshAll()
{
    Stop();
    SelectChannel(0);
    SelectPosition(0);
    SelectRow(0);
    if (orderTable)
        orderTable->Reload();
    if (pattern)
        pattern->ReloadPattern();
    if (mixer)
        mixer->Reload();
    if (master)
        master->Reload();
    if (bpm)
        bpm->Reload();
    if (oscillatorList)
        oscillatorList->Reload();
    if (effectList)
        effectList->Reload();
    if (!IsPlaying())
        TimeCounterToCursor();
    if (document)
        document->SetModified(false);
}

void CEditorState::PreviewNote(int noteChannel, std::uint32_t note)
{
    if (noteChannel < 0 || noteChannel >= kChannels)
        return;
    previewControl->Stop();
    // The preview song first, the song inside it, released the other way round.
    COvkModuleData* preview = previewSong->Lock(kSongWrite);
    const COvkModuleData* data = song->Lock(kSongRead);
    preview->patterns[0][kPreviewPattern][0] = note;
    preview->channels[0] = data->channels[noteChannel];
    preview->tempo = data->tempo;
    song->Unlock();
    previewSong->Unlock();
    previewControl->Play();
}

TUndoSnapshot CEditorState::CurrentSnapshot(int instrumentChannel)
{
    TUndoSnapshot snapshot;
    const COvkModuleData* data = song->Lock(kSongRead);
    snapshot.notes = data->NoteData();
    if (instrumentChannel >= 0 && instrumentChannel < kChannels) {
        snapshot.instrumentChannel = instrumentChannel;
        snapshot.instrument = data->channels[instrumentChannel];
    }
    song->Unlock();
    snapshot.channel = channel;
    snapshot.position = position;
    snapshot.row = row;
    return snapshot;
}

bool CEditorState::PushUndo() { return undo.Push(CurrentSnapshot()); }

bool CEditorState::PushInstrumentUndo(int instrumentChannel)
{
    return undo.Push(CurrentSnapshot(std::clamp(instrumentChannel, 0, kChannels - 1)));
}

void CEditorState::Restore(const TUndoSnapshot& snapshot)
{
    COvkModuleData* data = song->Lock(kSongWrite);
    data->NoteData() = snapshot.notes;
    if (snapshot.instrument)
        data->channels[snapshot.instrumentChannel] = *snapshot.instrument;
    song->Unlock();
    m_restoredAt = song->GetChangeCount();
    SelectChannel(snapshot.channel);
    SelectPosition(snapshot.position);
    SelectRow(snapshot.row);
    if (orderTable)
        orderTable->Reload();
    if (pattern)
        pattern->ReloadPattern();
    if (snapshot.instrument) {
        if (oscillatorList)
            oscillatorList->Reload();
        if (effectList)
            effectList->Reload();
        if (mixer)
            mixer->Reload();
    }
}

bool CEditorState::RedoStillValid()
{
    if (undo.RedoSize() == 0)
        return false;
    if (song->GetChangeCount() == m_restoredAt)
        return true;
    undo.ClearRedo();
    return false;
}

void CEditorState::Undo()
{
    const TUndoSnapshot* newest = undo.Newest();
    if (!newest)
        return;
    RedoStillValid();
    if (const auto snapshot = undo.TakeUndo(CurrentSnapshot(newest->instrumentChannel)))
        Restore(*snapshot);
}

void CEditorState::Redo()
{
    if (!RedoStillValid())
        return;
    if (const auto snapshot = undo.TakeRedo(CurrentSnapshot(undo.NewestRedo()->instrumentChannel)))
        Restore(*snapshot);
}

void CEditorState::Play() { StartPlayback(false); }
void CEditorState::PatternPlay() { StartPlayback(true); }

void CEditorState::StartPlayback(bool patternPlay)
{
    if (!CanPlay())
        return;
    if (IsPlaying())
        m_playback.Stop();
    previewControl->Stop();
    patternMode = patternPlay ? 1 : 0;
    TPlaybackRequest request;
    request.song = song;
    request.player = songPlayer;
    request.device = audioDevice;
    request.startPosition = position;
    request.patternMode = patternPlay;
    request.channelEnabled = channelEnabled.data();
    m_playback.Start(std::move(request));
}

void CEditorState::Stop()
{
    // Also a playback that is still opening its output: it must not start
    // after the composer stopped it.
    if (IsPlayingOrStarting())
        m_playback.Stop();
}

void CEditorState::PlayOrStop(bool patternPlay)
{
    if (IsPlayingOrStarting())
        Stop();
    else if (patternPlay)
        PatternPlay();
    else
        Play();
}

void CEditorState::SetChannelEnabled(int mixChannel, bool enabled)
{
    if (mixChannel < 0 || mixChannel >= kChannels)
        return;
    channelEnabled[mixChannel] = enabled ? 1 : 0;
    // Also when not playing yet: a playback that is starting reads the flag
    // after connecting the player, and this covers the moment in between.
    songPlayer->SetChannelEnabled(static_cast<unsigned int>(mixChannel), enabled);
}

morvane::CRef<morvane::IMediaControl> CEditorState::SongControl() const
{
    morvane::CRef<morvane::IMediaControl> control = m_playback.Control();
    if (!control)
        control = morvane::CreateRef<morvane::IMediaControl>(morvane::clsid::CMediaControl);
    return control;
}

bool CEditorState::HistoryAtPlayTime(int historyChannel, std::int32_t* destination, unsigned int count)
{
    if (!IsPlaying())
        return false;
    const morvane::CRef<morvane::IMediaControl> control = m_playback.Control();
    if (!control)
        return false;
    try {
        // Bytes of 16-bit mono at 44100 Hz; the count samples that end there.
        const auto heard = static_cast<std::int64_t>(control->TellTime() * 88200.0) & ~std::int64_t(1);
        const std::int64_t from = std::max<std::int64_t>(0, heard - 2 * static_cast<std::int64_t>(count));
        songPlayer->GetHistory(historyChannel, static_cast<unsigned int>(from), destination, count);
    } catch (const morvane::CException&) {
        return false;
    }
    return true;
}

int CEditorState::LevelAtPlayTime(int levelChannel)
{
    std::array<std::int32_t, kLevelSamples> samples;
    if (!HistoryAtPlayTime(levelChannel, samples.data(), kLevelSamples))
        return 0;
    std::int32_t level = 0;
    for (const std::int32_t s : samples)
        level = std::max(level, s < 0 ? -s : s);
    return std::min(level, 32767);
}

void CEditorState::Post(const TPlaybackEvent& event)
{
    // Ticks are folded while the GUI thread has not taken the last one yet.
    if (event.kind == TPlaybackEvent::TICK && m_tickQueued.exchange(true))
        return;
    QMetaObject::invokeMethod(
        m_gui.get(),
        [this, event] {
            if (event.kind == TPlaybackEvent::TICK)
                m_tickQueued = false;
            Deliver(event);
        },
        Qt::QueuedConnection);
}

void CEditorState::Deliver(const TPlaybackEvent& event)
{
    switch (event.kind) {
    case TPlaybackEvent::POSITION:
        if (event.order == CSongPlayback::kNoPosition) {
            if (orderTable)
                orderTable->OnPlayPosition(CSongPlayback::kNoPosition);
            if (pattern)
                pattern->OnPlayPosition(CSongPlayback::kNoPosition);
            // The display falls back to the edit cursor.
            TimeCounterToCursor();
        } else {
            if (orderTable)
                orderTable->OnPlayPosition(event.order);
            if (pattern)
                pattern->OnPlayPosition(event.row);
            if (timeCounter)
                timeCounter->OnPlayPosition(event.row);
        }
        break;
    case TPlaybackEvent::TICK:
        if (oscBar)
            oscBar->OnPlayTick();
        if (mixer)
            mixer->OnPlayTick();
        if (master)
            master->OnPlayTick();
        break;
    case TPlaybackEvent::STOPPED:
        if (oscBar)
            oscBar->OnPlayStopped();
        if (mixer)
            mixer->OnPlayStopped();
        if (master)
            master->OnPlayStopped();
        break;
    }
}

} // namespace ovk
