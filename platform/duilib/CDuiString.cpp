#include "platform/duilib/CDuiString.h"

namespace DuiLib {

CDuiString::CDuiString(LPCTSTR text, int length)
{
    if (text == nullptr) {
        return;
    }
    if (length < 0) {
        m_str = text;
    } else {
        m_str.assign(text, static_cast<size_t>(length));
    }
}

} // namespace DuiLib
