#pragma once
#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace ovk {

class CEditorState;
class COvkDoc;
class CRecoveryStore;

// Autosave: while the document is modified, the whole song goes into this
// editor's recovery file no later than the interval after the first edit it
// does not hold yet (and so at most once per interval). The song is copied
// under the read lock and written with the lock released, so playback never
// waits for the disk. An unmodified document (saved, new, opened) has no
// recovery file.
class CAutosave : public QObject {
    Q_OBJECT
public:
    using TClock = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr int kLongestInterval = 30;  // seconds

    CAutosave(CEditorState& state, COvkDoc& document, CRecoveryStore& store, int intervalSeconds,
              TClock clock = nullptr);

    // Looks whether a write is due; a timer calls it four times a second,
    // tests call it with their own clock.
    void Poll();
    // Writes now when the song has changes the recovery file lacks.
    void SaveNow();
    // How many writes there were, and why the last one failed (empty when it did not).
    int Writes() const { return m_writes; }
    const QString& LastError() const { return m_error; }
    std::chrono::milliseconds Interval() const { return m_interval; }

signals:
    void Failed(const QString& reason);

private:
    CEditorState& m_state;
    COvkDoc& m_document;
    CRecoveryStore& m_store;
    std::chrono::milliseconds m_interval;
    TClock m_clock;
    QTimer m_timer;
    std::uint32_t m_savedCount = 0;  // the song's change count the file holds
    std::optional<std::chrono::steady_clock::time_point> m_firstUnsaved;
    int m_writes = 0;
    QString m_error;
};

} // namespace ovk
