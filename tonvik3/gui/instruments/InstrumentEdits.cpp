#include "gui/instruments/InstrumentEdits.h"

#include <QFileInfo>

#include "core/files/SongFiles.h"
#include "gui/document/CEditorDialogs.h"
#include "gui/document/CEditorSettings.h"
#include "gui/document/InstrumentLibrary.h"
#include "gui/document/CEditorState.h"
#include "gui/document/COvkDoc.h"
#include "morvane/api/CException.h"

namespace ovk {

const char* const kInstrumentFilter = "TONVIK Instrument files (*.tonviki)";

CInstrumentEdit::CInstrumentEdit(int channel, bool snapshot) : m_channel(std::clamp(channel, 0, kChannels - 1))
{
    CEditorState* state = EditorState();
    if (snapshot)
        state->PushInstrumentUndo(m_channel);
    m_data = state->song->Lock(kSongWrite);
}

CInstrumentEdit::~CInstrumentEdit() { EditorState()->song->Unlock(); }

COvkModuleChannel ChannelRecord(int channel)
{
    IOvkModule* song = EditorState()->song.Get();
    const COvkModuleData* data = song->Lock(kSongRead);
    COvkModuleChannel record;
    try {
        record = data->channels[std::clamp(channel, 0, kChannels - 1)];
    } catch (...) {
        song->Unlock();
        throw;
    }
    song->Unlock();
    return record;
}

TListSizes ListSizes(int channel)
{
    IOvkModule* song = EditorState()->song.Get();
    const COvkModuleChannel& record = song->Lock(kSongRead)->channels[std::clamp(channel, 0, kChannels - 1)];
    const TListSizes sizes{record.carriers.size(), record.modulators.size(), record.effects.size()};
    song->Unlock();
    return sizes;
}

void CopyChannel(int from, int to)
{
    if (from == to || from < 0 || from >= kChannels || to < 0 || to >= kChannels)
        return;
    const COvkModuleChannel record = ChannelRecord(from);
    {
        CInstrumentEdit edit(to);
        edit.Channel() = record;
    }
    RefreshInstrument();
}

void RefreshInstrument()
{
    CEditorState* state = EditorState();
    if (state->oscillatorList)
        state->oscillatorList->Reload();
    if (state->effectList)
        state->effectList->Reload();
    if (state->mixer)
        state->mixer->Reload();
}

TFilePlaces InstrumentPlaces()
{
    TFilePlaces places;
    const QString library = InstrumentLibraryFolder();
    if (!library.isEmpty())
        places.sideBar.append(QUrl::fromLocalFile(library));
    const QString last = ToQString(CEditorSettings().InstrumentFolder());
    places.folder = !last.isEmpty() && QFileInfo(last).isDir() ? last : library;
    return places;
}

bool LoadInstrument(int channel, QWidget* parent)
{
    const QString path = Dialogs().OpenFileName(parent, QStringLiteral("Load instrument"),
                                                QString::fromLatin1(kInstrumentFilter), InstrumentPlaces());
    if (path.isEmpty())
        return false;
    CEditorSettings().SetInstrumentFolder(ToWide(QFileInfo(path).absolutePath()));
    COvkModuleChannel loaded = ChannelRecord(channel);
    try {
        LoadInstrumentFile(ToWide(path).c_str(), loaded);
    } catch (const morvane::CException& e) {
        Dialogs().Message(parent, QStringLiteral("Failed to load instrument!"), QStringLiteral("Error"),
                          CEditorDialogs::ICON_ERROR, QString::fromWCharArray(e.GetReason() ? e.GetReason() : L""));
        return false;
    }
    {
        CInstrumentEdit edit(channel);
        edit.Channel() = std::move(loaded);
    }
    RefreshInstrument();
    if (EditorState()->document)
        EditorState()->document->TellAboutEffectLines();
    return true;
}

bool SaveInstrument(int channel, QWidget* parent)
{
    const QString path = Dialogs().SaveFileName(parent, QStringLiteral("Save instrument"),
                                                QString::fromLatin1(kInstrumentFilter), QStringLiteral("tonviki"));
    if (path.isEmpty())
        return false;
    try {
        SaveInstrumentFile(ToWide(path).c_str(), ChannelRecord(channel));
    } catch (const morvane::CException& e) {
        Dialogs().Message(parent, QStringLiteral("Failed to save instrument!"), QStringLiteral("Error"),
                          CEditorDialogs::ICON_ERROR, QString::fromWCharArray(e.GetReason() ? e.GetReason() : L""));
        return false;
    }
    return true;
}

} // namespace ovk
