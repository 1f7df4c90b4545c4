#include "StoreClient.h"

#include "DicomInput.h"
#include "Failure.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmdata/dcxfer.h>
#include <dcmtk/dcmnet/assoc.h>
#include <dcmtk/dcmnet/dimse.h>
#include <dcmtk/dcmnet/diutil.h>
#include <dcmtk/dcmnet/dul.h>

#include <cstdio>
#include <utility>
#include <vector>

namespace {

// One association, aborted when a failure leaves it open and always freed.
class Association {
public:
    explicit Association(T_ASC_Parameters* params) : m_pParams(params) {}
    ~Association()
    {
        if (m_pAssoc != nullptr) {
            if (m_bOpen) {
                ASC_abortAssociation(m_pAssoc);
            }
            ASC_destroyAssociation(&m_pAssoc);
        } else if (m_pParams != nullptr) {
            ASC_destroyAssociationParameters(&m_pParams);
        }
    }
    Association(const Association&) = delete;
    Association& operator=(const Association&) = delete;

    T_ASC_Parameters* Params() { return m_pParams; }
    T_ASC_Association** Out() { return &m_pAssoc; }
    T_ASC_Association* Get() { return m_pAssoc; }
    void SetOpen(bool open) { m_bOpen = open; }

private:
    T_ASC_Parameters* m_pParams;
    T_ASC_Association* m_pAssoc = nullptr;
    bool m_bOpen = false;
};

Failure NetworkError(const std::string& message)
{
    return Failure(ExitCode::Network, message);
}

// The file's own transfer syntax first, so that nothing needs converting, then the two that
// every peer accepts.
std::vector<std::string> TransferSyntaxes(E_TransferSyntax own)
{
    std::vector<std::string> syntaxes;
    const DcmXfer xfer(own);
    if (own != EXS_Unknown) {
        syntaxes.emplace_back(xfer.getXferID());
    }
    for (const char* uid : {UID_LittleEndianExplicitTransferSyntax, UID_LittleEndianImplicitTransferSyntax}) {
        if (syntaxes.empty() || syntaxes.front() != uid) {
            syntaxes.emplace_back(uid);
        }
    }
    return syntaxes;
}

std::string StatusText(Uint16 status)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04X", status);
    return std::string("status 0x") + hex + " " + DU_cstoreStatusString(status);
}

} // namespace

StoreClient::StoreClient(Peer peer, std::string callingAet, int timeoutSeconds)
    : m_peer(std::move(peer)), m_strCallingAet(std::move(callingAet)), m_nTimeout(timeoutSeconds)
{
    // A peer that does not answer must not hold the command forever.
    dcmConnectionTimeout.set(m_nTimeout);
    const OFCondition status = ASC_initializeNetwork(NET_REQUESTOR, 0, m_nTimeout, &m_pNetwork);
    if (status.bad()) {
        throw NetworkError(std::string("cannot start the DICOM network: ") + status.text());
    }
}

StoreClient::~StoreClient()
{
    ASC_dropNetwork(&m_pNetwork);
}

void StoreClient::Store(const std::string& path)
{
    const auto file = DicomInput::Load(path);
    DcmDataset* dataset = file->getDataset();
    OFString sopClass;
    OFString sopInstance;
    dataset->findAndGetOFString(DCM_SOPClassUID, sopClass);
    dataset->findAndGetOFString(DCM_SOPInstanceUID, sopInstance);
    if (sopClass.empty() || sopInstance.empty()) {
        throw Failure(ExitCode::Input, "cannot send " + path + ": it has no SOP Class or SOP Instance UID");
    }

    T_ASC_Parameters* params = nullptr;
    OFCondition status = ASC_createAssociationParameters(&params, ASC_DEFAULTMAXPDU);
    if (status.bad()) {
        throw NetworkError(std::string("cannot prepare an association: ") + status.text());
    }
    Association association(params);
    ASC_setAPTitles(params, m_strCallingAet.c_str(), m_peer.strAet.c_str(), nullptr);
    ASC_setPresentationAddresses(params, OFStandard::getHostName().c_str(), m_peer.Address().c_str());
    const std::vector<std::string> syntaxes = TransferSyntaxes(dataset->getOriginalXfer());
    std::vector<const char*> syntaxPointers;
    for (const std::string& syntax : syntaxes) {
        syntaxPointers.push_back(syntax.c_str());
    }
    status = ASC_addPresentationContext(params, 1, sopClass.c_str(), syntaxPointers.data(),
                                        static_cast<int>(syntaxPointers.size()));
    if (status.bad()) {
        throw NetworkError(std::string("cannot prepare an association: ") + status.text());
    }

    status = ASC_requestAssociation(m_pNetwork, params, association.Out());
    if (status == DUL_ASSOCIATIONREJECTED) {
        T_ASC_RejectParameters reject;
        ASC_getRejectParameters(params, &reject);
        OFString reason;
        ASC_printRejectParameters(reason, &reject);
        throw NetworkError(m_peer.strAet + "@" + m_peer.Address() + " refused the association (" + reason.c_str() + ")");
    }
    if (status.bad()) {
        throw NetworkError("cannot reach " + m_peer.Address() + ": " + status.text());
    }
    association.SetOpen(true);
    const T_ASC_PresentationContextID context = ASC_findAcceptedPresentationContextID(association.Get(), sopClass.c_str());
    if (context == 0) {
        throw NetworkError(m_peer.strAet + " does not accept " + dcmFindNameOfUID(sopClass.c_str(), sopClass.c_str()) +
                           " instances");
    }

    T_ASC_PresentationContext accepted;
    ASC_findAcceptedPresentationContext(association.Get()->params, context, &accepted);
    const E_TransferSyntax wanted = DcmXfer(accepted.acceptedTransferSyntax).getXfer();
    if (wanted != dataset->getOriginalXfer() && dataset->chooseRepresentation(wanted, nullptr).bad()) {
        throw NetworkError("cannot convert " + path + " to a transfer syntax " + m_peer.strAet + " accepts");
    }

    T_DIMSE_C_StoreRQ request{};
    request.MessageID = association.Get()->nextMsgID++;
    OFStandard::strlcpy(request.AffectedSOPClassUID, sopClass.c_str(), sizeof request.AffectedSOPClassUID);
    OFStandard::strlcpy(request.AffectedSOPInstanceUID, sopInstance.c_str(), sizeof request.AffectedSOPInstanceUID);
    request.DataSetType = DIMSE_DATASET_PRESENT;
    request.Priority = DIMSE_PRIORITY_MEDIUM;
    T_DIMSE_C_StoreRSP response{};
    DcmDataset* detail = nullptr;
    status = DIMSE_storeUser(association.Get(), context, &request, nullptr, dataset, nullptr, nullptr, DIMSE_BLOCKING,
                             m_nTimeout, &response, &detail);
    delete detail;
    if (status.bad()) {
        throw NetworkError("sending " + path + " failed: " + status.text());
    }
    // Warnings (0xB...) mean the peer stored the instance, perhaps with coercions.
    if (response.DimseStatus != STATUS_Success && (response.DimseStatus & 0xF000) != 0xB000) {
        throw NetworkError(m_peer.strAet + " did not store " + path + " (" + StatusText(response.DimseStatus) + ")");
    }
    if (ASC_releaseAssociation(association.Get()).good()) {
        association.SetOpen(false);
    }
}
