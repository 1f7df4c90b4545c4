#include "Peer.h"

#include "Failure.h"

#include <cstdlib>

void Peer::CheckAet(const std::string& aet, const char* what)
{
    bool blank = true;
    for (const char c : aet) {
        if (static_cast<unsigned char>(c) < 0x20 || c == '\\' || static_cast<unsigned char>(c) > 0x7E) {
            throw Failure(ExitCode::Usage, std::string("not an AE title for ") + what + ": \"" + aet + "\"");
        }
        blank = blank && c == ' ';
    }
    if (aet.empty() || aet.size() > 16 || blank) {
        throw Failure(ExitCode::Usage, std::string("not an AE title for ") + what + ": \"" + aet +
                                           "\" (1 to 16 characters)");
    }
}

Peer Peer::Parse(const std::string& text)
{
    const auto at = text.find('@');
    const auto colon = text.rfind(':');
    if (at == std::string::npos || colon == std::string::npos || colon < at || colon == at + 1) {
        throw Failure(ExitCode::Usage, "not a peer: \"" + text + "\" (write AET@HOST:PORT)");
    }
    Peer peer;
    peer.strAet = text.substr(0, at);
    peer.strHost = text.substr(at + 1, colon - at - 1);
    CheckAet(peer.strAet, "the peer");
    const std::string port = text.substr(colon + 1);
    char* end = nullptr;
    const long number = std::strtol(port.c_str(), &end, 10);
    if (port.empty() || *end != '\0' || number < 1 || number > 65535) {
        throw Failure(ExitCode::Usage, "not a port: \"" + port + "\" (1 to 65535)");
    }
    peer.nPort = static_cast<int>(number);
    return peer;
}
