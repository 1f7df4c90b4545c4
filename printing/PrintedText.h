#pragma once

#include <string>

namespace DuiLib {
class CControlUI;
}

// The last check before a page goes to paper: whether `page`, laid out as it will be printed,
// shows every character of every visible text field. When it does not, false, with `field`
// naming the first field it would cut: "(gggg,eeee)" for a field bound to a tag, else its name
// in quotes, else "without a name".
bool ShowsEveryTextWhole(DuiLib::CControlUI* page, std::string& field);
