#include "StowClient.h"

#include "DicomInput.h"
#include "MultipartBody.h"
#include "TempFolder.h"

#include <curl/curl.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmnet/diutil.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <utility>

namespace {

// A server's answer beyond this is not a list of stored instances.
constexpr std::size_t kMaxAnswerBytes = 64u << 20;

// DICOM JSON keys of the answer.
constexpr const char* kFailedSOPSequence = "00081198";
constexpr const char* kReferencedSOPSequence = "00081199";
constexpr const char* kReferencedSOPInstanceUID = "00081155";
constexpr const char* kFailureReason = "00081197";

struct CurlDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

std::size_t OnRead(char* buffer, std::size_t size, std::size_t count, void* body)
{
    std::size_t copied = 0;
    return static_cast<MultipartBody*>(body)->Read(buffer, size * count, copied) ? copied : CURL_READFUNC_ABORT;
}

std::size_t OnWrite(char* data, std::size_t size, std::size_t count, void* answer)
{
    auto* text = static_cast<std::string*>(answer);
    const std::size_t length = size * count;
    if (text->size() + length > kMaxAnswerBytes) {
        return 0;
    }
    text->append(data, length);
    return length;
}

// The instances a sequence of the answer names, each with its failure reason (0 where none).
std::map<std::string, unsigned> Listed(const nlohmann::json& answer, const char* sequence)
{
    std::map<std::string, unsigned> listed;
    const auto found = answer.find(sequence);
    if (found == answer.end() || !found->is_object() || !found->contains("Value") || !(*found)["Value"].is_array()) {
        return listed;
    }
    for (const nlohmann::json& item : (*found)["Value"]) {
        const nlohmann::json uid = item.value(kReferencedSOPInstanceUID, nlohmann::json::object()).value("Value", nlohmann::json::array());
        if (uid.empty() || !uid[0].is_string()) {
            continue;
        }
        const nlohmann::json reason = item.value(kFailureReason, nlohmann::json::object()).value("Value", nlohmann::json::array());
        listed[uid[0].get<std::string>()] = !reason.empty() && reason[0].is_number_unsigned() ? reason[0].get<unsigned>() : 0;
    }
    return listed;
}

// The reason a transfer failed before the server answered.
std::string TransferProblem(CURLcode code, const char* detail, const std::string& url)
{
    const std::string why = detail[0] != '\0' ? detail : curl_easy_strerror(code);
    switch (code) {
    case CURLE_PEER_FAILED_VERIFICATION:
        // An unknown signer can be trusted with --cacert; a certificate for another name cannot.
        return "cannot trust " + url + ": " + why +
               (why.find("certificate problem") != std::string::npos ? " (give the certificate that signed it with --cacert)" : "");
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
        return "cannot reach " + url + " securely: " + why;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
        return "cannot reach " + url + ": " + why;
    default:
        return "sending to " + url + " failed: " + why;
    }
}

bool HasPreamble(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    char head[132] = {};
    return file.read(head, sizeof head) && std::memcmp(head + 128, "DICM", 4) == 0;
}

} // namespace

void StowClient::CheckUrl(const std::string& url)
{
    const std::unique_ptr<CURLU, void (*)(CURLU*)> parsed(curl_url(), curl_url_cleanup);
    char* scheme = nullptr;
    char* user = nullptr;
    const bool read = parsed && curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
                      curl_url_get(parsed.get(), CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK;
    const bool secret = read && curl_url_get(parsed.get(), CURLUPART_USER, &user, 0) == CURLUE_OK;
    const std::string kind = scheme != nullptr ? scheme : "";
    curl_free(scheme);
    curl_free(user);
    if (!read || (kind != "http" && kind != "https")) {
        throw Failure(ExitCode::Usage, "not an http or https URL: \"" + url + "\"");
    }
    if (secret) {
        throw Failure(ExitCode::Usage, "the URL names a user: give it with --user, and the password in $SRREPORT_PASSWORD");
    }
}

StowClient::StowClient(StowTarget target) : m_target(std::move(target))
{
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        throw Failure(ExitCode::Failed, "cannot start libcurl");
    }
}

StowClient::~StowClient()
{
    curl_global_cleanup();
}

std::vector<std::optional<Failure>> StowClient::Store(const std::vector<std::string>& paths)
{
    std::vector<std::optional<Failure>> results(paths.size());
    const auto fail = [&](std::size_t i, ExitCode code, const std::string& reason) {
        if (!results[i]) {
            results[i] = Failure(code, reason);
        }
    };
    // Each file is read before anything is sent, so that what is not DICOM is named and left out.
    TempFolder folder;
    MultipartBody body("application/dicom");
    std::vector<std::string> uids(paths.size());
    std::vector<std::size_t> sent;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        try {
            // A DICOM file goes as it is, so its attributes are enough; a bare dataset is read
            // whole to be written with a header.
            const bool whole = !HasPreamble(paths[i]);
            const auto file = DicomInput::Load(paths[i], whole);
            OFString sopClass;
            OFString sopInstance;
            file->getDataset()->findAndGetOFString(DCM_SOPClassUID, sopClass);
            file->getDataset()->findAndGetOFString(DCM_SOPInstanceUID, sopInstance);
            if (sopClass.empty() || sopInstance.empty()) {
                throw Failure(ExitCode::Input, "cannot send " + paths[i] + ": it has no SOP Class or SOP Instance UID");
            }
            std::string part = paths[i];
            if (whole) {
                part = folder.File(std::to_string(i) + ".dcm");
                if (file->saveFile(part.c_str()).bad()) {
                    throw Failure(ExitCode::Failed, "cannot give " + paths[i] + " a DICOM file header to send it");
                }
            }
            if (!body.Add(part)) {
                throw Failure(ExitCode::Input, "cannot read " + paths[i]);
            }
            uids[i] = sopInstance.c_str();
            sent.push_back(i);
        } catch (const Failure& failure) {
            results[i] = failure;
        }
    }
    if (sent.empty()) {
        return results;
    }

    const std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        throw Failure(ExitCode::Failed, "cannot start libcurl");
    }
    std::unique_ptr<curl_slist, CurlDeleter> headers;
    for (const std::string& header : {"Content-Type: multipart/related; type=\"application/dicom\"; boundary=" + body.Boundary(),
                                      std::string("Accept: application/dicom+json"), std::string("Expect:")}) {
        curl_slist* longer = curl_slist_append(headers.get(), header.c_str());
        if (longer == nullptr) {
            throw Failure(ExitCode::Failed, "out of memory");
        }
        headers.release();
        headers.reset(longer);
    }
    char detail[CURL_ERROR_SIZE] = {};
    std::string answer;
    CURL* handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_URL, m_target.strUrl.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_POST, 1L);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.Length()));
    curl_easy_setopt(handle, CURLOPT_READFUNCTION, OnRead);
    curl_easy_setopt(handle, CURLOPT_READDATA, &body);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, OnWrite);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, detail);
    // A server that stops taking or answering for the time-out ends the transfer; a large study
    // that keeps moving may take as long as it needs.
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, static_cast<long>(m_target.nTimeout));
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, static_cast<long>(m_target.nTimeout));
    if (!m_target.strCaFile.empty()) {
        curl_easy_setopt(handle, CURLOPT_CAINFO, m_target.strCaFile.c_str());
    }
    if (!m_target.strUser.empty()) {
        curl_easy_setopt(handle, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
        curl_easy_setopt(handle, CURLOPT_USERNAME, m_target.strUser.c_str());
        curl_easy_setopt(handle, CURLOPT_PASSWORD, m_target.strPassword.c_str());
    }

    const CURLcode code = curl_easy_perform(handle);
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    const std::string& url = m_target.strUrl;
    std::string problem;
    if (code == CURLE_ABORTED_BY_CALLBACK && !body.Problem().empty()) {
        problem = "sending to " + url + " stopped: " + body.Problem();
    } else if (code != CURLE_OK) {
        problem = TransferProblem(code, detail, url);
    } else if (status == 401 && m_target.strUser.empty()) {
        problem = url + " asks for credentials (HTTP 401): give --user NAME and the password in $SRREPORT_PASSWORD";
    } else if (status == 401 || status == 403) {
        problem = url + " refused the credentials of " + m_target.strUser + " (HTTP " + std::to_string(status) + ")";
    }
    if (!problem.empty()) {
        for (const std::size_t i : sent) {
            fail(i, ExitCode::Network, problem);
        }
        return results;
    }

    const nlohmann::json parsed = nlohmann::json::parse(answer, nullptr, false);
    const auto stored = parsed.is_object() ? Listed(parsed, kReferencedSOPSequence) : std::map<std::string, unsigned>();
    const auto failed = parsed.is_object() ? Listed(parsed, kFailedSOPSequence) : std::map<std::string, unsigned>();
    for (const std::size_t i : sent) {
        const auto refused = failed.find(uids[i]);
        if (refused != failed.end()) {
            char reason[8];
            std::snprintf(reason, sizeof reason, "%04X", refused->second);
            fail(i, ExitCode::Network, url + " did not store " + paths[i] + " (failure reason 0x" + reason + " " +
                                           DU_cstoreStatusString(static_cast<Uint16>(refused->second)) + ")");
        } else if (stored.count(uids[i]) == 0) {
            // A STOW-RS service answers 200, 202 or 409 with its lists; anything else is no such
            // service, or one that failed as a whole.
            const bool answered = status == 200 || status == 202 || status == 409;
            fail(i, ExitCode::Network, url + " did not store " + paths[i] + " (HTTP " + std::to_string(status) +
                                           (!answered              ? ")"
                                            : parsed.is_object() ? ", not among the stored instances)"
                                                                   : ", no DICOM JSON answer)"));
        }
    }
    return results;
}
