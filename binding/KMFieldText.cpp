#include "binding/KMFieldText.h"

#include "platform/kmdicom/KMDcmConvert.h"
#include "platform/kmdicom/KMDcmSR.h"
#include "platform/kmdicom/KMDcmText.h"
#include "platform/kmdicom/KMDcmVR.h"

bool KMFieldText::IsPersonName(DWORD tag)
{
    return KMDcmSR::GetValueRules(tag).GetName() == "PN";
}

std::wstring KMFieldText::ToField(DWORD tag, const std::wstring& value, bool asRead)
{
    const std::wstring shown = asRead || IsPersonName(tag) ? KMDcmConvert::ToDisplayText(tag, value) : value;
    return KMDcmText::WithLineBreaks(shown, L"\n");
}

void KMFieldText::ToDocument(DWORD tag, const std::wstring& typed, const std::wstring& documentValue, std::wstring& out)
{
    if (!IsPersonName(tag)) {
        KMDcmText::WithLineBreaks(typed, L"\r\n", out);
        return;
    }
    out = typed == ToField(tag, documentValue, false) ? documentValue : KMDcmConvert::ParsePersonName(typed);
}
