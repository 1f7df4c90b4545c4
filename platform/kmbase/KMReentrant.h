#pragma once

// An object that a call into it may outlive: the host can close a report, or release the whole
// control, from inside a notification that the object is still sending. Such an object counts
// the calls into it that are under way (each through a KMCallScope) and, when it is retired while
// one is, is deleted only as the outermost call returns. Until then it stays valid memory, and
// calls that arrive after its retirement are told so by their scope and do nothing.
class KMReentrant {
public:
    KMReentrant() = default;
    KMReentrant(const KMReentrant&) = delete;
    KMReentrant& operator=(const KMReentrant&) = delete;

    // Deletes the object now, or as the outermost call into it returns.
    void Retire();
    bool IsRetired() const { return m_bRetired; }
    bool IsInCall() const { return m_nCallDepth > 0; }

protected:
    virtual ~KMReentrant() = default;
    // The outermost call into an object that is not retired has returned: a moment when nothing
    // of the object's is on the stack, to let go of what a call had to keep alive.
    virtual void OnCallsReturned() {}

private:
    friend class KMCallScope;
    void Delete();

    int m_nCallDepth = 0;
    bool m_bRetired = false;
};

// One call into a KMReentrant object, for the lifetime of the scope. Declare it first in the
// member function, so that it is destroyed last: that may delete the object, after which the
// function must not touch its members (returning a value computed before is fine).
class KMCallScope {
public:
    explicit KMCallScope(KMReentrant& object);
    ~KMCallScope();
    KMCallScope(const KMCallScope&) = delete;
    KMCallScope& operator=(const KMCallScope&) = delete;

    // The object was retired, before or during this call: it must do nothing more.
    bool IsRetired() const { return m_object.m_bRetired; }

private:
    KMReentrant& m_object;
};
