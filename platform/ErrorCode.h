#pragma once

namespace srctrl {

// What kind of failure the last one was (SrCtrlGetLastErrorCode), for a host that branches on it;
// the text (SrCtrlGetLastError) names the file, field or value. Both are kept per thread and
// change together. New kinds may come at the end; a host treats an unknown one as Other.
enum class ErrorCode {
    NoFailure = 0,      // nothing failed since the call began (not "None": Xlib defines that)
    NoWindow,           // no window yet ("no window: call Create first"), or none could be made
    SkinNotFound,       // "skin folder not found: ..."
    FileNotReadable,    // "file not readable: PATH: ..." (missing, empty, not regular, too large)
    NotDicom,           // "not a DICOM file: ..."
    NotSR,              // "not an SR document: ...", "no Study Instance UID in ..."
    NoDocument,         // null or foreign arguments: "no file name", "no document", "... not open ..."
    Template,           // "template file not found", "not a template", "template not applied", ...
    NoActiveReport,     // "no active report"
    Printer,            // "no printer name", "printer not found", "no such printer", "printing failed"
    NotWritten,         // "file not written", "PDF not written", "template not written": PATH: WHY
    TextWouldBeCut,     // "the printed copy would cut the text of the field ..."
    ValueRefused,       // "value not stored: ...", "no value", "attribute list row not set: ..."
    Verified,           // "the report is verified: ..."
    Closed,             // the report or control went away during the call
    Picture,            // image boxes, bitmaps, JPEG and DICOM frames: "no image box 3: ...", ...
    NotEncoded,         // "document not encoded: ..."
    UidRoot,            // "not a UID root: ..."
    OutOfMemory,        // any reason that ends in "out of memory"
    Other,              // a reason of no kind above
};

} // namespace srctrl
