#pragma once

namespace DuiLib {
class CContainerUI;
}

// Turns a filled copy of a report page into the page that goes on paper: a document, not a
// picture of the form. The copy belongs to the caller's window and is changed in place; the
// page a person edits is never handed here. Nothing fails: a page without anything to change
// stays as it is.
class KMPaperPage {
public:
    // Before the page is laid out:
    // - a value split over neighbouring fields of one tag (an age's number and its unit) prints
    //   as one text in the first of them, which takes their room;
    // - whatever shows nothing of the document is left out: a bound field without a value, a
    //   picture box without a picture, the QR code box ("RT_QRCODE") without a code, and a layout
    //   (a row, a section) in which everything of the document was left out, with its labels;
    //   such a layout beside others in a row keeps its place, empty, so that they do not move.
    //   A control the template marks printempty="keep" or printempty="dash" stays, and so does
    //   the page's root; what never shows the document (labels, the logo, rules) stays.
    static void LeaveOutEmpty(DuiLib::CContainerUI* root);
    // Once laid out, every control stacked in a column takes the height of what it holds, each
    // multi-line text box the height of its whole text and each single-line field the height of
    // its wrapped text where that is more, so that the page closes the gaps that left-out
    // controls and short texts leave, and cuts no text. The root's height becomes that of its
    // content; the caller lays the page out again.
    static void CloseGaps(DuiLib::CContainerUI* root);
};
