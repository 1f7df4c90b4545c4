#pragma once

#include <QObject>

#include <initializer_list>
#include <vector>

class QSocketNotifier;

// Turns the signals that end a session (SIGTERM at logout, SIGHUP when the terminal goes) into
// a Qt signal on the event loop. The handler only writes the signal's number into a pipe; all
// the work happens later, in the slot, where it is safe.
class SignalWatcher : public QObject {
    Q_OBJECT

public:
    // Installs the handler for the signals; errorString() says why when the pipe or a handler
    // could not be set up. One watcher per process; its end gives the signals their default
    // action back.
    explicit SignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    ~SignalWatcher() override;

    QString errorString() const { return m_error; }

signals:
    void received(int signalNumber);

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
    std::vector<int> m_signals;
    QString m_error;
};
