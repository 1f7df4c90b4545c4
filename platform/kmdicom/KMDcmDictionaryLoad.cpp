#include "platform/kmdicom/KMDcmDictionaryLoad.h"

#include <dcmtk/dcmdata/dcdict.h>

#include <system_error>

KMDcmDictionaryLoad::KMDcmDictionaryLoad()
{
    try {
        m_thread = std::thread([] {
            dcmDataDict.rdlock();
            dcmDataDict.rdunlock();
        });
    } catch (const std::system_error&) {
        // No thread to spare: the dictionary is parsed by the first lookup instead.
    }
}

KMDcmDictionaryLoad::~KMDcmDictionaryLoad()
{
    if (m_thread.joinable()) {
        m_thread.join();
    }
}
