#pragma once

#include "platform/ErrorCode.h"

#include <string>

// The reason of the last failure on the calling thread, which the host reads through
// SrCtrlGetLastError. Calls of the host interface that can fail clear it when they start; the
// code that detects a failure sets it, naming what failed and why. The library prints nothing:
// this text is the only place a reason goes.
class KMLastError {
public:
    static void Set(const std::string& text);
    // The same for a text of at most 15 characters, which never needs memory: for when there is
    // none ("out of memory").
    static void SetShort(const char* text) noexcept;
    // Sets the text only when no reason was set since the last Clear, so that a general reason
    // given by an outer call does not hide the precise one of the call that failed inside it.
    static void SetIfNone(const std::string& text);
    static void Clear();
    // Valid until the next Set or Clear on this thread; "" when none.
    static const char* Get();
    // The kind of the reason Get gives, told from its leading words: the reasons are the
    // library's own texts, and this is the one place that sorts them.
    static srctrl::ErrorCode GetCode();
};
