#include "StoreClient.h"

#include "DicomInput.h"
#include "Failure.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcmetinf.h>
#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmdata/dcxfer.h>
#include <dcmtk/dcmnet/assoc.h>
#include <dcmtk/dcmnet/dimse.h>
#include <dcmtk/dcmnet/diutil.h>
#include <dcmtk/dcmnet/dul.h>

#include <cstdio>
#include <utility>

namespace {

// Presentation context IDs are the odd numbers 1 to 255.
constexpr size_t kMaxContexts = 128;

// What a peer accepts when it accepts nothing else, in the order a file is converted to them.
const char* const kFallbacks[] = {UID_LittleEndianExplicitTransferSyntax, UID_LittleEndianImplicitTransferSyntax};

Failure NetworkError(const std::string& message)
{
    return Failure(ExitCode::Network, message);
}

std::string StatusText(Uint16 status)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04X", status);
    return std::string("status 0x") + hex + " " + DU_cstoreStatusString(status);
}

std::string SyntaxName(const std::string& uid)
{
    return dcmFindNameOfUID(uid.c_str(), uid.c_str());
}

} // namespace

StoreClient::StoreClient(Peer peer, std::string callingAet, int timeoutSeconds, const std::vector<std::string>& expected)
    : m_peer(std::move(peer)), m_strCallingAet(std::move(callingAet)), m_nTimeout(timeoutSeconds)
{
    // The file meta header names what a file needs without reading the file itself.
    std::set<Offer> seen;
    for (const std::string& path : expected) {
        DcmMetaInfo meta;
        OFString sopClass;
        OFString syntax;
        if (meta.loadFile(path.c_str()).bad() || meta.findAndGetOFString(DCM_MediaStorageSOPClassUID, sopClass).bad() ||
            meta.findAndGetOFString(DCM_TransferSyntaxUID, syntax).bad()) {
            continue;
        }
        for (const Offer& offer : OffersFor(sopClass.c_str(), syntax.c_str())) {
            if (seen.insert(offer).second) {
                m_vecPlanned.push_back(offer);
            }
        }
    }
    // A peer that does not answer must not hold the command forever.
    dcmConnectionTimeout.set(m_nTimeout);
    const OFCondition status = ASC_initializeNetwork(NET_REQUESTOR, 0, m_nTimeout, &m_pNetwork);
    if (status.bad()) {
        throw NetworkError(std::string("cannot start the DICOM network: ") + status.text());
    }
}

StoreClient::~StoreClient()
{
    Close(true);
    ASC_dropNetwork(&m_pNetwork);
}

std::string StoreClient::Name() const
{
    return m_peer.strAet + "@" + m_peer.Address();
}

std::vector<StoreClient::Offer> StoreClient::OffersFor(const std::string& sopClass, const std::string& transferSyntax)
{
    std::vector<Offer> offers;
    if (!transferSyntax.empty() && transferSyntax != kFallbacks[0] && transferSyntax != kFallbacks[1]) {
        offers.push_back({sopClass, transferSyntax});
    }
    for (const char* fallback : kFallbacks) {
        offers.push_back({sopClass, fallback});
    }
    return offers;
}

void StoreClient::Close(bool release)
{
    if (m_pAssociation == nullptr) {
        return;
    }
    if (!release || ASC_releaseAssociation(m_pAssociation).bad()) {
        ASC_abortAssociation(m_pAssociation);
    }
    ASC_destroyAssociation(&m_pAssociation);
    m_setProposed.clear();
}

void StoreClient::Open(const std::string& sopClass, const std::string& transferSyntax)
{
    T_ASC_Parameters* params = nullptr;
    OFCondition status = ASC_createAssociationParameters(&params, ASC_DEFAULTMAXPDU);
    if (status.bad()) {
        throw NetworkError(std::string("cannot prepare an association: ") + status.text());
    }
    ASC_setAPTitles(params, m_strCallingAet.c_str(), m_peer.strAet.c_str(), nullptr);
    ASC_setPresentationAddresses(params, OFStandard::getHostName().c_str(), m_peer.Address().c_str());
    std::vector<Offer> offers = OffersFor(sopClass, transferSyntax);
    offers.insert(offers.end(), m_vecPlanned.begin(), m_vecPlanned.end());
    std::set<Offer> proposed;
    for (const Offer& offer : offers) {
        if (proposed.size() == kMaxContexts) {
            break;
        }
        if (!proposed.insert(offer).second) {
            continue;
        }
        const char* syntax = offer.strTransferSyntax.c_str();
        const auto id = static_cast<T_ASC_PresentationContextID>(2 * proposed.size() - 1);
        status = ASC_addPresentationContext(params, id, offer.strSopClass.c_str(), &syntax, 1);
        if (status.bad()) {
            ASC_destroyAssociationParameters(&params);
            throw NetworkError(std::string("cannot prepare an association: ") + status.text());
        }
        m_setProposed.insert(offer.strSopClass);
    }

    status = ASC_requestAssociation(m_pNetwork, params, &m_pAssociation);
    if (status.good()) {
        return;
    }
    std::string reason = status.text();
    if (status == DUL_ASSOCIATIONREJECTED) {
        T_ASC_RejectParameters reject;
        ASC_getRejectParameters(params, &reject);
        OFString text;
        ASC_printRejectParameters(text, &reject);
        reason = text.c_str();
    }
    m_setProposed.clear();
    if (m_pAssociation != nullptr) {
        ASC_destroyAssociation(&m_pAssociation);
    } else {
        ASC_destroyAssociationParameters(&params);
    }
    Unreachable(status == DUL_ASSOCIATIONREJECTED ? Name() + " refused the association (" + reason + ")"
                                                   : "cannot reach " + m_peer.Address() + ": " + reason);
}

void StoreClient::Unreachable(const std::string& reason)
{
    m_strUnreachable = reason;
    throw NetworkError(reason);
}

OFCondition StoreClient::Send(const std::string& path, DcmDataset& dataset, const std::string& sopClass,
                              const std::string& sopInstance, const std::string& ownSyntax, T_DIMSE_C_StoreRSP& response)
{
    // DCMTK picks the context: the file's own transfer syntax where the peer took it, otherwise
    // explicit, then implicit VR little endian.
    const T_ASC_PresentationContextID context =
        ASC_findAcceptedPresentationContextID(m_pAssociation, sopClass.c_str(), ownSyntax.c_str());
    T_ASC_PresentationContext accepted;
    if (context == 0 || ASC_findAcceptedPresentationContext(m_pAssociation->params, context, &accepted).bad()) {
        throw NetworkError(m_peer.strAet + " does not accept " + SyntaxName(sopClass) + " instances");
    }
    const E_TransferSyntax own = dataset.getOriginalXfer();
    const E_TransferSyntax wanted = DcmXfer(accepted.acceptedTransferSyntax).getXfer();
    if (wanted != own && (dataset.chooseRepresentation(wanted, nullptr).bad() || !dataset.canWriteXfer(wanted, own))) {
        throw NetworkError("cannot convert " + path + " from " + SyntaxName(ownSyntax) + " to " +
                           DcmXfer(wanted).getXferName() + ", the only transfer syntax " + m_peer.strAet +
                           " accepts for it");
    }
    T_DIMSE_C_StoreRQ request{};
    request.MessageID = m_pAssociation->nextMsgID++;
    OFStandard::strlcpy(request.AffectedSOPClassUID, sopClass.c_str(), sizeof request.AffectedSOPClassUID);
    OFStandard::strlcpy(request.AffectedSOPInstanceUID, sopInstance.c_str(), sizeof request.AffectedSOPInstanceUID);
    request.DataSetType = DIMSE_DATASET_PRESENT;
    request.Priority = DIMSE_PRIORITY_MEDIUM;
    DcmDataset* detail = nullptr;
    const OFCondition status = DIMSE_storeUser(m_pAssociation, context, &request, nullptr, &dataset, nullptr, nullptr,
                                               DIMSE_BLOCKING, m_nTimeout, &response, &detail);
    delete detail;
    return status;
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
    const E_TransferSyntax own = dataset->getOriginalXfer();
    const std::string ownSyntax = own != EXS_Unknown ? DcmXfer(own).getXferID() : "";

    if (!m_strUnreachable.empty()) {
        throw NetworkError(m_strUnreachable);
    }
    T_DIMSE_C_StoreRSP response{};
    while (true) {
        const bool reused = m_pAssociation != nullptr && m_setProposed.count(sopClass.c_str()) != 0;
        if (!reused) {
            Close(true);
            Open(sopClass.c_str(), ownSyntax);
        }
        const OFCondition status = Send(path, *dataset, sopClass.c_str(), sopInstance.c_str(), ownSyntax, response);
        if (status.good()) {
            break;
        }
        Close(false);
        // A peer may end an association that waited between two files: the file goes once more
        // on a new one.
        if (!reused) {
            throw NetworkError("sending " + path + " to " + Name() + " failed: " + status.text());
        }
    }
    // Warnings (0xB...) mean the peer stored the instance, perhaps with coercions.
    if (response.DimseStatus != STATUS_Success && (response.DimseStatus & 0xF000) != 0xB000) {
        throw NetworkError(m_peer.strAet + " did not store " + path + " (" + StatusText(response.DimseStatus) + ")");
    }
}
