#include "platform/kmdicom/KMDcmVerifiers.h"

#include "platform/kmbase/KMLastError.h"
#include "platform/kmdicom/KMDcmDataset.h"
#include "platform/kmdicom/KMDcmLog.h"
#include "platform/kmdicom/KMDcmTags.h"
#include "platform/kmdicom/KMDcmVR.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcitem.h>
#include <dcmtk/dcmdata/dcsequen.h>

#include <vector>

bool KMDcmVerifiers::Get(const KMDcmDataset& dataset, DWORD tag, std::wstring& value)
{
    value.clear();
    DcmSequenceOfItems* sequence = nullptr;
    if (dataset.GetItem() == nullptr ||
        dataset.GetItem()->findAndGetSequence(DCM_VerifyingObserverSequence, sequence).bad() || sequence == nullptr) {
        return false;
    }
    bool found = false;
    DcmObject* observer = nullptr;
    while ((observer = sequence->nextInContainer(observer)) != nullptr) {
        KMDcmDataset item;
        item.Bind(static_cast<DcmItem*>(observer), dataset.GetRoot());
        std::wstring one;
        if (!item.GetString(tag, one, 0) || one.empty()) {
            continue;
        }
        if (tag == KMDcmTag::VerifyingObserverName) {
            value += (found ? L"\\" : L"") + one;
        } else if (tag != KMDcmTag::VerifyingOrganization) {
            value = found ? value : one;
        } else if ((L"; " + value + L"; ").find(L"; " + one + L"; ") == std::wstring::npos) {
            value += (found ? L"; " : L"") + one;
        }
        found = true;
    }
    return found;
}

bool KMDcmVerifiers::Set(KMDcmDataset& dataset, DWORD tag, const wchar_t* value)
{
    const KMDcmLog quiet;
    DcmItem* root = dataset.GetItem();
    if (root == nullptr || value == nullptr) {
        return false;
    }
    if (*value == L'\0') {
        DcmSequenceOfItems* sequence = nullptr;
        if (root->findAndGetSequence(DCM_VerifyingObserverSequence, sequence).bad() || sequence == nullptr) {
            return true;
        }
        std::vector<DcmItem*> emptied;
        DcmObject* observer = nullptr;
        while ((observer = sequence->nextInContainer(observer)) != nullptr) {
            auto* item = static_cast<DcmItem*>(observer);
            item->findAndDeleteElement(DcmTagKey(static_cast<Uint16>(tag >> 16), static_cast<Uint16>(tag)));
            if (!item->tagExists(DCM_VerifyingObserverName) && !item->tagExists(DCM_VerifyingOrganization) &&
                !item->tagExists(DCM_VerificationDateTime)) {
                emptied.push_back(item);
            }
        }
        for (DcmItem* item : emptied) {
            delete sequence->remove(item);
        }
        if (sequence->card() == 0) {
            root->findAndDeleteElement(DCM_VerifyingObserverSequence);
        }
        return true;
    }
    // Checked before the sequence is made, so that a refused value leaves no empty item behind.
    std::string reason;
    if (!KMDcmVR(tag).Check(value, reason)) {
        KMLastError::Set(reason);
        return false;
    }
    KMDcmDataset item;
    if (!dataset.GetOrCreateSequenceItem(KMDcmTag::VerifyingObserverSequence, item, 0)) {
        return false;
    }
    if (!item.GetItem()->tagExists(DCM_VerifyingObserverIdentificationCodeSequence)) {
        item.GetItem()->insertEmptyElement(DCM_VerifyingObserverIdentificationCodeSequence);
    }
    return item.SetString(tag, value);
}
