#include "app/RecoveryStore.h"

#include "formats/DibData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QSet>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace kolvar {

namespace {

const QByteArray kMagic = QByteArrayLiteral("KVRECOV1");
const QString kSuffix = QStringLiteral(".kvr");
const QString kLockSuffix = QStringLiteral(".lock");
// Captions and file names longer than this are no recovery file of ours.
constexpr uint32_t kMaxText = 1 << 16;

void putU32(QByteArray& out, uint32_t v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

void putText(QByteArray& out, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    putU32(out, uint32_t(utf8.size()));
    out.append(utf8);
}

// Reads the header fields in order, refusing anything past the bytes present.
class THeaderReader {
public:
    explicit THeaderReader(QFile& File) : FFile(File) {}
    uint32_t U32() {
        char b[4];
        if (FFile.read(b, 4) != 4) throw EInvalidGraphic();
        return qFromLittleEndian<uint32_t>(b);
    }
    QString Text() {
        const uint32_t n = U32();
        if (n > kMaxText || n > uint64_t(FFile.size() - FFile.pos())) throw EInvalidGraphic();
        const QByteArray bytes = FFile.read(n);
        if (uint32_t(bytes.size()) != n) throw EInvalidGraphic();
        return QString::fromUtf8(bytes);
    }

private:
    QFile& FFile;
};

[[noreturn]] void writeFailed(const QString& path, const QFileDevice& file) {
    throw EWriteError(QStringLiteral("Cannot write file %1: %2").arg(path, file.errorString()));
}

QString newSessionName() {
    // The process id keeps names readable; the random part keeps a reused id from meeting an
    // old session's files.
    return QString::number(QCoreApplication::applicationPid()) + QLatin1Char('.') +
           QString::number(QRandomGenerator::global()->generate(), 16);
}

QString sessionOf(const QString& fileName) {
    const int cut = fileName.lastIndexOf(QLatin1Char('_'));
    return cut > 0 ? fileName.left(cut) : QString();
}

} // namespace

QByteArray EncodeRecoveryHeader(const QString& Caption, const QString& FileName, bool Modified,
                                int32_t Width, int32_t Height) {
    QByteArray out = kMagic;
    putText(out, Caption);
    putText(out, FileName);
    out.append(char(Modified ? 1 : 0));
    putU32(out, uint32_t(Width));
    putU32(out, uint32_t(Height));
    return out;
}

void WriteRecoveryFile(const QString& Path, const TDibContainer& Image, const QString& Caption,
                       const QString& FileName, bool Modified) {
    QSaveFile file(Path);
    if (!file.open(QIODevice::WriteOnly)) writeFailed(Path, file);
    const QByteArray head =
        EncodeRecoveryHeader(Caption, FileName, Modified, Image.Width(), Image.Height());
    if (file.write(head) != head.size()) writeFailed(Path, file);
    // Rows without their padding, in chunks of about a megabyte.
    const size_t rowBytes = size_t(Image.Width()) * 3;
    if (rowBytes > 0) {
        const int32_t chunkRows =
            int32_t(std::clamp<size_t>((size_t(1) << 20) / rowBytes, 1, size_t(Image.Height())));
        std::vector<char> chunk(rowBytes * size_t(chunkRows));
        for (int32_t y = 0; y < Image.Height();) {
            int32_t rows = 0;
            for (; rows < chunkRows && y < Image.Height(); ++rows, ++y)
                std::memcpy(chunk.data() + size_t(rows) * rowBytes, Image.ScanLine(y), rowBytes);
            const qint64 bytes = qint64(rows) * qint64(rowBytes);
            if (file.write(chunk.data(), bytes) != bytes) writeFailed(Path, file);
        }
    }
    if (!file.commit()) writeFailed(Path, file);
}

TRecoveredPicture ReadRecoveryFile(const QString& Path) {
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(QStringLiteral("Cannot read file %1: %2").arg(Path, file.errorString()));
    if (file.read(kMagic.size()) != kMagic) throw EInvalidGraphic();
    THeaderReader head(file);
    TRecoveredPicture picture;
    picture.Caption = head.Text();
    picture.FileName = head.Text();
    char modified = 0;
    if (!file.getChar(&modified)) throw EInvalidGraphic();
    picture.Modified = modified != 0;
    const int64_t w = int32_t(head.U32());
    const int64_t h = int32_t(head.U32());
    if (w <= 0 || h <= 0 || w * h > TDibContainer::MaxPixels) throw EInvalidGraphic();
    const int64_t rowBytes = w * 3;
    if (file.size() - file.pos() != rowBytes * h) throw EInvalidGraphic();
    TDibContainer image{int32_t(w), int32_t(h)};
    for (int32_t y = 0; y < h; ++y)
        if (file.read(reinterpret_cast<char*>(image.ScanLine(y)), rowBytes) != rowBytes)
            throw EInvalidGraphic();
    picture.Image = std::move(image);
    return picture;
}

QString TRecoveryStore::DefaultFolder() {
    const QString home = qEnvironmentVariable("KOLVAR_HOME");
    if (!home.isEmpty()) return QDir(home).filePath(QStringLiteral("recovery"));
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::home().filePath(QStringLiteral(".local/state"));
    return QDir(state).filePath(QStringLiteral("kolvar/recovery"));
}

TRecoveryStore::TRecoveryStore(const QString& Folder) : FFolder(QDir::cleanPath(Folder)) {
    FWorker.setMaxThreadCount(1);
    if (!QDir().mkpath(FFolder)) return;
    // Only this user may read the copies of the pictures.
    QFile::setPermissions(FFolder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    FSession = newSessionName();
    FLock = std::make_unique<QLockFile>(QDir(FFolder).filePath(FSession + kLockSuffix));
    FLock->setStaleLockTime(0);
    FActive = FLock->tryLock(0);
}

TRecoveryStore::~TRecoveryStore() {
    WaitForWrites();
}

QString TRecoveryStore::SessionPrefix(const QString& Session) const {
    return QDir(FFolder).filePath(Session + QLatin1Char('_'));
}

QString TRecoveryStore::PathFor(int32_t Id) const {
    return SessionPrefix(FSession) + QString::number(Id) + kSuffix;
}

void TRecoveryStore::Prepare(int32_t Id, int32_t W, int32_t H) {
    if (!FActive || W <= 0 || H <= 0) return;
    FWorker.start([this, Id, W, H] {
        {
            std::lock_guard<std::mutex> lock(FSpareLock);
            const auto it = FSpare.find(Id);
            if (it != FSpare.end() && it->second->Width() == W && it->second->Height() == H) return;
        }
        try {
            auto spare = std::make_shared<TDibContainer>(W, H);
            // Fresh memory is mapped lazily; touching it here keeps the page faults off the
            // caller's thread.
            std::memset(spare->Bits(), 0, spare->ByteSize());
            std::lock_guard<std::mutex> lock(FSpareLock);
            FSpare[Id] = std::move(spare);
        } catch (const std::exception&) {
            // Short of memory: Write allocates when it needs to.
        }
    });
}

void TRecoveryStore::Write(int32_t Id, const TDibContainer& Image, const QString& Caption,
                           const QString& FileName, bool Modified) {
    if (!FActive || Image.Empty()) return;
    std::shared_ptr<TDibContainer> copy;
    {
        std::lock_guard<std::mutex> lock(FSpareLock);
        const auto it = FSpare.find(Id);
        if (it != FSpare.end()) {
            copy = std::move(it->second);
            FSpare.erase(it);
        }
    }
    try {
        if (!copy) copy = std::make_shared<TDibContainer>();
        copy->AssignContainer(Image);
    } catch (const std::exception&) {
        // No memory for a copy now: the work goes on, and the next change tries again.
        return;
    }
    FWorker.start([path = PathFor(Id), copy, Caption, FileName, Modified] {
        try {
            WriteRecoveryFile(path, *copy, Caption, FileName, Modified);
        } catch (const std::exception&) {
            // A full disk must not disturb the user's work; the next change tries again.
        }
    });
}

// ---- Copies a slice at a time ------------------------------------------------------------

struct TSlicedCopy::TState {
    std::unique_ptr<QSaveFile> File;
    std::atomic<int> Waiting{0}; // slices handed over and not yet written
    bool Failed = false;
};

TSlicedCopy::TSlicedCopy(TRecoveryStore& Store, int32_t Id, int32_t W, int32_t H,
                         const QString& Caption, const QString& FileName)
    : FStore(Store), FState(std::make_shared<TState>()), FWidth(W), FHeight(H) {
    if (!FStore.FActive) {
        FDone = true;
        return;
    }
    const QByteArray head = EncodeRecoveryHeader(Caption, FileName, true, W, H);
    FStore.FWorker.start([st = FState, path = FStore.PathFor(Id), head] {
        st->File = std::make_unique<QSaveFile>(path);
        st->Failed = !st->File->open(QIODevice::WriteOnly) || st->File->write(head) != head.size();
    });
}

TSlicedCopy::~TSlicedCopy() {
    if (!FDone) Cancel();
}

void TSlicedCopy::Cancel() {
    FDone = true;
    FStore.FWorker.start([st = FState] {
        if (st->File) st->File->cancelWriting();
        st->File.reset();
    });
}

bool TSlicedCopy::Next(const TDibContainer& Image) {
    if (FDone) return true;
    if (Image.Width() != FWidth || Image.Height() != FHeight) {
        Cancel();
        return false;
    }
    if (FState->Waiting.load() >= 2) return false;
    const size_t rowBytes = size_t(FWidth) * 3;
    const int32_t rows =
        int32_t(std::clamp<size_t>(SliceBytes / rowBytes, 1, size_t(FHeight - FRow)));
    QByteArray slice(qsizetype(rowBytes) * rows, Qt::Uninitialized);
    for (int32_t i = 0; i < rows; ++i)
        std::memcpy(slice.data() + qsizetype(rowBytes) * i, Image.ScanLine(FRow + i), rowBytes);
    FRow += rows;
    ++FState->Waiting;
    const bool last = FRow == FHeight;
    FStore.FWorker.start([st = FState, slice = std::move(slice), last] {
        if (st->File && !st->Failed) st->Failed = st->File->write(slice) != slice.size();
        --st->Waiting;
        if (!last || !st->File) return;
        // A full disk must not disturb the user's work; the next change tries again.
        if (st->Failed || !st->File->commit()) st->File->cancelWriting();
        st->File.reset();
    });
    FDone = last;
    return last;
}

void TRecoveryStore::Remove(int32_t Id) {
    if (!FActive) return;
    FWorker.start([this, Id, path = PathFor(Id)] {
        QFile::remove(path);
        std::lock_guard<std::mutex> lock(FSpareLock);
        FSpare.erase(Id);
    });
}

void TRecoveryStore::WaitForWrites() {
    FWorker.waitForDone();
}

void TRecoveryStore::Close() {
    WaitForWrites();
    if (!FActive) return;
    const QDir dir(FFolder);
    for (const QString& name : dir.entryList({FSession + QStringLiteral("_*")}, QDir::Files))
        QFile::remove(dir.filePath(name));
    FLock->unlock();
    FActive = false;
}

QStringList TRecoveryStore::FindOrphans() {
    QStringList found;
    if (!FActive) return found;
    const QDir dir(FFolder);
    QSet<QString> sessions;
    for (const QString& name : dir.entryList({QStringLiteral("*") + kSuffix}, QDir::Files))
        if (const QString s = sessionOf(name); !s.isEmpty() && s != FSession) sessions << s;
    QStringList ordered(sessions.begin(), sessions.end());
    ordered.sort();
    for (const QString& session : ordered) {
        if (std::any_of(FOrphans.begin(), FOrphans.end(),
                        [&](const TOrphanSession& o) { return o.Session == session; }))
            continue;
        auto lock = std::make_unique<QLockFile>(dir.filePath(session + kLockSuffix));
        lock->setStaleLockTime(0);
        // Held by a living program: its files are its own.
        if (!lock->tryLock(0)) continue;
        FOrphans.push_back({session, std::move(lock)});
    }
    // Locks of ended sessions that left no copies are only clutter.
    for (const QString& name : dir.entryList({QStringLiteral("*") + kLockSuffix}, QDir::Files)) {
        const QString session = name.chopped(kLockSuffix.size());
        if (session == FSession || sessions.contains(session)) continue;
        QLockFile stale(dir.filePath(name));
        stale.setStaleLockTime(0);
        if (stale.tryLock(0)) stale.unlock();
    }
    for (const TOrphanSession& o : FOrphans)
        for (const QString& name :
             dir.entryList({o.Session + QStringLiteral("_*") + kSuffix}, QDir::Files, QDir::Name))
            found << dir.filePath(name);
    return found;
}

void TRecoveryStore::DiscardOrphans() {
    const QDir dir(FFolder);
    for (TOrphanSession& o : FOrphans) {
        for (const QString& name : dir.entryList({o.Session + QStringLiteral("_*")}, QDir::Files))
            QFile::remove(dir.filePath(name));
        o.Lock->unlock();
    }
    FOrphans.clear();
}

void TRecoveryStore::ReleaseOrphans() {
    for (TOrphanSession& o : FOrphans) o.Lock->unlock();
    FOrphans.clear();
}

} // namespace kolvar
