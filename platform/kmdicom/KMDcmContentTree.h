#pragma once

#include "platform/kmdicom/KMDcmContentItem.h"
#include "platform/kmdicom/KMDcmReportConcepts.h"

#include <string>
#include <vector>

class DcmItem;
class KMDcmDataset;

// The content tree of an SR document, for every SR storage class a report comes in (Basic Text,
// Enhanced, Comprehensive, Comprehensive 3D; Key Object Selection documents are read, not
// written), and which of its items feed which field of the report (KMDcmReportConcepts).
//
// DCMTK's dcmsr reads the tree (DSRDocumentTree and its cursor) and writes the items the control
// adds (its tree nodes). Everything else of the document stays as it is: an edit changes one
// item's value in place, or adds or removes one item, in the dataset itself.
//
// A field maps to content in one of three ways:
// - one item that a person's text replaces in place: the field's own item under the root, or
//   the one TEXT item (without items of its own) that feeds the field;
// - none yet: the first text adds the field's own item under the root, unless the document
//   declares a template without such an item, or is a Key Object Selection document;
// - several items, or an item that is no plain text (a code, a measurement, a text with
//   qualifiers): the field shows them all and cannot be written; its reason says why. While
//   amending, such a field takes a new own item instead, and what fed it joins the content no
//   field shows.
// Content that feeds no field is shown by GetOtherContent, except the key images that the page's
// image boxes show (KMDcmKeyImages); nothing the document holds is dropped.
//
// The model holds its items and, for writing, their places in the dataset; it is read again
// (Read) whenever the dataset may have changed otherwise. Not copyable (it is big).
class KMDcmContentTree {
public:
    KMDcmContentTree() = default;
    KMDcmContentTree(const KMDcmContentTree&) = delete;
    KMDcmContentTree& operator=(const KMDcmContentTree&) = delete;
    KMDcmContentTree(KMDcmContentTree&&) = default;
    KMDcmContentTree& operator=(KMDcmContentTree&&) = default;

    // Reads the content tree of the whole dataset `dataset` views. Items that dcmsr cannot read
    // (an unknown value type, a missing relationship) leave the model partial: it shows what it
    // could read, says why the rest is not shown, and writes nothing. Runs DCMTK's recursion:
    // call it where the dataset's depth is safe (KMDcmDeepStack).
    void Read(const KMDcmDataset& dataset, bool amending);
    // Makes the model one that could not be read at all: it shows the reason and writes nothing.
    void SetUnreadable(const std::string& reason);

    // The items in document order, the root container first; empty for a dataset without a
    // content tree.
    const std::vector<KMDcmContentItem>& GetItems() const { return m_vecItems; }

    // The field's value: the value of its one item (a person name in DICOM's form), or, for
    // several, each as an outline line ("Finding: ...") under the headings of its sections,
    // lines ending in CR LF. False, with empty text, when no item feeds the field.
    bool GetText(KMDcmContentField field, std::wstring& text) const;
    // Whether a person's text can be written to the field; if not, `reason` says why, as
    // "the finding cannot be changed here: REASON".
    bool CanSet(KMDcmContentField field, std::string& reason) const;
    // Writes the field: in its one item, or in a new own item; an empty text removes that item.
    // A TEXT value is stored with CR LF line breaks. False, with `reason` and nothing changed,
    // when the field cannot be written or the document cannot hold the text. Returns in
    // `structural` whether an item was added or removed (the model must be read again).
    bool Set(KMDcmDataset& dataset, KMDcmContentField field, const std::wstring& value, bool& structural,
             std::string& reason);

    // The content that no field shows, as an outline: one line per item (OutlineLine), indented
    // a level per level below the root, lines ending in LF; a line tells what a partial model
    // does not show. Empty when every item has its field.
    std::wstring GetOtherContent() const;

    // Adds an IMAGE item under the root, after its other items: it references the instance of
    // `sopClassUID` and, when `frame` is above 0, that frame; `code`, `scheme` and `meaning` name
    // its concept (all null for none). False, with `reason` and nothing added, when the document
    // is not written here or refuses the reference.
    bool AddImage(KMDcmDataset& dataset, const char* sopClassUID, const char* sopInstanceUID, int frame,
                  const char* code, const char* scheme, const char* meaning, std::string& reason);
    // Removes the IMAGE items under the root that reference `sopInstanceUID` (and `frame`, when
    // above 0); how many went. The model must then be read again.
    int RemoveImages(KMDcmDataset& dataset, const char* sopInstanceUID, int frame);
    // Whether an IMAGE item anywhere in the tree references `sopInstanceUID`.
    bool ReferencesImage(const std::string& sopInstanceUID) const;

private:
    enum class Access { Create, InPlace, ReadOnly };
    // What the model knows of an item beyond what people read.
    struct Node {
        int nParent = -1;
        // 1 for the first child of its parent: the item's place in the parent's content sequence.
        int nOrdinal = 0;
        int nChildren = 0;
        KMDcmContentField field = KMDcmContentField::None;
        // A section heading of the table: what it holds belongs to a field or to the heading.
        bool bSection = false;
        // The value as the document holds it, for values that fields show in DICOM's form (a
        // person name); empty otherwise.
        std::string strRaw;
        // The SOP instance and frame an IMAGE item references.
        std::string strInstance;
        int nFrame = 0;
        // A key image that an image box shows: the box tells it, the content region does not.
        bool bBoxed = false;
    };
    struct FieldState {
        Access access = Access::ReadOnly;
        int nItem = -1;
        std::string strReason;
    };

    void AssignFields(bool amending);
    // Marks the key images (KMDcmReportConcepts::KeyImageItem) whose image boxes show them.
    void MarkBoxedKeyImages(DcmItem& root);
    void DecideAccess(KMDcmContentField field, bool amending, const std::vector<int>& owns);
    // The dataset item of item `index`, found through its parents' content sequences; null when
    // it is not there.
    DcmItem* Locate(const KMDcmDataset& dataset, int index) const;
    bool IsContainer(int index) const { return m_vecItems[index].strValueType == "CONTAINER"; }
    // Why the document takes no own items; empty when it takes them.
    std::string OwnItemsRefused() const;

    std::vector<KMDcmContentItem> m_vecItems;
    std::vector<Node> m_vecNodes;
    FieldState m_fields[KMDcmReportConcepts::kFieldCount];
    // Why some items could not be read (the model is partial); empty when all were.
    std::string m_strUnread;
    // The root's template ("1500" for DCMR TID 1500), when it declares one.
    std::string m_strTemplate;
    bool m_bKeyObjects = false;
};
