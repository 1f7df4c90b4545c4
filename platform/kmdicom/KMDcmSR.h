#pragma once

#include "platform/Export.h"
#include "platform/kmdicom/KMDcmContentItem.h"
#include "platform/kmdicom/KMDcmFile.h"
#include "platform/kmdicom/KMDcmImageReference.h"

#include <memory>
#include <string>
#include <vector>

class DcmDataset;
class DcmItem;
class KMDcmContentTree;
class KMDcmVR;

// An SR document held in its dataset: the dataset is the one store, so a host that edits
// GetDataset() directly, copies another dataset in, or loads a file sees the same document as the
// accessors below. Any SR storage class a report comes in is read (Basic Text, Enhanced,
// Comprehensive, Comprehensive 3D, and Key Object Selection documents, which are read only).
//
// Built as an empty document: SOP Class Basic Text SR, Modality "SR", the root CONTAINER titled
// (18748-4, LN, "Diagnostic Imaging Report") and the patient, study, series, equipment and
// document attributes that DICOM requires to be present, empty. The caller sets the UIDs, dates
// and flags it wants.
//
// Where the values live:
// - Finding and Conclusion: in the content tree, as its model says (KMDcmContentTree, with the
//   table of KMDcmReportConcepts): the control writes TEXT items (121071, DCM, "Finding") and
//   (121077, DCM, "Conclusion") that the root CONTAINS; a document from elsewhere may hold them
//   anywhere, in several items, in sections. Several items read as one outline text and cannot
//   be set (CanSetValue tells why);
// - author observer name: a PNAME observation context item (121008, DCM, "Person Observer Name");
// - acquisition modality: a TEXT observation context item (121139, DCM, "Modality"); the
//   dataset's own Modality stays "SR";
// - verifying observer name, organization and verification date-time: (0040,A075), (0040,A027)
//   and (0040,A030) of the Verifying Observer Sequence (0040,A073), whose items also hold an
//   empty (0040,A088); names read as every observer's, separated by backslashes, organizations
//   as each one once, separated by "; ". DICOM allows that sequence only in a verified
//   document: until the verification, name and organization wait in HAS OBS CONTEXT items of
//   the local scheme 99SRCTRL (VERIFIER, a PNAME, and VERIFIER ORG, a TEXT), and VerifyDocument
//   moves them into the sequence.
// Setting an empty text removes the value. Getters give false and an empty text for a value the
// document does not have. A setter refuses, with false, nothing changed and a reason for
// SrCtrlGetLastError, a value that the document cannot take where it keeps it (CanSetValue) and
// a text that the value's representation cannot hold (KMDcmVR): Finding, Conclusion and the
// acquisition modality are UT (TextValue (0040,A160): up to 4 GiB, line breaks and backslashes
// included; stored with CR LF line breaks), the author and verifying observer names PN
// (PersonName (0040,A123) and (0040,A075): 64 characters per component group, no backslash),
// the organization LO (64 characters) and the verification date-time DT.
class SRCTRL_API KMDcmSR : public KMDcmFile {
public:
    KMDcmSR();
    ~KMDcmSR() override;

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
    bool GetValue(srctrl::DWORD tag, std::wstring& value) const;
    bool SetValue(srctrl::DWORD tag, const wchar_t* value);
    // Whether SetValue can store a text for `tag` where the document keeps it; if not, `reason`
    // says why ("the finding cannot be changed here: the document holds it as 3 items; ...").
    // True for dataset elements (their values are checked when stored).
    bool CanSetValue(srctrl::DWORD tag, std::string& reason) const;
    // The rules of the element that holds the value of `tag` (UT for the finding and the
    // conclusion, PN for the author), so that a page limits typing as the document will.
    static KMDcmVR GetValueRules(srctrl::DWORD tag);

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

    // The content tree item by item, in document order, the root first (KMDcmContentItem); empty
    // for a document without one. Valid until the document changes.
    const std::vector<KMDcmContentItem>& GetContentItems() const;
    // The content that no value above shows, as an outline (KMDcmContentItem::OutlineLine, lines
    // ending in LF); empty when there is none.
    std::wstring GetOtherContent() const;

    // Makes the document an amendment of the one it was copied from: a Finding or Conclusion that
    // several items feed takes the person's text as a new item of its own, and the items that fed
    // it stay, shown with the other content. Lasts for the document's life.
    void BeginAmendment();

    // Key images as IMAGE content items under the root, after its other items: each references an
    // image instance of `sopClassUID` (and `frame`, when above 0); `code`, `scheme` and `meaning`
    // name the item's concept, or are all null for none. False, with the reason, when the
    // document is read only here or the UIDs are not valid.
    bool AddImageItem(const char* sopClassUID, const char* sopInstanceUID, int frame, const char* code,
                      const char* scheme, const char* meaning, std::string& reason);
    // Removes the IMAGE items under the root that reference `sopInstanceUID` (and `frame`, when
    // above 0); the number removed.
    int RemoveImageItems(const char* sopInstanceUID, int frame);
    // Whether an IMAGE item anywhere in the content tree references `sopInstanceUID`.
    bool ReferencesImage(const char* sopInstanceUID) const;
    // The DICOM images (and frames) that the image boxes show, in box order, each once, with the
    // study and series the document's evidence lists for them; boxes that show a picture without
    // a DICOM source (a host's bitmap) are not among them.
    std::vector<KMDcmImageReference> GetKeyImages() const;

private:
    // The model of the content tree, read again whenever the dataset may have changed.
    KMDcmContentTree& Tree() const;
    // Stores a value in a field of the content tree, with the reason of a refusal.
    bool SetContent(srctrl::DWORD tag, const wchar_t* value);
    bool GetContent(srctrl::DWORD tag, std::wstring& value) const;
    bool GetVerifier(srctrl::DWORD tag, std::wstring& value) const;
    bool SetVerifier(srctrl::DWORD tag, const wchar_t* value);
    void BuildSkeleton();

    mutable std::unique_ptr<KMDcmContentTree> m_pTree;
    // The dataset's count of content changes when the model was read; the model is current while
    // they agree.
    mutable unsigned long m_nTreeChanges = 0;
    bool m_bAmending = false;
};
