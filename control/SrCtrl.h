#pragma once

// Library-wide calls of srctrl that no report control object is needed for: its version, the
// reason of the last failure, and where it reads its skins.

#include "platform/Export.h"
#include "SrCtrlVersion.h"

extern "C" {

// The library's version, "MAJOR.MINOR.PATCH"; a static text.
SRCTRL_API const char* SrCtrlGetVersion();

// Why the last call that failed on this thread failed: what failed and why, such as
// "skin folder not found: …", "not an SR document: Modality is CT" or
// "file not readable: /path/x.dcm: no such file". The calls that can fail (those of IReportCtrl
// that return null or false, KMDcmFile::LoadFile and SaveFile, SrCtrlSetSkinFolder) clear it
// when they start, so read it right after a failure. "" when nothing failed. The text belongs to
// the library and stays valid until the next call of the library on this thread.
SRCTRL_API const char* SrCtrlGetLastError();

// The folder to read the control's skins from before the other places (SRCTRL_SKIN_DIR, the
// folder "skin/" beside libsrctrl, the installed share/srctrl/skin). Call it before
// IReportCtrl::Create; null or "" forgets the folder. False, with a last-error text and the
// setting unchanged, when the folder does not hold the skins (srctrl/sr_frame_wnd.xml).
SRCTRL_API bool SrCtrlSetSkinFolder(const char* folder);

}
