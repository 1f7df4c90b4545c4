#include "platform/kmbase/KMReentrant.h"

#include <climits>

void KMReentrant::Retire()
{
    if (m_bRetired) {
        return;
    }
    m_bRetired = true;
    if (m_nCallDepth == 0) {
        Delete();
    }
}

void KMReentrant::Delete()
{
    // A destructor may still call into the object (a window that is destroyed is sent its last
    // messages); those calls must not see the depth fall to zero and delete it a second time.
    m_nCallDepth = INT_MAX / 2;
    delete this;
}

KMCallScope::KMCallScope(KMReentrant& object) : m_object(object)
{
    ++m_object.m_nCallDepth;
}

KMCallScope::~KMCallScope()
{
    if (--m_object.m_nCallDepth != 0) {
        return;
    }
    if (m_object.m_bRetired) {
        m_object.Delete();
    } else {
        m_object.OnCallsReturned();
    }
}
