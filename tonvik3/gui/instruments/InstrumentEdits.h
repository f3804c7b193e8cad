#pragma once
#include "core/song/COvkModuleData.h"

class QWidget;

namespace ovk {

// One edit of a channel's instrument: an undo snapshot of the channel's record
// first (unless told not to: the later steps of a drag), then the song's
// write lock for as long as this lives, which is counted as a change (the
// player hears it in its next block; the document is marked modified).
class CInstrumentEdit {
public:
    explicit CInstrumentEdit(int channel, bool snapshot = true);
    ~CInstrumentEdit();
    CInstrumentEdit(const CInstrumentEdit&) = delete;
    CInstrumentEdit& operator=(const CInstrumentEdit&) = delete;

    COvkModuleChannel& Channel() const { return m_data->channels[m_channel]; }
    COvkModuleData& Song() const { return *m_data; }

private:
    int m_channel;
    COvkModuleData* m_data;
};

// A copy of a channel's record, read under the read lock.
COvkModuleChannel ChannelRecord(int channel);

// How long a channel's lists are, read under the read lock. An edit of a row
// checks its index with them before it opens: an edit that opened and then
// found nothing to change would still leave an undo step, a changed song for
// the player and a modified document.
struct TListSizes {
    std::size_t carriers = 0;
    std::size_t modulators = 0;
    std::size_t effects = 0;
};
TListSizes ListSizes(int channel);
inline bool InList(int index, std::size_t size) { return index >= 0 && static_cast<std::size_t>(index) < size; }

// The whole record of one channel copied over another's (one undo step).
void CopyChannel(int from, int to);

// Where the Load dialog opens: the folder the last instrument came from, the
// first time the instrument library; the library is in its side bar.
struct TFilePlaces;
TFilePlaces InstrumentPlaces();

// The instrument file commands of both lists: Load reads the file into a
// copy of the channel (a file without its list records adds to them) and
// takes it over only when the whole file was good; a bad file shows
// "Failed to load instrument!" and leaves the channel as it was. Save writes
// atomically. Both return whether a file was read or written.
extern const char* const kInstrumentFilter;  // "TONVIK Instrument files (*.tonviki)"
bool LoadInstrument(int channel, QWidget* parent);
bool SaveInstrument(int channel, QWidget* parent);
// The panes that show a channel's instrument read it again (not the cursor,
// not the playback: the song goes on as it was).
void RefreshInstrument();

} // namespace ovk
