#include "platform/duilib/UIDelegate.h"

#include <algorithm>

namespace DuiLib {

void CEventSource::operator+=(const CDelegateBase& delegate)
{
    for (const auto& existing : m_vecDelegates) {
        if (existing->Equals(delegate)) {
            return;
        }
    }
    m_vecDelegates.emplace_back(delegate.Copy());
}

void CEventSource::operator-=(const CDelegateBase& delegate)
{
    m_vecDelegates.erase(std::remove_if(m_vecDelegates.begin(), m_vecDelegates.end(),
                                        [&](const auto& d) { return d->Equals(delegate); }),
                         m_vecDelegates.end());
}

void CEventSource::RemoveObject(const void* object)
{
    m_vecDelegates.erase(std::remove_if(m_vecDelegates.begin(), m_vecDelegates.end(),
                                        [&](const auto& d) { return d->GetObject() == object; }),
                         m_vecDelegates.end());
}

bool CEventSource::operator()(void* param)
{
    // Deliver to a snapshot, skipping delegates that a call removed meanwhile.
    const auto snapshot = m_vecDelegates;
    const std::shared_ptr<bool> alive = m_pAlive;
    bool all = true;
    for (const auto& delegate : snapshot) {
        if (!*alive) {
            return false;
        }
        if (std::find(m_vecDelegates.begin(), m_vecDelegates.end(), delegate) == m_vecDelegates.end()) {
            continue;
        }
        if (!delegate->Invoke(param)) {
            all = false;
        }
    }
    return all;
}

} // namespace DuiLib
