#pragma once

#include "Peer.h"

#include <string>

struct T_ASC_Network;

// Sends DICOM files to a peer with C-STORE, one association per file, through DCMTK's network
// module. Every failure throws Failure: an input error for a file that is not DICOM, a network
// error for a peer that cannot be reached, refuses the association or does not store the file.
class StoreClient {
public:
    StoreClient(Peer peer, std::string callingAet, int timeoutSeconds);
    ~StoreClient();
    StoreClient(const StoreClient&) = delete;
    StoreClient& operator=(const StoreClient&) = delete;

    void Store(const std::string& path);

private:
    Peer m_peer;
    std::string m_strCallingAet;
    int m_nTimeout;
    T_ASC_Network* m_pNetwork = nullptr;
};
