#pragma once
#include <QDateTime>
#include <QString>
#include <string>
#include <vector>

#include "core/song/COvkModuleData.h"

namespace ovk {

// A recovery file that an editor left when it did not end normally.
struct TRecoveryFile {
    QString id;
    std::wstring song;  // the song's path; empty for an untitled one
    QDateTime time;     // when it was written
    QString songFile;   // the saved song
    int lockFd = -1;    // held while this editor decides about it
};

// The recovery files in the user's data folder (recovery/, readable by the
// user only). Each running editor has its own: NAME.tonvik (the song as
// File > Save writes it), NAME.info (which song, when) and NAME.lock, which
// it keeps locked while it runs. The lock goes with the process however it
// ends (a crash, kill -9), so a file whose lock is free belongs to an editor
// that did not end normally, and a live editor's file is never offered.
class CRecoveryStore {
public:
    // The folder: the application's data folder, then "recovery".
    static QString DefaultFolder();

    explicit CRecoveryStore(const QString& folder = DefaultFolder());
    // Releases the lock; the files stay unless Clear was called.
    ~CRecoveryStore();
    CRecoveryStore(const CRecoveryStore&) = delete;
    CRecoveryStore& operator=(const CRecoveryStore&) = delete;

    const QString& Folder() const { return m_folder; }
    QString SongFile() const;
    bool HasFile() const;
    // Writes this editor's recovery file; false with the reason when it failed.
    bool Save(const COvkModuleData& song, const std::wstring& songPath, QString* error);
    // Removes this editor's recovery file (a clean end, a save, a new song).
    void Clear();

    // The files of editors that did not end normally, newest first; each is
    // locked by this editor until Discard or Keep.
    std::vector<TRecoveryFile> TakeLeftovers();
    static void Discard(TRecoveryFile& file);
    static void Keep(TRecoveryFile& file);

private:
    QString PathOf(const QString& id, const char* suffix) const;

    QString m_folder;
    QString m_id;
    int m_lockFd = -1;
};

} // namespace ovk
