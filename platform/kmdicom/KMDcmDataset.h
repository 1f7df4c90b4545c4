#pragma once

#include "platform/Export.h"
#include "platform/kmbase/KMString.h"
#include "platform/win32/WinDef.h"

#include <string>
#include <string_view>

class DcmItem;
class DcmDataset;

// A view on a DICOM dataset or on one item of a sequence inside it. It does not own what it
// views: a KMDcmFile binds its own dataset, and GetSequenceItem binds another view to an item,
// so that writes through that view land in the parent. A view is valid while the element tree
// it points into lives (until its file is reloaded or destroyed). An unbound view fails every
// call.
//
// Tags are 32-bit numbers, group in the high half. Text comes in two forms:
// - narrow text is moved byte for byte, as the dataset keeps it; meant for values that DICOM
//   limits to ASCII (UIDs, codes, dates, ages);
// - wide text is converted from and to the dataset's Specific Character Set (0008,0005). A wide
//   value that the character set cannot hold is stored after the whole dataset has been
//   converted to ISO_IR 192 (UTF-8); it is never stored damaged.
// Bytes beyond ASCII that the declared character set does not read (none declared, an unknown
// term, bytes invalid in the set) are read as ISO_IR 100, as `dcmdump --charset-assume` does;
// such a dataset moves to UTF-8 at the first store that needs it, its values read as before.
// Binding a whole dataset (a file's) turns elements read with VR UN into the text VR that the
// dictionary gives their tag, so that, say, Modality reads "CT" and not the hex of its bytes.
// A failed call leaves the dataset and the out-parameters as they were.
class SRCTRL_API KMDcmDataset {
public:
    KMDcmDataset() = default;

    // True when the view is bound to a dataset or an item.
    bool IsBound() const { return m_pItem != nullptr; }

    // Value number `index` (0 for the first) of a present element, including an empty one;
    // kAllValues gives the whole value, all value numbers with their backslashes, as a field that
    // shows the element must.
    static constexpr int kAllValues = -1;
    bool GetString(srctrl::DWORD tag, std::wstring& value, int index = 0) const;
    bool GetString(srctrl::DWORD tag, std::string& value, int index = 0) const;
    // The whole value, all value numbers with their backslashes, as the dataset keeps it; valid
    // until the element changes. A present but empty element gives "".
    bool GetString(srctrl::DWORD tag, const char*& value) const;

    // A UID without its padding; false when the element is absent or empty, since an empty UID
    // identifies nothing. Use it wherever a UID is an identity (duplicate search, creation).
    bool GetUID(srctrl::DWORD tag, std::string& uid) const;

    // Replaces the whole value of the element, inserting it when absent. False, with nothing
    // stored, for a null value and for a value that the tag's value representation cannot hold:
    // KMDcmVR(tag).Check gives the reason (unknown tags, sequences and binary elements included).
    // The narrow form takes the bytes as the dataset keeps them and checks them as they will be
    // read; it is also how a caller declares (0008,0005) for bytes it puts in. The wide forms
    // refuse (0008,0005) and group 0002 (see KMDcmVR::IsHostSettable): the dataset keeps its
    // character set itself.
    bool SetString(srctrl::DWORD tag, const char* value);
    bool SetString(srctrl::DWORD tag, const wchar_t* value);
    bool SetString(srctrl::DWORD tag, const std::wstring& value);
    bool SetString(srctrl::DWORD tag, const KMString& value);

    // Writes value number `index` of an integer element (IS, SL, SS, UL, US); the range of the
    // value representation is checked.
    bool SetInt32(srctrl::DWORD tag, int value, int index = 0);

    // Binds `item` to item `index` (from 0) of the sequence `tag`. False when there is no such
    // sequence or item.
    bool GetSequenceItem(srctrl::DWORD tag, KMDcmDataset& item, int index) const;
    // The same, creating the sequence and any missing items up to `index` (at most
    // kMaxCreatedItem). False for a negative index, and for an item that would nest the dataset
    // deeper than KMDcmDeepStack::kMaxDepth levels.
    bool GetOrCreateSequenceItem(srctrl::DWORD tag, KMDcmDataset& item, int index);
    static constexpr int kMaxCreatedItem = 9999;

    // Lends the bytes of an OB or UN element; valid until the element changes or the dataset is
    // destroyed. A present but empty element gives a null pointer and length 0.
    bool GetUint8Array(srctrl::DWORD tag, const unsigned char*& data, unsigned long& length) const;
    // Copies `length` bytes into the element (OB or UN), inserting it when absent.
    bool SetUint8Array(srctrl::DWORD tag, const unsigned char* data, unsigned long length);

private:
    friend class KMDcmFile;
    friend class KMDcmSR;
    friend class KMDcmContentTree;
    friend class KMDcmVerifiers;
    friend class KMDcmImage;
    friend class KMDcmKeyImages;

    // What the views of one file share, owned by the file: a count of the changes that may have
    // touched the SR content tree (writes to the dataset's own SR content attributes or inside
    // their items), so that a model of that tree knows when to read it again, and how
    // deeply the dataset nests (KMDcmDeepStack), so that work on it runs where it is safe.
    struct Shared {
        unsigned long nContentChanges = 0;
        int nDepth = 0;
    };

    // Binds the view; a view of a whole dataset (item == root) also reads elements of VR UN as
    // the text VR of their tag and measures how deeply the dataset nests into `shared`. A view
    // bound without `shared` counts no changes: the SR model writes through such views.
    void Bind(DcmItem* item, DcmDataset* root, Shared* shared = nullptr, int depth = 0);
    DcmItem* GetItem() const { return m_pItem; }
    DcmDataset* GetRoot() const { return m_pRoot; }
    // How deeply the dataset of the view may nest: what its file measured and saw added, or, for
    // a view without a file, what a walk finds now.
    int GetDepth() const;
    // Counts a write of `tag` through this view that may touch the SR content tree.
    void Changed(srctrl::DWORD tag);
    // Counts a change of the content that DCMTK made directly, taking in elements nested up to
    // `depth` levels.
    void Absorbed(int depth);

    bool SetWide(srctrl::DWORD tag, std::wstring_view value);
    bool StoreUtf8(srctrl::DWORD tag, const std::string& utf8);

    DcmItem* m_pItem = nullptr;
    // The dataset at the top of the tree: its Specific Character Set governs every item in it.
    DcmDataset* m_pRoot = nullptr;
    Shared* m_pShared = nullptr;
    // The sequences around the viewed item (0 for a whole dataset).
    int m_nDepth = 0;
    // Whether the viewed item lies in the SR content tree (a content item, a concept name).
    bool m_bInContent = false;
};
