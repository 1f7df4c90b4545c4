#pragma once

#include "platform/duilib/UIDelegate.h"

#include <memory>

// A delegate that calls through a link it holds weakly: once the link is gone (its owner died or
// cut it), invoking the delegate does nothing. `Link` has bool Deliver(void* param).
template <class Link>
class KMLinkDelegate : public DuiLib::CDelegateBase {
public:
    explicit KMLinkDelegate(std::weak_ptr<Link> link) : m_link(std::move(link)) {}
    CDelegateBase* Copy() const override { return new KMLinkDelegate(*this); }
    bool Invoke(void* param) override
    {
        const std::shared_ptr<Link> link = m_link.lock();
        return link == nullptr || link->Deliver(param);
    }
    bool Equals(const CDelegateBase& other) const override
    {
        auto* same = dynamic_cast<const KMLinkDelegate*>(&other);
        return same != nullptr && !same->m_link.owner_before(m_link) && !m_link.owner_before(same->m_link);
    }
    const void* GetObject() const override { return m_link.lock().get(); }

private:
    std::weak_ptr<Link> m_link;
};
