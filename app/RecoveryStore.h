#pragma once
// Copies of unsaved pictures kept on disk while the program runs, so that a crash, a killed
// process or a power cut does not take the user's work with it. Each running program owns a
// session: a lock file and one recovery file per document. Files of a session whose lock no
// living program holds are orphans, offered back at the next start.
//
// Writes happen on a worker thread, in the order they were asked for, each through a temporary
// file and a rename, so a recovery file is always either the old copy or the new one.

#include "raster/DibContainer.h"

#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <atomic>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

class QLockFile;

namespace kolvar {

// A picture as its recovery file holds it.
struct TRecoveredPicture {
    QString Caption;
    QString FileName;
    bool Modified = true;
    TDibContainer Image;
};

// The recovery file's bytes for a picture, and back. ReadRecoveryFile raises EInOutError for a
// file that cannot be read and EInvalidGraphic for one that is not a whole recovery file; it
// checks every size against the bytes present before allocating.
QByteArray EncodeRecoveryHeader(const QString& Caption, const QString& FileName, bool Modified,
                                int32_t Width, int32_t Height);
void WriteRecoveryFile(const QString& Path, const TDibContainer& Image, const QString& Caption,
                       const QString& FileName, bool Modified);
TRecoveredPicture ReadRecoveryFile(const QString& Path);

class TRecoveryStore;

// The recovery copy of a picture too big to copy whole: its owner's thread hands over a slice
// of rows at a time, between other work, and the store's worker writes each slice as it comes,
// so that no second picture is ever held and no step holds up the user. The file appears, as
// always, by a rename once every row is written; a copy abandoned before (Cancel, or
// destruction) leaves the old file alone.
class TSlicedCopy {
public:
    TSlicedCopy(TRecoveryStore& Store, int32_t Id, int32_t W, int32_t H, const QString& Caption,
                const QString& FileName);
    ~TSlicedCopy();
    TSlicedCopy(const TSlicedCopy&) = delete;
    TSlicedCopy& operator=(const TSlicedCopy&) = delete;

    // Hands over the next rows of Image, which must keep the size the copy began with; does
    // nothing while the worker has two slices still to write. True once every row has gone
    // (the copy is then being completed); false also for an image of another size, which
    // ends the copy.
    bool Next(const TDibContainer& Image);
    bool Done() const { return FDone; }
    void Cancel();

    // Rows of a slice: about this many bytes.
    static constexpr size_t SliceBytes = size_t(8) << 20;

private:
    struct TState;
    TRecoveryStore& FStore;
    std::shared_ptr<TState> FState;
    int32_t FWidth;
    int32_t FHeight;
    int32_t FRow = 0;
    bool FDone = false;
};

class TRecoveryStore {
public:
    // Pictures of more bytes get a TSlicedCopy instead of Write's whole copy; tests lower it.
    static inline size_t WholeCopyBytes = size_t(64) << 20;

    // $KOLVAR_HOME/recovery when KOLVAR_HOME is set, else $XDG_STATE_HOME/kolvar/recovery
    // (~/.local/state/kolvar/recovery when XDG_STATE_HOME is not set).
    static QString DefaultFolder();

    // Creates the folder when needed and starts a session in it. Without a usable folder the
    // store does nothing (Active() is false) and the program runs on without recovery.
    explicit TRecoveryStore(const QString& Folder);
    // Waits for pending writes. The session's files stay: only Close removes them.
    ~TRecoveryStore();
    TRecoveryStore(const TRecoveryStore&) = delete;
    TRecoveryStore& operator=(const TRecoveryStore&) = delete;

    bool Active() const { return FActive; }
    const QString& Folder() const { return FFolder; }
    // The recovery file of a document of this session.
    QString PathFor(int32_t Id) const;

    // Readies, on the worker thread, memory for a later copy of a W x H picture, so that
    // taking the copy costs the caller no more than copying the pixels.
    void Prepare(int32_t Id, int32_t W, int32_t H);
    // Copies Image now, on the caller's thread (into the memory Prepare readied when its size
    // fits), and queues the writing of the copy. Without memory for the copy nothing happens.
    void Write(int32_t Id, const TDibContainer& Image, const QString& Caption,
               const QString& FileName, bool Modified);
    // Queues the removal of a document's copy, after any write queued before it.
    void Remove(int32_t Id);
    void WaitForWrites();
    // The normal end of a run: every file of the session and its lock go.
    void Close();

    // Recovery files of sessions that no running program owns, sorted. Finding them takes
    // those sessions' locks, so that a second program starting at the same time leaves them
    // alone; DiscardOrphans or ReleaseOrphans gives the locks back.
    QStringList FindOrphans();
    // Deletes the orphans found (their files, leftovers of interrupted writes, and locks).
    void DiscardOrphans();
    // Leaves the orphans for a later start.
    void ReleaseOrphans();

private:
    friend class TSlicedCopy;
    QString SessionPrefix(const QString& Session) const;

    QString FFolder;
    QString FSession;
    bool FActive = false;
    std::unique_ptr<QLockFile> FLock;
    QThreadPool FWorker;
    struct TOrphanSession {
        QString Session;
        std::unique_ptr<QLockFile> Lock;
    };
    std::vector<TOrphanSession> FOrphans;
    std::mutex FSpareLock;
    std::map<int32_t, std::shared_ptr<TDibContainer>> FSpare;
};

} // namespace kolvar
