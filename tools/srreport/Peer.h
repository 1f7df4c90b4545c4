#pragma once

#include <string>

// A DICOM peer as the command line names it: "AET@HOST:PORT".
struct Peer {
    std::string strAet;
    std::string strHost;
    int nPort = 0;

    // Throws Failure (usage error) for a text that is not of that form, an AE title that DICOM
    // does not allow, or a port outside 1..65535.
    static Peer Parse(const std::string& text);
    // Checks an AE title: 1 to 16 characters, no backslash or control character, not only spaces.
    static void CheckAet(const std::string& aet, const char* what);

    std::string Address() const { return strHost + ":" + std::to_string(nPort); }
};
