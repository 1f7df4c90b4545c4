#pragma once

#include "platform/Export.h"
#include "platform/kmdicom/KMDcmFile.h"

#include <string>

class DcmItem;
class KMDcmVR;

// A Basic Text SR document held in its dataset: the dataset is the one store, so a host that
// edits GetDataset() directly, copies another dataset in, or loads a file sees the same document
// as the accessors below.
//
// Built as an empty document: SOP Class Basic Text SR, Modality "SR", the root CONTAINER titled
// (18748-4, LN, "Diagnostic Imaging Report") and the patient, study, series, equipment and
// document attributes that DICOM requires to be present, empty. The caller sets the UIDs, dates
// and flags it wants.
//
// Where the values live:
// - Finding and Conclusion: TEXT items (121071, DCM, "Finding") and (121077, DCM, "Conclusion")
//   that the root CONTAINS;
// - author observer name: a PNAME observation context item (121008, DCM, "Person Observer Name");
// - acquisition modality: a TEXT observation context item (121139, DCM, "Modality"); the
//   dataset's own Modality stays "SR";
// - verifying observer name, organization and verification date-time: (0040,A075), (0040,A027)
//   and (0040,A030) of the first Verifying Observer Sequence (0040,A073) item, which also holds
//   an empty (0040,A088). DICOM allows that sequence only in a verified document: until the
//   verification, name and organization wait in HAS OBS CONTEXT items of the local scheme
//   99SRCTRL (VERIFIER, a PNAME, and VERIFIER ORG, a TEXT), and VerifyDocument moves them
//   into the sequence.
// Setting an empty text removes the value. Getters give false and an empty text for a value the
// document does not have. A setter refuses, with false and nothing changed, a text that the
// value's representation cannot hold (KMDcmVR of the element gives the reason): Finding,
// Conclusion and the acquisition modality are UT (TextValue (0040,A160): up to 4 GiB, line
// breaks and backslashes included), the author and verifying observer names PN (PersonName
// (0040,A123) and (0040,A075): 64 characters per component group, no backslash), the
// organization LO (64 characters) and the verification date-time DT.
class SRCTRL_API KMDcmSR : public KMDcmFile {
public:
    KMDcmSR();

    // Takes in every element of `dataset` (top level, SR content included); for a tag that both
    // have, the value of `dataset` wins. Texts are kept readable across different character
    // sets, converting this document to ISO_IR 192 when needed. False for null or an unbound
    // dataset, and when a conversion fails; the document is then unchanged.
    bool Copy(const KMDcmDataset* dataset);

    bool IsCompleted() const;
    bool IsVerified() const;

    // Sets the Completion Flag to "COMPLETE".
    bool CompleteDocument();
    // Marks the document VERIFIED (and COMPLETE, which DICOM requires of a verified document).
    // Needs a verifying observer name and organization; a missing verification date-time is set
    // to now. False, with nothing changed, when the name or organization is missing.
    bool VerifyDocument();

    bool GetFinding(std::wstring& value) const;
    bool SetFinding(const wchar_t* value);
    bool GetConclusion(std::wstring& value) const;
    bool SetConclusion(const wchar_t* value);
    bool GetAuthorObserverName(std::wstring& value) const;
    bool SetAuthorObserverName(const wchar_t* value);
    bool GetVerifyingObserverName(std::wstring& value) const;
    bool SetVerifyingObserverName(const wchar_t* value);
    bool GetVerifyingOrganization(std::wstring& value) const;
    bool SetVerifyingOrganization(const wchar_t* value);
    bool GetVerificationDateTime(std::wstring& value) const;
    bool SetVerificationDateTime(const wchar_t* value);
    bool GetAcquisitionModality(std::wstring& value) const;
    bool SetAcquisitionModality(const wchar_t* value);

    // The value of a tag wherever the document keeps it: the report's private tags (0721,1001)
    // finding, (0721,1002) conclusion and (0721,1004) author in the SR content, the verifier's
    // tags in the verifier record, Modality (0008,0060) as the acquisition modality, and every
    // other tag in the dataset element of that tag (its whole value, all value numbers). The one
    // place that routes a tag: the control and the binding read and write through it. False as
    // the accessor it routes to gives false.
    bool GetValue(DWORD tag, std::wstring& value) const;
    bool SetValue(DWORD tag, const wchar_t* value);
    // The rules of the element that holds the value of `tag` (UT for the finding and the
    // conclusion, PN for the author), so that a page limits typing as the document will.
    static KMDcmVR GetValueRules(DWORD tag);

    // Takes over from `image` (an image of the study, or another instance of it) what ties the
    // report to the order it answers: the Referenced Request Sequence (0040,A370), one item for
    // each item of the image's Request Attributes Sequence (0040,0275), or one for its Accession
    // Number when it has no such items, or the image's own Referenced Request Sequence; the
    // Other Patient IDs Sequence (0010,1002), made from the retired Other Patient IDs (0010,1000)
    // where the image has only those; the Procedure Code Sequence (0008,1032) as the
    // Performed Procedure Code Sequence (0040,A372). Texts are converted as Copy converts them.
    // False, with the document unchanged, for an unbound dataset or texts that cannot be read.
    bool TakeRequest(const KMDcmDataset& image);

    // Makes the document a new version of the instance it holds: that instance joins the end of
    // the Predecessor Documents Sequence (0040,A360), under its study and series, after the
    // predecessors the document names already; the document gets a new SOP Instance UID
    // (KMDcmUtil::GenerateUID) and the next Instance Number, in the same series. False, with the
    // document unchanged, when it has no SOP Instance UID or no UID can be made.
    bool StartNewVersion();

private:
    // The content items this class writes, in the order it keeps them in the document.
    enum class Content { Modality, Author, VerifierName, VerifierOrganization, Finding, Conclusion };
    bool GetContent(Content content, std::wstring& value) const;
    bool SetContent(Content content, const wchar_t* value);
    // The content item that holds a verifier value of an unverified report, for the verifying
    // observer name and organization; false for other tags.
    static bool PendingVerifier(DWORD tag, Content& content);
    bool GetVerifier(DWORD tag, std::wstring& value) const;
    bool SetVerifier(DWORD tag, const wchar_t* value);
    // Stores a value in the Verifying Observer Sequence's item (an empty text removes it, and
    // the sequence with its last value).
    bool SetObserverValue(DWORD tag, const wchar_t* value);
    void BuildSkeleton();
};
