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

class OrthancPeer {
public:
    // Starts Orthanc; on failure `m_strProblem` says why, and the test skips.
    OrthancPeer()
    {
        // Any port is free in a fresh namespace; these vary only to be recognisable in logs.
        m_nDicomPort = 20000 + getpid() % 20000;
        m_nHttpPort = m_nDicomPort + 1;
        if (getuid() != 0 || RunTool("command -v Orthanc unshare nsenter curl >/dev/null").nExitCode != 0) {
            m_strProblem = "needs root, Orthanc (Debian package orthanc), unshare, nsenter and curl";
            return;
        }
        const std::string storage = m_dir.File("storage");
        const std::string config = m_dir.File("orthanc.json");
        WriteFile(config, "{\"Name\": \"srreport-test\", \"StorageDirectory\": \"" + storage + "\", \"IndexDirectory\": \"" +
                              storage + "\", \"DicomAet\": \"" + kOrthancAet + "\", \"DicomPort\": " +
                              std::to_string(m_nDicomPort) + ", \"HttpPort\": " + std::to_string(m_nHttpPort) +
                              ", \"DicomCheckCalledAet\": true, \"RemoteAccessAllowed\": false, "
                              "\"AuthenticationEnabled\": false, \"OrthancExplorerEnabled\": false, \"Plugins\": [], "
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
    std::string ClosedPeer() const { return std::string(kOrthancAet) + "@127.0.0.1:" + std::to_string(m_nHttpPort + 1); }

    // A GET (or, with a body, a POST) on Orthanc's REST interface.
    std::string Http(const std::string& path, const std::string& body = "", const std::string& saveTo = "") const
    {
        std::string command = Inside() + "curl -s --max-time 5 ";
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

TEST_F(SrReportSend, AReportAndItsEncapsulatedPdfArriveInThePacs)
{
    const std::string report = m_folder.File("report.dcm");
    const std::string instance = m_folder.File("report-pdf.dcm");
    ASSERT_EQ(SrReport("new --image " + Quoted(SampleImage()) + " --finding 'Stored finding.' --complete -o " +
                       Quoted(report))
                  .code,
              0);
    ASSERT_EQ(SrReport("export-pdf " + Quoted(report) + " -o " + Quoted(instance)).code, 0);

    const Outcome sent = SrReport("send " + Quoted(report) + " " + Quoted(instance) + " --to " + m_pacs.Peer(kOrthancAet) +
                                      " --calling-aet SRTEST",
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
