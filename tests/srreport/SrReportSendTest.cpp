// srreport send against a real PACS: Debian's Orthanc, started for the test in a network
// namespace of its own, where only the loopback interface exists, on ports the test picks. The
// test reaches it (with srreport and curl) through that namespace; nothing listens anywhere else.
#include "SrReportProcess.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

using namespace srreport_test;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

constexpr const char* kOrthancAet = "ORTHANC";
constexpr const char* kDicomWebPlugin = "/usr/share/orthanc/plugins/libOrthancDicomWeb.so";
// The one user Orthanc's web side knows.
constexpr const char* kUser = "alice";
constexpr const char* kPassword = "s3cret-4711";

class OrthancPeer {
public:
    // Starts Orthanc with DICOMweb and a user on its web side, and `extra` settings (JSON members,
    // each with a comma after it); on failure `m_strProblem` says why, and the test skips.
    explicit OrthancPeer(const std::string& extra = "")
    {
        // Any port is free in a fresh namespace; these vary only to be recognisable in logs.
        m_nDicomPort = 20000 + getpid() % 20000;
        m_nHttpPort = m_nDicomPort + 1;
        if (getuid() != 0 || RunTool("command -v Orthanc unshare nsenter curl >/dev/null").nExitCode != 0 ||
            access(kDicomWebPlugin, R_OK) != 0) {
            m_strProblem = "needs root, Orthanc and its DICOMweb plugin (orthanc, orthanc-dicomweb), unshare, nsenter and curl";
            return;
        }
        const std::string storage = m_dir.File("storage");
        const std::string config = m_dir.File("orthanc.json");
        WriteFile(config, "{" + extra + "\"Name\": \"srreport-test\", \"StorageDirectory\": \"" + storage +
                              "\", \"IndexDirectory\": \"" + storage + "\", \"DicomAet\": \"" + kOrthancAet +
                              "\", \"DicomPort\": " + std::to_string(m_nDicomPort) + ", \"HttpPort\": " +
                              std::to_string(m_nHttpPort) +
                              ", \"DicomCheckCalledAet\": true, \"RemoteAccessAllowed\": false, "
                              "\"AuthenticationEnabled\": true, \"RegisteredUsers\": {\"" + kUser + "\": \"" + kPassword +
                              "\"}, \"OrthancExplorerEnabled\": false, \"Plugins\": [\"" + kDicomWebPlugin +
                              "\"], \"DicomWeb\": {\"Enable\": true, \"Root\": \"/dicom-web/\"}, "
                              "\"StorageCompression\": false}\n");
        const std::string log = m_dir.File("orthanc.log");
        m_pid = fork();
        if (m_pid == 0) {
            freopen(log.c_str(), "w", stdout);
            freopen(log.c_str(), "a", stderr);
            const std::string script = "ip link set lo up && exec Orthanc " + Quoted(config);
            execlp("unshare", "unshare", "--net", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                m_strProblem = "Orthanc did not start: " + ReadFile(log).substr(0, 400);
                return;
            }
            if (Http("/system").find("\"ApiVersion\"") != std::string::npos) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        m_strProblem = "Orthanc did not answer within 30 s: " + ReadFile(log).substr(0, 400);
    }

    ~OrthancPeer()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            bool ended = false;
            for (int i = 0; i < 100 && !(ended = waitpid(m_pid, nullptr, WNOHANG) == m_pid); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            if (!ended) {
                kill(m_pid, SIGKILL);
                waitpid(m_pid, nullptr, 0);
            }
        }
    }

    const std::string& Problem() const { return m_strProblem; }

    // Runs a command inside Orthanc's network namespace.
    std::string Inside() const { return "nsenter --net=/proc/" + std::to_string(m_pid) + "/ns/net -- "; }

    std::string Peer(const std::string& aet) const
    {
        return aet + "@127.0.0.1:" + std::to_string(m_nDicomPort);
    }
    // A port in the namespace on which nothing listens.
    int ClosedPort() const { return m_nHttpPort + 1; }
    std::string ClosedPeer() const { return std::string(kOrthancAet) + "@127.0.0.1:" + std::to_string(ClosedPort()); }
    std::string StowUrl() const { return "http://127.0.0.1:" + std::to_string(m_nHttpPort) + "/dicom-web/studies"; }

    // A GET (or, with a body, a POST) on Orthanc's REST interface.
    std::string Http(const std::string& path, const std::string& body = "", const std::string& saveTo = "") const
    {
        std::string command = Inside() + "curl -s --max-time 5 -u " + kUser + ":" + kPassword + " ";
        if (!body.empty()) {
            command += "-X POST --data-binary " + Quoted(body) + " ";
        }
        if (!saveTo.empty()) {
            command += "-o " + Quoted(saveTo) + " ";
        }
        return RunTool(command + Quoted("http://127.0.0.1:" + std::to_string(m_nHttpPort) + path)).strOutput;
    }

    // Orthanc's identifier of a stored instance, empty when it does not hold it.
    std::string Find(const std::string& sopInstanceUid) const
    {
        const std::string found = Http("/tools/lookup", sopInstanceUid);
        const size_t id = found.find("\"ID\" : \"");
        if (found.find("\"Type\" : \"Instance\"") == std::string::npos || id == std::string::npos) {
            return "";
        }
        const size_t start = id + 8;
        return found.substr(start, found.find('"', start) - start);
    }

private:
    TempDir m_dir;
    pid_t m_pid = -1;
    int m_nDicomPort = 0;
    int m_nHttpPort = 0;
    std::string m_strProblem;
};

// A running Orthanc for each test; without one the test skips.
class SrReportSend : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!m_pacs.Problem().empty()) {
            GTEST_SKIP() << m_pacs.Problem();
        }
    }

    OrthancPeer m_pacs;
    TempDir m_folder;
};

} // namespace

TEST_F(SrReportSend, AReportItsEncapsulatedPdfAndItsKeyObjectSelectionArriveInThePacs)
{
    const std::string report = m_folder.File("report.dcm");
    const std::string instance = m_folder.File("report-pdf.dcm");
    const std::string kos = m_folder.File("report-kos.dcm");
    ASSERT_EQ(SrReport("new --image " + Quoted(SampleImage()) + " --key-image " + Quoted(SampleImage()) +
                       " --finding 'Stored finding.' --complete -o " + Quoted(report))
                  .code,
              0);
    ASSERT_EQ(SrReport("export-pdf " + Quoted(report) + " -o " + Quoted(instance)).code, 0);
    ASSERT_EQ(SrReport("export-kos " + Quoted(report) + " -o " + Quoted(kos)).code, 0);

    const Outcome sent = SrReport("send " + Quoted(report) + " " + Quoted(instance) + " " + Quoted(kos) + " --to " +
                                      m_pacs.Peer(kOrthancAet) + " --calling-aet SRTEST",
                                  m_pacs.Inside());
    ASSERT_EQ(sent.code, 0) << sent.err;
    EXPECT_EQ(sent.err, "");

    const std::string stored = m_pacs.Find(DumpValue(report, "SOPInstanceUID"));
    ASSERT_NE(stored, "") << "the SR document is in Orthanc";
    const std::string copy = m_folder.File("copy.dcm");
    m_pacs.Http("/instances/" + stored + "/file", "", copy);
    EXPECT_NE(RunTool("dsrdump +Pl " + Quoted(copy)).strOutput.find("Stored finding."), std::string::npos);
    const std::string pdf = m_pacs.Find(DumpValue(instance, "SOPInstanceUID"));
    ASSERT_NE(pdf, "") << "the Encapsulated PDF is in Orthanc";
    // The printed report joins the report's study.
    ExpectContains(m_pacs.Http("/instances/" + pdf + "/simplified-tags"),
                   {"\"Modality\" : \"DOC\"", "\"StudyInstanceUID\" : \"" + DumpValue(report, "StudyInstanceUID") + "\""});
    const std::string selection = m_pacs.Find(DumpValue(kos, "SOPInstanceUID"));
    ASSERT_NE(selection, "") << "the Key Object Selection is in Orthanc";
    ExpectContains(m_pacs.Http("/instances/" + selection + "/simplified-tags"),
                   {"\"Modality\" : \"KO\"", "\"StudyInstanceUID\" : \"" + DumpValue(report, "StudyInstanceUID") + "\""});
}

TEST_F(SrReportSend, ARefusingOrUnreachablePeerFailsEveryFileItDidNotStore)
{
    const std::string report = m_folder.File("report.dcm");
    ASSERT_EQ(SrReport("new --image " + Quoted(SampleImage()) + " -o " + Quoted(report)).code, 0);
    WriteFile(m_folder.File("notes.dcm"), "not DICOM\n");

    const Outcome refused = SrReport("send " + Quoted(report) + " --to " + m_pacs.Peer("NOT_ORTHANC"), m_pacs.Inside());
    EXPECT_EQ(refused.code, 5);
    EXPECT_EQ(Lines(refused.err), 1) << refused.err;
    ExpectContains(refused.err, {"refused the association", "Called AE Title Not Recognized"});

    const Outcome unreachable = SrReport("send " + Quoted(report) + " --to " + m_pacs.ClosedPeer(), m_pacs.Inside());
    EXPECT_EQ(unreachable.code, 5);
    EXPECT_EQ(Lines(unreachable.err), 1) << unreachable.err;
    EXPECT_NE(unreachable.err.find("cannot reach 127.0.0.1:"), std::string::npos) << unreachable.err;
    EXPECT_EQ(m_pacs.Find(DumpValue(report, "SOPInstanceUID")), "");

    const Outcome mixed = SrReport("send -j 2 " + Quoted(m_folder.File("notes.dcm")) + " " + Quoted(report) + " --to " +
                                       m_pacs.Peer(kOrthancAet),
                                   m_pacs.Inside());
    EXPECT_EQ(mixed.code, 3) << "the first file failed as input: " << mixed.err;
    ExpectContains(mixed.err, {"not a DICOM file: ", "notes.dcm", "1 of 2 files failed"});
    EXPECT_NE(m_pacs.Find(DumpValue(report, "SOPInstanceUID")), "") << "the good file was stored all the same";
}

namespace {

// The sample image as a study ordered under an accession number, with a requested procedure.
std::string OrderedImage(const TempDir& folder)
{
    const std::string image = folder.File("image.dcm");
    EXPECT_EQ(RunTool("cp " + Quoted(SampleImage()) + " " + Quoted(image) +
                      " && dcmodify -nb -q -i AccessionNumber=ACC-4711 -i StudyID=S-12 -i 'StudyDescription=CT chest'"
                      " -i IssuerOfPatientID=HOSP -i '(0010,1000)=X1\\X2'"
                      " -i '(0040,0275)[0].(0040,1001)=RP-9' -i '(0040,0275)[0].(0032,1060)=Chest CT' " + Quoted(image))
                  .nExitCode,
              0);
    return image;
}

} // namespace

TEST_F(SrReportSend, EveryVersionIsKeptNamingTheEarlierAndFoundByItsAccessionNumber)
{
    const std::string image = OrderedImage(m_folder);
    const std::string draft = m_folder.File("draft.dcm");
    const std::string complete = m_folder.File("complete.dcm");
    const std::string final = m_folder.File("final.dcm");
    const std::string pdf = m_folder.File("final-pdf.dcm");
    const std::string to = " --to " + m_pacs.Peer(kOrthancAet);
    ASSERT_EQ(SrReport("new --image " + Quoted(image) + " --finding 'Draft.' -o " + Quoted(draft)).code, 0);
    ASSERT_EQ(SrReport("send " + Quoted(draft) + to, m_pacs.Inside()).code, 0);
    ASSERT_EQ(SrReport("edit " + Quoted(draft) + " --complete -o " + Quoted(complete)).code, 0);
    ASSERT_EQ(SrReport("send " + Quoted(complete) + to, m_pacs.Inside()).code, 0);
    ASSERT_EQ(SrReport("edit " + Quoted(complete) + " --finding 'Final.' --verify --verifier Roe^Anna --organization Clinic -o " +
                       Quoted(final))
                  .code,
              0);
    ASSERT_EQ(SrReport("export-pdf " + Quoted(final) + " -o " + Quoted(pdf)).code, 0);
    const Outcome sent = SrReport("send " + Quoted(final) + " " + Quoted(pdf) + to, m_pacs.Inside());
    ASSERT_EQ(sent.code, 0) << sent.err;

    // Orthanc keeps the first instance of a UID: each version is stored because each has its own.
    std::vector<std::string> earlier;
    for (const auto& [file, flags] : {std::pair<std::string, std::string>{draft, "PARTIAL UNVERIFIED"},
                                      {complete, "COMPLETE UNVERIFIED"}, {final, "COMPLETE VERIFIED"}}) {
        const std::string uid = DumpValue(file, "SOPInstanceUID");
        const std::string stored = m_pacs.Find(uid);
        ASSERT_NE(stored, "") << file;
        const std::string copy = m_folder.File("copy.dcm");
        m_pacs.Http("/instances/" + stored + "/file", "", copy);
        EXPECT_EQ(DumpValue(copy, "CompletionFlag") + " " + DumpValue(copy, "VerificationFlag"), flags);
        const std::string named =
            RunTool("dcmdump -q +P ReferencedSOPInstanceUID " + Quoted(copy) +
                    " | sed -n 's/.*\\[\\(.*\\)\\].*/\\1/p' | tr '\\n' ' '")
                .strOutput;
        std::string expected;
        for (const std::string& before : earlier) {
            expected += before + " ";
        }
        EXPECT_EQ(named, expected) << "each version names every earlier one, oldest first";
        earlier.push_back(uid);
    }
    // The archive finds the report and its printed copy by the study's accession number.
    const std::string found =
        m_pacs.Http("/tools/find", "{\"Level\": \"Instance\", \"Query\": {\"AccessionNumber\": \"ACC-4711\"}}");
    for (const std::string& file : {final, pdf}) {
        EXPECT_NE(found.find(m_pacs.Find(DumpValue(file, "SOPInstanceUID"))), std::string::npos) << file << ": " << found;
    }
    ExpectValues(pdf, {{"StudyID", "S-12"}, {"StudyDescription", "CT chest"}, {"IssuerOfPatientID", "HOSP"},
                       {"SeriesNumber", "8002"}});
    ExpectValues(final, {{"RequestedProcedureID", "RP-9"}, {"SeriesNumber", "8001"}, {"InstanceNumber", "3"}});
    EXPECT_EQ(DciodvfyErrors(final), "");
    for (const std::string& file : {final, pdf}) {
        EXPECT_EQ(RunTool("dciodvfy " + Quoted(file) + " 2>&1 | grep -E 'Warning|Error'").strOutput, "") << file;
    }
    ExpectContains(SrReport("show " + Quoted(final)).out,
                   {"Study ID: S-12\n", "Accession: ACC-4711\n", "Request: accession ACC-4711, procedure RP-9, Chest CT\n",
                    "Issuer of patient ID: HOSP\n", "Other patient ID: X2\n",
                    "Replaces: " + earlier[0] + "\n"});
}

TEST_F(SrReportSend, ACompressedImageGoesAsStoredAndIsDecompressedOnlyForAPeerThatTakesNothingElse)
{
    const std::string ppm = m_folder.File("picture.ppm");
    const std::string jpeg = m_folder.File("picture.jpg");
    const std::string image = m_folder.File("jpeg.dcm");
    const std::string report = m_folder.File("report.dcm");
    WriteFile(ppm, "P6\n16 16\n255\n" + std::string(16 * 16 * 3, '\x80'));
    ASSERT_EQ(RunTool("cjpeg " + Quoted(ppm) + " > " + Quoted(jpeg) + " && img2dcm -q " + Quoted(jpeg) + " " + Quoted(image))
                  .nExitCode,
              0);
    ASSERT_EQ(SrReport("new --image " + Quoted(image) + " -o " + Quoted(report)).code, 0);
    constexpr const char* kJpegBaseline = "1.2.840.10008.1.2.4.50";
    ASSERT_EQ(DumpValue(image, "TransferSyntaxUID"), kJpegBaseline);

    OrthancPeer uncompressedOnly("\"AcceptedTransferSyntaxes\": [\"1.2.840.10008.1.2\", \"1.2.840.10008.1.2.1\"], ");
    ASSERT_EQ(uncompressedOnly.Problem(), "");
    for (const auto& [pacs, syntax] : {std::pair<const OrthancPeer*, std::string>{&m_pacs, kJpegBaseline},
                                       {&uncompressedOnly, "1.2.840.10008.1.2.1"}}) {
        // An image and a report of other SOP classes share the association.
        const Outcome sent = SrReport("send " + Quoted(image) + " " + Quoted(report) + " --to " + pacs->Peer(kOrthancAet),
                                      pacs->Inside());
        ASSERT_EQ(sent.code, 0) << sent.err;
        const std::string stored = pacs->Find(DumpValue(image, "SOPInstanceUID"));
        ASSERT_NE(stored, "");
        EXPECT_EQ(pacs->Http("/instances/" + stored + "/metadata/TransferSyntax"), syntax);
        EXPECT_NE(pacs->Find(DumpValue(report, "SOPInstanceUID")), "");
    }
}

TEST_F(SrReportSend, StowStoresWithTheUsersPasswordAndRefusesWhatItCannotTrust)
{
    const std::string report = m_folder.File("report.dcm");
    const std::string pdf = m_folder.File("report-pdf.dcm");
    ASSERT_EQ(SrReport("new --image " + Quoted(SampleImage()) + " --finding 'Sent over the web.' -o " + Quoted(report)).code, 0);
    ASSERT_EQ(SrReport("export-pdf " + Quoted(report) + " -o " + Quoted(pdf)).code, 0);
    WriteFile(m_folder.File("notes.dcm"), "not DICOM\n");
    const std::string files = " " + Quoted(m_folder.File("notes.dcm")) + " " + Quoted(report) + " " + Quoted(pdf) + " ";
    const auto stow = [&](const std::string& password, const std::string& url, const std::string& more = "") {
        return SrReport("send" + files + "--stow " + url + " --user " + kUser + more,
                        "SRREPORT_PASSWORD=" + Quoted(password) + " " + m_pacs.Inside());
    };

    const Outcome wrong = stow("guess", m_pacs.StowUrl());
    EXPECT_EQ(wrong.code, 3) << "the first file is not DICOM: " << wrong.err;
    ExpectContains(wrong.err, {"not a DICOM file: " + m_folder.File("notes.dcm"), "refused the credentials of alice (HTTP 401)", "3 of 3 files failed"});
    EXPECT_EQ(m_pacs.Find(DumpValue(report, "SOPInstanceUID")), "");

    const Outcome stored = stow(kPassword, m_pacs.StowUrl());
    EXPECT_EQ(stored.code, 3) << stored.err;
    EXPECT_EQ(Lines(stored.err), 2) << "only the file that is not DICOM failed: " << stored.err;
    for (const std::string& file : {report, pdf}) {
        EXPECT_NE(m_pacs.Find(DumpValue(file, "SOPInstanceUID")), "") << file;
    }

    // A peer that refuses the connection, and a TLS server whose certificate nobody signed.
    const Outcome closed = SrReport("send " + Quoted(report) + " --stow http://127.0.0.1:" +
                                    std::to_string(m_pacs.ClosedPort()) + "/studies", m_pacs.Inside());
    EXPECT_EQ(closed.code, 5);
    ExpectContains(closed.err, {"cannot reach http://127.0.0.1:"});
    const std::string key = m_folder.File("key.pem");
    const std::string certificate = m_folder.File("certificate.pem");
    ASSERT_EQ(RunTool("openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1"
                      " -keyout " + Quoted(key) + " -out " + Quoted(certificate) + " 2>/dev/null")
                  .nExitCode,
              0);
    const std::string tls = "https://127.0.0.1:" + std::to_string(m_pacs.ClosedPort()) + "/studies";
    const std::string server = "(" + m_pacs.Inside() + "timeout 60 openssl s_server -quiet -www -accept 127.0.0.1:" +
                               std::to_string(m_pacs.ClosedPort()) + " -cert " + Quoted(certificate) + " -key " + Quoted(key) +
                               " >/dev/null 2>&1 & echo $! > " + Quoted(m_folder.File("server.pid")) + ")";
    ASSERT_EQ(RunTool(server + " && sleep 1").nExitCode, 0);
    // The test server never answers a request: a short time-out ends the wait.
    const Outcome untrusted = SrReport("send " + Quoted(report) + " --timeout 3 --stow " + tls, m_pacs.Inside());
    const Outcome trusted =
        SrReport("send " + Quoted(report) + " --timeout 3 --stow " + tls + " --cacert " + Quoted(certificate), m_pacs.Inside());
    RunTool("kill $(cat " + Quoted(m_folder.File("server.pid")) + ")");
    EXPECT_EQ(untrusted.code, 5);
    ExpectContains(untrusted.err, {"cannot trust " + tls, "--cacert"});
    EXPECT_EQ(trusted.code, 5) << "the test server speaks TLS but not DICOMweb";
    EXPECT_EQ(trusted.err.find("cannot trust"), std::string::npos) << trusted.err;
}
