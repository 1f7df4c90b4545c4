#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QLockFile>
#include <QString>

#include "BackgroundWriter.h"

#include <srctrl/KMReportSnapshot.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>

class IKMReport;

// The editor's recovery folder: copies of reports with unsaved changes, from which a later
// start restores what a crash, a kill or the end of the session would have lost. It lies under
// $XDG_STATE_HOME (by default ~/.local/state) in "srreport-gui/". Each running editor writes into
// a session folder of its own, which it holds locked (QLockFile) while it runs; a session folder
// that no living editor holds is one that ended without cleaning up, and its reports are offered
// for recovery. A report's copy is its SR document as it stands (written by the control's own
// file writer, which replaces the file in one step) and a description beside it, written after
// it: what the report is called, the file it belongs to, when it was written, and the typing the
// document did not hold yet (IKMReport::GetSnapshot), with the SHA-256 of the document it goes
// with. Typing in a long finding is thus kept without taking it into the document, which would
// make a keystroke wait. Only the snapshot is taken on the caller's thread; the description is
// made, and both are put on disk, on a thread of the store's own, in order, so that typing never
// waits for the disk.
class RecoveryStore {
public:
    // A report found in a session that ended.
    struct Recovered {
        QString documentPath;
        QString infoPath;
        QString title;
        QString originalPath;  // empty for a report that was never saved
        QDateTime written;
        // Whether the document's instance was kept, and what was typed that it did not hold:
        // what IReportCtrl::OpenReportSnapshot needs beside the document. Typing that went with
        // an earlier document than the one found (the editor ended between writing the two
        // files: the document found is the newer) is not taken.
        bool instanceKept = false;
        srctrl::DWORD pendingTag = 0;
        QString pendingText;
    };

    // `root` empty: the folder under $XDG_STATE_HOME.
    explicit RecoveryStore(const QString& root = QString());
    ~RecoveryStore();
    RecoveryStore(const RecoveryStore&) = delete;
    RecoveryStore& operator=(const RecoveryStore&) = delete;

    // Creates and locks this session's folder; false, with the reason in `error`, when the
    // folder cannot be made (nothing is autosaved then).
    bool open(QString& error);
    bool isOpen() const { return m_lock != nullptr; }
    QString sessionPath() const { return m_strSession; }

    // Tells how each write ended: true, or false with the reason. Called on the store's writing
    // thread; the handler passes it on to its own thread.
    using Written = std::function<void(bool ok, const QString& reason)>;
    void setWrittenHandler(Written handler) { m_written = std::move(handler); }

    // Takes the report's snapshot (IKMReport::GetSnapshot) and has it written with its
    // description; false with the control's reason in `error` when it cannot
    // be encoded. How the writing ends goes to the Written handler.
    bool write(IKMReport& report, const QString& title, const QString& originalPath, QString& error);
    // The report was saved or closed without saving: its copy goes, after any write of it still
    // under way.
    void remove(IKMReport* report);
    // Returns once every write and removal asked for so far is done.
    void flush() { m_writer.finish(); }
    bool has(IKMReport* report) const { return m_ids.contains(report); }

    // The reports of sessions that ended without cleaning up, oldest first.
    QList<Recovered> findRecovered() const;
    // A recovered report's snapshot, for IReportCtrl::OpenReportSnapshot; false, with the reason,
    // when its document cannot be read.
    static bool readSnapshot(const Recovered& recovered, KMReportSnapshot& snapshot, QString& error);
    // Removes a recovered report's files (and its session folder once it is empty).
    static void discard(const Recovered& recovered);

    // The session ends: its folder goes when no copy is left in it; copies left (a signal asked
    // the editor to end) stay for the next start.
    void close();

    static QString defaultRoot();

private:
    QString m_strRoot;
    QString m_strSession;
    std::unique_ptr<QLockFile> m_lock;
    // The newest copy of a report that waits for the writing thread.
    struct Pending {
        std::mutex mutex;
        KMReportSnapshot snapshot;
        QString strTitle;
        QString strOriginal;
        QDateTime taken;
        bool bQueued = false;
    };
    // Writes a copy taken from `pending`, on the writing thread.
    static void WritePending(Pending& pending, const std::string& documentPath, const std::string& infoPath,
                             const Written& written);

    // Where the next snapshot is taken; its typing's buffer changes places with the pending
    // copy's.
    KMReportSnapshot m_snapshot;
    QHash<IKMReport*, QString> m_ids;
    QHash<IKMReport*, std::shared_ptr<Pending>> m_pending;
    Written m_written;
    // Last: destroyed first, it finishes what is under way while the rest still stands.
    BackgroundWriter m_writer;
};
