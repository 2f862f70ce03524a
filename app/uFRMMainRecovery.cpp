// The main window's part in crash recovery: a recovery copy of every modified document is
// written a while after it changed, and removed when the document is saved or given up; at
// start the copies a crashed run left behind are offered back.

#include "app/ErrorGuardWidget.h"
#include "app/RecoveryStore.h"
#include "app/UnsavedWorkTexts.h"
#include "app/uFRMMain.h"
#include "filters/BackgroundRun.h"
#include "shell/UserDialogsWidget.h"
#include "shell/uLanguagesSuport.h"

#include <QFile>
#include <QTimer>

namespace kolvar {

namespace {

const char* const kRecoveryIdProperty = "recoveryId";

int32_t recoveryIdOf(const TfrmDesigner* document) {
    return document->property(kRecoveryIdProperty).toInt();
}

} // namespace

void TfrmKolvar::WatchDocument(TfrmDesigner* document) {
    document->setProperty(kRecoveryIdProperty, nextRecoveryId_++);
    // One timer per document, not restarted by later changes: a picture being worked on
    // without a pause still gets its copy within the interval.
    auto* timer = new QTimer(document);
    timer->setObjectName(QStringLiteral("recoveryTimer"));
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [this, timer, document] {
        // Long work on a picture may be changing it on another thread right now: the copy
        // waits until the work is over, so it is never half old, half new.
        if (BackgroundWorkRunning()) {
            timer->start(std::chrono::seconds(1));
            return;
        }
        Guarded(this, [&] { WriteRecoveryCopy(document); });
    });
    connect(document, &TfrmDesigner::ContentChanged, timer, [this, timer, document] {
        // A copy under way is of the picture as it was.
        StopSlicedCopy(document);
        if (!recovery_ || timer->isActive()) return;
        timer->start(std::chrono::seconds(Preferences().RecoveryInterval));
        // Memory for the copy is readied once the command that changed the picture is over,
        // and only if the picture is still unsaved then (a new picture clears itself first).
        QTimer::singleShot(0, timer, [this, timer, document] {
            const TDibContainer& image = document->Image();
            if (recovery_ && timer->isActive() && document->Modified() &&
                image.ByteSize() <= TRecoveryStore::WholeCopyBytes)
                recovery_->Prepare(recoveryIdOf(document), document->Image().Width(),
                                   document->Image().Height());
        });
    });
    auto forget = [this, timer, document] {
        timer->stop();
        StopSlicedCopy(document);
        if (recovery_) recovery_->Remove(recoveryIdOf(document));
    };
    connect(document, &TfrmDesigner::ModifiedChanged, timer, [forget](bool modified) {
        if (!modified) forget();
    });
    connect(document, &TfrmDesigner::DocumentReleased, timer, forget);
}

void TfrmKolvar::WriteRecoveryCopy(TfrmDesigner* document, bool Whole) {
    if (!recovery_ || document->Released() || !document->Modified()) return;
    if (!Whole && document->Image().ByteSize() > TRecoveryStore::WholeCopyBytes) {
        StartSlicedCopy(document);
        return;
    }
    // The copy is taken here, on the thread that changes the picture; the store writes it.
    recovery_->Write(recoveryIdOf(document), document->Image(), document->Caption(),
                     document->FileName(), true);
}

void TfrmKolvar::StartSlicedCopy(TfrmDesigner* document) {
    const TDibContainer& image = document->Image();
    slicedCopies_[document] = {
        document, std::make_unique<TSlicedCopy>(*recovery_, recoveryIdOf(document), image.Width(),
                                                image.Height(), document->Caption(),
                                                document->FileName())};
    if (!sliceTimer_) {
        sliceTimer_ = new QTimer(this);
        sliceTimer_->setObjectName(QStringLiteral("recoverySliceTimer"));
        sliceTimer_->setInterval(10);
        connect(sliceTimer_, &QTimer::timeout, this, [this] { NextSlices(); });
    }
    sliceTimer_->start();
}

void TfrmKolvar::StopSlicedCopy(TfrmDesigner* document) {
    slicedCopies_.erase(document);
}

void TfrmKolvar::NextSlices() {
    // Work on another thread may be changing a picture right now.
    if (!BackgroundWorkRunning()) {
        for (auto it = slicedCopies_.begin(); it != slicedCopies_.end();) {
            // A window gone without its release notice takes its unfinished copy with it.
            if (it->second.Document) it->second.Copy->Next(it->second.Document->Image());
            const bool over = !it->second.Document || it->second.Copy->Done();
            it = over ? slicedCopies_.erase(it) : std::next(it);
        }
    }
    if (slicedCopies_.empty()) sliceTimer_->stop();
}

void TfrmKolvar::WriteRecoveryCopies() {
    for (TfrmDesigner* doc : Documents()) WriteRecoveryCopy(doc);
}

void TfrmKolvar::StartRecovery(const QString& Folder) {
    recovery_ = std::make_unique<TRecoveryStore>(Folder.isEmpty() ? TRecoveryStore::DefaultFolder()
                                                                  : Folder);
    const QStringList orphans = recovery_->FindOrphans();
    if (orphans.isEmpty()) {
        recovery_->ReleaseOrphans();
        return;
    }
    // Escape or closing the box decides nothing: the copies wait for the next start.
    switch (
        UserDialogs().AskCancel(this, kRecoverCaption, LanguageMessage(kRecoverQuestion), false)) {
    case TAnswer::Yes:
        RecoverPictures(orphans);
        break;
    case TAnswer::No:
        recovery_->DiscardOrphans();
        break;
    case TAnswer::Cancel:
        recovery_->ReleaseOrphans();
        break;
    }
}

void TfrmKolvar::RecoverPictures(const QStringList& files) {
    QStringList recoveredFiles;
    for (const QString& file : files) {
        const bool recovered = Guarded(this, [&] {
            TRecoveredPicture picture = ReadRecoveryFile(file);
            TfrmDesigner* doc = AddDocumentWindow();
            try {
                doc->RecoverImage(std::move(picture.Image), picture.Caption, picture.FileName);
            } catch (...) {
                DiscardDocumentWindow(doc);
                throw;
            }
            AddFileCaptionOnMenu(doc);
            ActivateDocument(doc);
            // The picture is this run's now; its old copy goes only once the new one exists.
            WriteRecoveryCopy(doc, true);
        });
        if (recovered) recoveredFiles << file;
    }
    recovery_->WaitForWrites();
    if (recoveredFiles.size() == files.size()) {
        recovery_->DiscardOrphans();
        return;
    }
    // A copy that could not be opened (short of memory, say) stays for a later start.
    for (const QString& file : recoveredFiles) QFile::remove(file);
    recovery_->ReleaseOrphans();
}

} // namespace kolvar
