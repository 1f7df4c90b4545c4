#include "RecoveryStore.h"

#include "platform/kmbase/KMFileReplace.h"

#include <srctrl/IReportCtrl.h>

#include <QCoreApplication>
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

void removeIfEmpty(const QString& session)
{
    QDir dir(session);
    const QStringList entries = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    if (entries.isEmpty() || entries == QStringList{kLockName}) {
        dir.removeRecursively();
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
    // The document's bytes as they are now: encoding them is not saving the report, which keeps
    // its identity and its state for the person's own Save.
    std::string bytes;
    if (!report.GetDcmSR()->SaveToBuffer(bytes)) {
        error = QString::fromUtf8(SrCtrlGetLastError());
        return false;
    }
    QJsonObject info;
    info.insert(QStringLiteral("title"), title);
    info.insert(QStringLiteral("original"), originalPath);
    info.insert(QStringLiteral("written"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    // A report waits with one copy at most: a newer one takes the place of one not yet written,
    // so a slow disk never piles copies up in memory. The files are written on the store's
    // thread, through the same file-replacing writer as every other output.
    std::shared_ptr<Pending>& pending = m_pending[&report];
    if (!pending) {
        pending = std::make_shared<Pending>();
    }
    {
        const std::lock_guard<std::mutex> lock(pending->mutex);
        pending->strDocument = std::move(bytes);
        pending->strInfo = QJsonDocument(info).toJson().toStdString();
        if (pending->bQueued) {
            return true;
        }
        pending->bQueued = true;
    }
    const std::string documentPath = QFile::encodeName(base + QStringLiteral(".dcm")).toStdString();
    const std::string infoPath = QFile::encodeName(base + QStringLiteral(".json")).toStdString();
    m_writer.post([pending, documentPath, infoPath, written = m_written] {
        std::string document;
        std::string infoText;
        {
            const std::lock_guard<std::mutex> lock(pending->mutex);
            document = std::move(pending->strDocument);
            infoText = std::move(pending->strInfo);
            pending->bQueued = false;
        }
        std::string reason;
        for (const auto& [path, text] : {std::pair<const std::string&, const std::string&>{documentPath, document},
                                         {infoPath, infoText}}) {
            if (reason.empty() && KMFileReplace::Replace(path.c_str(), text, &reason) != KMFile::Error::None) {
                reason = "file not written: " + path + ": " + reason;
            }
        }
        if (written) {
            written(reason.empty(), QString::fromStdString(reason));
        }
    });
    return true;
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
            found << recovered;
        }
        // A lock taken only to look is given back; a session with nothing left goes.
        QFile::remove(dir.filePath(kLockName));
        removeIfEmpty(session);
    }
    std::sort(found.begin(), found.end(), [](const Recovered& a, const Recovered& b) { return a.written < b.written; });
    return found;
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
