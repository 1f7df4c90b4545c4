#include "Autosaver.h"

#include <utility>

Autosaver::Autosaver(std::function<void(IKMReport*)> write, QObject* parent) : QObject(parent), m_write(std::move(write))
{
    for (QTimer* timer : {&m_pause, &m_deadline}) {
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, &Autosaver::flush);
    }
    m_pause.setInterval(kPauseMs);
    m_deadline.setInterval(kLongestWaitMs);
}

void Autosaver::changed(IKMReport* report)
{
    if (report == nullptr) {
        return;
    }
    m_changed.insert(report);
    m_pause.start();
    if (!m_deadline.isActive()) {
        m_deadline.start();
    }
}

void Autosaver::forget(IKMReport* report)
{
    m_changed.remove(report);
}

void Autosaver::flush()
{
    m_pause.stop();
    m_deadline.stop();
    // Writing may tell of changes (a value held back until the document is read): those are
    // in what is being written.
    const QSet<IKMReport*> reports = std::exchange(m_changed, {});
    for (IKMReport* report : reports) {
        m_write(report);
    }
    m_changed.clear();
    m_pause.stop();
    m_deadline.stop();
}
