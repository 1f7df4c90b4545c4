#pragma once

#include <QObject>
#include <QSet>
#include <QTimer>

#include <functional>

class IKMReport;

// When reports with unsaved changes are written to the recovery folder: once typing pauses for
// a second, and, while typing goes on, four seconds after the first change not yet written, so
// that a change is written within five seconds and writes come at most once a second. The
// writing itself is the owner's (`write`, called for each report that changed).
class Autosaver : public QObject {
    Q_OBJECT

public:
    static constexpr int kPauseMs = 1000;
    static constexpr int kLongestWaitMs = 4000;

    explicit Autosaver(std::function<void(IKMReport*)> write, QObject* parent = nullptr);

    // The report may have changed (a key, a command, a value the control told).
    void changed(IKMReport* report);
    // The report went or was saved: nothing is to be written for it.
    void forget(IKMReport* report);
    // Writes every report that changed, now.
    void flush();

private:
    std::function<void(IKMReport*)> m_write;
    QSet<IKMReport*> m_changed;
    QTimer m_pause;
    QTimer m_deadline;
};
