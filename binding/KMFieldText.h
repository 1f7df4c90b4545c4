#pragma once

#include "platform/win32/WinDef.h"

#include <string>

// A value on its way between the document and a field of the page. The document keeps DICOM's
// form: a person name as "Doe^John", line breaks as CR LF. A field shows what people read and
// type: a name in reading order ("John Doe"), one line feed for each line break (CR LF, a lone LF
// or a lone CR), so that each makes one line on screen and on paper.
class KMFieldText {
public:
    // The text a field shows for `value`, the document's value of `tag`. `asRead` for a field that
    // only shows (a label, a field of the attribute list): dates and times as people read them too.
    static std::wstring ToField(DWORD tag, const std::wstring& value, bool asRead);
    // The document's form of `typed`, what a person typed into the field of `tag` while the
    // document held `documentValue`: a person name as KMDcmConvert::ParsePersonName reads it, or
    // `documentValue` itself while the text still is what the field showed for it (a name with a
    // prefix or a suffix would not read back the same); line breaks as CR LF.
    // Written into `out`, which keeps its capacity (a megabyte finding is converted again and
    // again while it is typed).
    static void ToDocument(DWORD tag, const std::wstring& typed, const std::wstring& documentValue, std::wstring& out);
    // Whether the value of `tag` is a person name (the report author's tag is one).
    static bool IsPersonName(DWORD tag);
};
