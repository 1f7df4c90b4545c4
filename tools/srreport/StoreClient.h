#pragma once

#include "Peer.h"

#include <set>
#include <string>
#include <vector>

class DcmDataset;
class OFCondition;
struct T_ASC_Association;
struct T_ASC_Network;
struct T_DIMSE_C_StoreRSP;

// Stores DICOM files on a peer with C-STORE through DCMTK's network module, as storage SCUs do.
// One association serves every file it can: it proposes one presentation context per SOP class
// and transfer syntax that the files need, each file's own transfer syntax first (so that a
// compressed image goes as it is stored), then explicit and implicit VR little endian. A file is
// converted (a compressed one decompressed) only when the peer accepts nothing else for it. The
// contexts are planned from the files the client is told of in advance; a file of a SOP class
// that the open association did not propose ends it and opens another.
//
// Every failure throws Failure: an input error for a file that is not DICOM or names no SOP
// instance; a network error, whose reason names the peer, for a peer that cannot be reached,
// refuses the association, does not accept the file's SOP class, or does not store the file.
// A failure while sending aborts the association; a file that met it on an association that had
// waited since the file before goes once more on a new one, as a peer may end an idle
// association. Once the peer
// could not be reached or refused an association, every later file fails with that reason at
// once. The destructor releases
// the association that is still open.
class StoreClient {
public:
    // `expected` lists the files that will be stored, in order; a file that cannot be read there
    // is left for Store to report.
    StoreClient(Peer peer, std::string callingAet, int timeoutSeconds, const std::vector<std::string>& expected);
    ~StoreClient();
    StoreClient(const StoreClient&) = delete;
    StoreClient& operator=(const StoreClient&) = delete;

    void Store(const std::string& path);

private:
    // A SOP class and a transfer syntax that a presentation context offers.
    struct Offer {
        std::string strSopClass;
        std::string strTransferSyntax;
        bool operator<(const Offer& other) const
        {
            return strSopClass != other.strSopClass ? strSopClass < other.strSopClass
                                                    : strTransferSyntax < other.strTransferSyntax;
        }
    };

    // The offers a file of that SOP class and transfer syntax needs, its own first.
    static std::vector<Offer> OffersFor(const std::string& sopClass, const std::string& transferSyntax);
    // Opens an association that proposes `first`'s offers, then those of the planned files.
    void Open(const std::string& sopClass, const std::string& transferSyntax);
    // Releases (or, after a failure on it, aborts) the open association.
    void Close(bool release);
    // Sends the file's dataset on the open association, converted to what the peer accepts for
    // it; throws Failure when the peer accepts nothing for it or the conversion fails.
    OFCondition Send(const std::string& path, DcmDataset& dataset, const std::string& sopClass,
                     const std::string& sopInstance, const std::string& ownSyntax, T_DIMSE_C_StoreRSP& response);
    std::string Name() const;
    // Fails every later file at once once the peer could not be reached or refused the
    // association, rather than waiting for it again for each file.
    [[noreturn]] void Unreachable(const std::string& reason);

    Peer m_peer;
    std::string m_strCallingAet;
    int m_nTimeout;
    std::vector<Offer> m_vecPlanned;
    T_ASC_Network* m_pNetwork = nullptr;
    T_ASC_Association* m_pAssociation = nullptr;
    // The SOP classes the open association proposed.
    std::set<std::string> m_setProposed;
    std::string m_strUnreachable;
};
