#include "RecoveryStore.h"

#include "platform/kmbase/KMFileReplace.h"

#include <srctrl/IReportCtrl.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

#include <algorithm>

namespace {

const QString kSessionPrefix = QStringLiteral("session-");
const QString kLockName = QStringLiteral("lock");

// A session folder that an editor still holds is alive; one whose lock is free is left over.
bool isLeftOver(const QString& session)
{
    QLockFile lock(session + QLatin1Char('/') + kLockName);
    // Held for a whole session: only a dead holder makes it stale, never its age.
    lock.setStaleLockTime(0);
    return lock.tryLock(0);
}

// What ties a description to the document it was written with.
QString DocumentDigest(const char* data, size_t size)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(QByteArray::fromRawData(data, static_cast<qsizetype>(size)), QCryptographicHash::Sha256).toHex());
}

void removeIfEmpty(const QString& session)
{
    QDir dir(session);
    const QStringList entries = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    if (entries.isEmpty() || entries == QStringList{kLockName}) {
        dir.removeRecursively();
    }
}

// What the description keeps beside the document: the typing only when it goes with the
// document found.
void ReadSnapshotInfo(const QJsonObject& info, RecoveryStore::Recovered& recovered)
{
    recovered.instanceKept = info.value(QStringLiteral("instanceKept")).toBool();
    const auto tag = static_cast<srctrl::DWORD>(info.value(QStringLiteral("pendingTag")).toInteger());
    if (tag == 0) {
        return;
    }
    QFile file(recovered.documentPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    const QByteArray document = file.readAll();
    if (DocumentDigest(document.constData(), static_cast<size_t>(document.size())) == info.value(QStringLiteral("document")).toString()) {
        recovered.pendingTag = tag;
        recovered.pendingText = info.value(QStringLiteral("pendingText")).toString();
    }
}

} // namespace

RecoveryStore::RecoveryStore(const QString& root) : m_strRoot(root.isEmpty() ? defaultRoot() : root) {}

RecoveryStore::~RecoveryStore()
{
    close();
}

QString RecoveryStore::defaultRoot()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // The base directory specification takes only absolute paths.
    if (state.isEmpty() || QDir::isRelativePath(state)) {
        state = QDir::homePath() + QStringLiteral("/.local/state");
    }
    return state + QStringLiteral("/srreport-gui");
}

bool RecoveryStore::open(QString& error)
{
    const QString name = kSessionPrefix + QString::number(QCoreApplication::applicationPid()) + QLatin1Char('-') +
                         QUuid::createUuid().toString(QUuid::WithoutBraces).left(8);
    const QString session = m_strRoot + QLatin1Char('/') + name;
    if (!QDir().mkpath(session)) {
        error = QStringLiteral("cannot make the recovery folder %1").arg(session);
        return false;
    }
    QFile::setPermissions(m_strRoot, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    auto lock = std::make_unique<QLockFile>(session + QLatin1Char('/') + kLockName);
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        error = QStringLiteral("cannot lock the recovery folder %1").arg(session);
        return false;
    }
    m_strSession = session;
    m_lock = std::move(lock);
    return true;
}

bool RecoveryStore::write(IKMReport& report, const QString& title, const QString& originalPath, QString& error)
{
    if (!isOpen()) {
        error = QStringLiteral("no recovery folder");
        return false;
    }
    QString& id = m_ids[&report];
    if (id.isEmpty()) {
        id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    }
    const QString base = m_strSession + QLatin1Char('/') + id;
    std::shared_ptr<Pending>& pending = m_pending[&report];
    if (!pending) {
        pending = std::make_shared<Pending>();
    }
    // The typing is taken into a buffer of the store's own, which keeps its capacity: copying a
    // megabyte finding then touches no memory it did not have before.
    if (!report.GetSnapshot(m_snapshot)) {
        error = QString::fromUtf8(SrCtrlGetLastError());
        return false;
    }
    // A report waits with one copy at most: a newer one takes the place of one not yet written,
    // so a slow disk never piles copies up in memory.
    {
        const std::lock_guard<std::mutex> lock(pending->mutex);
        pending->snapshot.strDocument = std::move(m_snapshot.strDocument);
        pending->snapshot.bInstanceKept = m_snapshot.bInstanceKept;
        pending->snapshot.dwPendingTag = m_snapshot.dwPendingTag;
        std::swap(pending->snapshot.strPendingText, m_snapshot.strPendingText);
        pending->strTitle = title;
        pending->strOriginal = originalPath;
        pending->taken = QDateTime::currentDateTimeUtc();
        if (pending->bQueued) {
            return true;
        }
        pending->bQueued = true;
    }
    const std::string documentPath = QFile::encodeName(base + QStringLiteral(".dcm")).toStdString();
    const std::string infoPath = QFile::encodeName(base + QStringLiteral(".json")).toStdString();
    m_writer.post([pending, documentPath, infoPath, written = m_written] { WritePending(*pending, documentPath, infoPath, written); });
    return true;
}

void RecoveryStore::WritePending(Pending& pending, const std::string& documentPath, const std::string& infoPath,
                                 const Written& written)
{
    KMReportSnapshot snapshot;
    QJsonObject info;
    {
        const std::lock_guard<std::mutex> lock(pending.mutex);
        snapshot.strDocument.swap(pending.snapshot.strDocument);
        snapshot.strPendingText.swap(pending.snapshot.strPendingText);
        snapshot.bInstanceKept = pending.snapshot.bInstanceKept;
        snapshot.dwPendingTag = pending.snapshot.dwPendingTag;
        info.insert(QStringLiteral("title"), pending.strTitle);
        info.insert(QStringLiteral("original"), pending.strOriginal);
        info.insert(QStringLiteral("written"), pending.taken.toString(Qt::ISODateWithMs));
        pending.bQueued = false;
    }
    const std::string& document = snapshot.strDocument;
    info.insert(QStringLiteral("document"), DocumentDigest(document.data(), document.size()));
    info.insert(QStringLiteral("instanceKept"), snapshot.bInstanceKept);
    if (snapshot.dwPendingTag != 0) {
        info.insert(QStringLiteral("pendingTag"), static_cast<qint64>(snapshot.dwPendingTag));
        info.insert(QStringLiteral("pendingText"), QString::fromStdWString(snapshot.strPendingText));
    }
    // The description goes after the document, so that one found beside it describes it or an
    // earlier one, never a document not written.
    std::string reason;
    const std::string infoText = QJsonDocument(info).toJson(QJsonDocument::Compact).toStdString();
    for (const auto& [path, text] : {std::pair<const std::string&, const std::string&>{documentPath, document},
                                     {infoPath, infoText}}) {
        if (reason.empty() && KMFileReplace::Replace(path.c_str(), text, &reason) != KMFile::Error::None) {
            reason = "file not written: " + path + ": " + reason;
        }
    }
    // The typing's buffer goes back for the next copy, unless a newer copy already waits in it.
    {
        const std::lock_guard<std::mutex> lock(pending.mutex);
        if (!pending.bQueued) {
            snapshot.strPendingText.clear();
            pending.snapshot.strPendingText.swap(snapshot.strPendingText);
        }
    }
    if (written) {
        written(reason.empty(), QString::fromStdString(reason));
    }
}

void RecoveryStore::remove(IKMReport* report)
{
    m_pending.remove(report);
    const QString id = m_ids.take(report);
    if (id.isEmpty()) {
        return;
    }
    const QString base = m_strSession + QLatin1Char('/') + id;
    m_writer.post([base] {
        QFile::remove(base + QStringLiteral(".json"));
        QFile::remove(base + QStringLiteral(".dcm"));
    });
}

QList<RecoveryStore::Recovered> RecoveryStore::findRecovered() const
{
    QList<Recovered> found;
    const QDir root(m_strRoot);
    for (const QString& name : root.entryList({kSessionPrefix + QLatin1Char('*')}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString session = root.filePath(name);
        if (session == m_strSession || !isLeftOver(session)) {
            continue;
        }
        const QDir dir(session);
        for (const QString& document : dir.entryList({QStringLiteral("*.dcm")}, QDir::Files)) {
            Recovered recovered;
            recovered.documentPath = dir.filePath(document);
            recovered.infoPath = dir.filePath(QFileInfo(document).completeBaseName() + QStringLiteral(".json"));
            QFile file(recovered.infoPath);
            const QJsonObject info = file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
            recovered.title = info.value(QStringLiteral("title")).toString();
            recovered.originalPath = info.value(QStringLiteral("original")).toString();
            recovered.written = QDateTime::fromString(info.value(QStringLiteral("written")).toString(), Qt::ISODateWithMs);
            if (!recovered.written.isValid()) {
                recovered.written = QFileInfo(recovered.documentPath).lastModified();
            }
            ReadSnapshotInfo(info, recovered);
            found << recovered;
        }
        // A lock taken only to look is given back; a session with nothing left goes.
        QFile::remove(dir.filePath(kLockName));
        removeIfEmpty(session);
    }
    std::sort(found.begin(), found.end(), [](const Recovered& a, const Recovered& b) { return a.written < b.written; });
    return found;
}

bool RecoveryStore::readSnapshot(const Recovered& recovered, KMReportSnapshot& snapshot, QString& error)
{
    QFile file(recovered.documentPath);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("%1: %2").arg(recovered.documentPath, file.errorString());
        return false;
    }
    const QByteArray document = file.readAll();
    snapshot.strDocument.assign(document.constData(), static_cast<size_t>(document.size()));
    snapshot.bInstanceKept = recovered.instanceKept;
    snapshot.dwPendingTag = recovered.pendingTag;
    snapshot.strPendingText = recovered.pendingText.toStdWString();
    return true;
}

void RecoveryStore::discard(const Recovered& recovered)
{
    QFile::remove(recovered.documentPath);
    QFile::remove(recovered.infoPath);
    removeIfEmpty(QFileInfo(recovered.documentPath).absolutePath());
}

void RecoveryStore::close()
{
    if (!isOpen()) {
        return;
    }
    m_writer.finish();
    m_lock.reset();
    removeIfEmpty(m_strSession);
}
