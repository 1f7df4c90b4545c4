#pragma once

#include "platform/Export.h"

#include <memory>
#include <vector>

namespace DuiLib {

// A call to a member function `bool (O::*)(void*)` of one object. Two delegates are equal when
// they name the same object and the same function.
class SRCTRL_API CDelegateBase {
public:
    virtual ~CDelegateBase() = default;
    virtual CDelegateBase* Copy() const = 0;
    virtual bool Invoke(void* param) = 0;
    virtual bool Equals(const CDelegateBase& other) const = 0;
    virtual const void* GetObject() const = 0;
};

template <class O, class T = void*>
class CDelegate : public CDelegateBase {
public:
    using Fn = bool (O::*)(T);
    CDelegate(O* object, Fn fn) : m_pObject(object), m_pFn(fn) {}

    CDelegateBase* Copy() const override { return new CDelegate(*this); }
    bool Invoke(void* param) override { return (m_pObject->*m_pFn)(static_cast<T>(param)); }
    bool Equals(const CDelegateBase& other) const override
    {
        auto* same = dynamic_cast<const CDelegate*>(&other);
        return same != nullptr && same->m_pObject == m_pObject && same->m_pFn == m_pFn;
    }
    const void* GetObject() const override { return m_pObject; }

private:
    O* m_pObject;
    Fn m_pFn;
};

template <class O, class T>
CDelegate<O, T> MakeDelegate(O* object, bool (O::*fn)(T))
{
    return CDelegate<O, T>(object, fn);
}

// The delegates listening to one event of a control, called in the order they were added.
// Removing a delegate while the event is being delivered is safe: it is skipped from then on.
// So is destroying the event source (its control) from inside a delegate: delivery stops.
class SRCTRL_API CEventSource {
public:
    CEventSource() : m_pAlive(std::make_shared<bool>(true)) {}
    ~CEventSource() { *m_pAlive = false; }
    CEventSource(const CEventSource&) = delete;
    CEventSource& operator=(const CEventSource&) = delete;

    // Adds a copy of the delegate; one that is already there is not added twice.
    void operator+=(const CDelegateBase& delegate);
    void operator-=(const CDelegateBase& delegate);
    // Removes every delegate bound to `object`.
    void RemoveObject(const void* object);
    bool IsEmpty() const { return m_vecDelegates.empty(); }

    // Calls every delegate; false when one of them returned false.
    bool operator()(void* param);

private:
    std::vector<std::shared_ptr<CDelegateBase>> m_vecDelegates;
    std::shared_ptr<bool> m_pAlive;
};

} // namespace DuiLib
