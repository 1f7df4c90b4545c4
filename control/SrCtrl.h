#pragma once

// Library-wide calls of srctrl that no report control object is needed for: its version, the
// reason of the last failure, and where it reads its skins.

#include "platform/ErrorCode.h"
#include "platform/Export.h"
#include "SrCtrlVersion.h"

#include <stddef.h>

extern "C" {

// The library's version, "MAJOR.MINOR.PATCH"; a static text.
SRCTRL_API const char* SrCtrlGetVersion() noexcept;

// Why the last call that failed on this thread failed: what failed and why, such as
// "skin folder not found: …", "not an SR document: Modality is CT" or
// "file not readable: /path/x.dcm: no such file". The calls that can fail (those of IReportCtrl
// that return null or false, KMDcmFile::LoadFile and SaveFile, SrCtrlSetSkinFolder) clear it
// when they start, so read it right after a failure. "" when nothing failed. The text belongs to
// the library and stays valid until the next call of the library on this thread.
SRCTRL_API const char* SrCtrlGetLastError() noexcept;
// The kind of that failure (srctrl::ErrorCode::NoFailure when nothing failed), for a host that
// branches on it; the README's failure table gives the kind of every reason.
SRCTRL_API srctrl::ErrorCode SrCtrlGetLastErrorCode() noexcept;

// The folder to read the control's skins from before the other places (SRCTRL_SKIN_DIR, the
// folder "skin/" beside libsrctrl, the installed share/srctrl/skin). Call it before
// IReportCtrl::Create; null or "" forgets the folder. False, with a last-error text and the
// setting unchanged, when the folder does not hold the skins (srctrl/sr_frame_wnd.xml).
SRCTRL_API bool SrCtrlSetSkinFolder(const char* folder);

// The root of every UID the library makes from now on, for the whole process: SR documents and
// their series, new versions of them, and the UIDs a host takes from SrCtrlGenerateUid for the
// instances it makes beside them (srreport's Encapsulated PDF), so that a site's instances all
// carry its own root. "2.25" by default: a UID is then a random UUID written as one number, which
// needs no registration. False, with the root unchanged and a last-error text such as
// "not a UID root: "1.02.3" (numbers without leading zeros between single dots)", for a text
// that is not numbers between single dots (the first 0, 1 or 2) or is longer than 23
// characters, which leaves room for the unique part in DICOM's 64. Null or "" restores "2.25".
SRCTRL_API bool SrCtrlSetUidRoot(const char* root);
// The root in use; the text belongs to the library and stays valid until its next call on this
// thread.
SRCTRL_API const char* SrCtrlGetUidRoot();
// Writes a new UID under the root, with its terminating zero, into `uid` of `size` bytes (65
// always suffice). False, with `uid` unchanged, for a null `uid`, a `size` too small, or no
// random source.
SRCTRL_API bool SrCtrlGenerateUid(char* uid, size_t size);

}
