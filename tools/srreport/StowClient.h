#pragma once

#include "Failure.h"

#include <optional>
#include <string>
#include <vector>

// Where and as whom files are stored over DICOMweb.
struct StowTarget {
    // The server's base URL of STOW-RS, such as https://pacs.example/dicom-web/studies; http or
    // https only.
    std::string strUrl;
    // Basic authentication when the user name is not empty.
    std::string strUser;
    std::string strPassword;
    // A file of certificates to trust besides the system's; empty for the system's alone. The
    // server's certificate and name are always verified.
    std::string strCaFile;
    // Seconds to wait for the connection, and for the server while it sends or takes nothing.
    int nTimeout = 15;
};

// Stores DICOM files on a DICOMweb server with STOW-RS, through libcurl: one POST whose body is
// multipart/related; type="application/dicom", each file a part, read from disk as it is sent.
// The server's DICOM JSON answer says which instances it stored (Referenced SOP Sequence) and
// which it did not (Failed SOP Sequence, with their failure reasons).
class StowClient {
public:
    // Throws Failure (usage error) for a URL that is not http or https, or that holds a user
    // name or password (which belong in --user and the environment, not on a command line).
    static void CheckUrl(const std::string& url);

    explicit StowClient(StowTarget target);
    ~StowClient();
    StowClient(const StowClient&) = delete;
    StowClient& operator=(const StowClient&) = delete;

    // Sends the files in one request and gives, for each, nothing when the server stored it or
    // the reason it was not: an input error for a file that is not DICOM or names no SOP
    // instance (it is not sent); a network error, naming the server, when it could not be
    // reached or trusted, refused the credentials, or did not store the file. A file that is a
    // bare dataset goes as a DICOM file with a meta header.
    std::vector<std::optional<Failure>> Store(const std::vector<std::string>& paths);

private:
    StowTarget m_target;
};
