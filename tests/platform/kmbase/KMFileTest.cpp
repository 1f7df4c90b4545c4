#include "platform/Host.h"
#include "platform/kmbase/KMFile.h"
#include "platform/kmbase/KMFileReplace.h"
#include "platform/kmbase/KMLastError.h"
#include "platform/kmdicom/KMDcmFile.h"
#include "report/KMReportTemplate.h"
#include "support/FileChecks.h"
#include "support/FullDisk.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <functional>

using testing_support::Entries;
using testing_support::IsLink;
using testing_support::ModeOf;
using testing_support::Quoted;
using testing_support::ReadFile;
using testing_support::RunTool;
using testing_support::TempDir;
using testing_support::WriteFile;
using Error = KMFile::Error;

TEST(KMFile, ReadsRegularFilesAndLinksWithinTheLimit)
{
    TempDir dir;
    WriteFile(dir.File("a.xml"), "<Window/>");
    ASSERT_EQ(symlink(dir.File("a.xml").c_str(), dir.File("link.xml").c_str()), 0);
    std::string bytes = "kept";
    EXPECT_EQ(KMFile::Read(dir.File("a.xml").c_str(), 9, bytes), Error::None);
    EXPECT_EQ(bytes, "<Window/>");
    bytes.clear();
    EXPECT_EQ(KMFile::Read(dir.File("link.xml").c_str(), 100, bytes), Error::None);
    EXPECT_EQ(bytes, "<Window/>");

    bytes = "kept";
    EXPECT_EQ(KMFile::Read(dir.File("a.xml").c_str(), 8, bytes), Error::TooLarge);
    WriteFile(dir.File("empty"), "");
    EXPECT_EQ(KMFile::Read(dir.File("empty").c_str(), 100, bytes), Error::Empty);
    EXPECT_EQ(KMFile::Read(dir.File("missing").c_str(), 100, bytes), Error::NotFound);
    EXPECT_EQ(KMFile::Read(dir.File("a.xml/inside").c_str(), 100, bytes), Error::NotFound);
    EXPECT_EQ(KMFile::Read(nullptr, 100, bytes), Error::BadPath);
    EXPECT_EQ(KMFile::Read("", 100, bytes), Error::BadPath);
    EXPECT_EQ(bytes, "kept") << "a failed read leaves the output alone";
    EXPECT_STREQ(KMFile::Reason(Error::TooLarge), "file too large");
}

TEST(KMFile, AHeadCheckSeesTheStartAndTheSizeAndCanRefuse)
{
    TempDir dir;
    const std::string big(1000, 'x');
    WriteFile(dir.File("big"), "HEAD" + big);
    std::string bytes;
    const auto startsWithHead = [](const std::string& head, size_t size) {
        return head.size() == KMFile::kHeadBytes && size == 1004 && head.compare(0, 4, "HEAD") == 0;
    };
    EXPECT_EQ(KMFile::Read(dir.File("big").c_str(), 2000, bytes, startsWithHead), Error::None);
    EXPECT_EQ(bytes, "HEAD" + big) << "the head and the rest make the whole file";
    bytes = "kept";
    const auto refuse = [](const std::string&, size_t) { return false; };
    EXPECT_EQ(KMFile::Read(dir.File("big").c_str(), 2000, bytes, refuse), Error::WrongKind);
    EXPECT_EQ(bytes, "kept");
    WriteFile(dir.File("short"), "ab");
    const auto wholeShortFile = [](const std::string& head, size_t size) { return head == "ab" && size == 2; };
    EXPECT_EQ(KMFile::Read(dir.File("short").c_str(), 2000, bytes, wholeShortFile), Error::None);
    EXPECT_EQ(bytes, "ab");
}

TEST(KMFile, FoldersDevicesAndFifosAreRefusedWithoutWaiting)
{
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
    ASSERT_EQ(symlink(dir.File("fifo").c_str(), dir.File("fifo-link").c_str()), 0);
    std::string bytes;
    // Opening a FIFO for reading would wait for a writer forever; the call must return.
    EXPECT_EQ(KMFile::Read(dir.File("fifo").c_str(), 100, bytes), Error::NotRegular);
    EXPECT_EQ(KMFile::Read(dir.File("fifo-link").c_str(), 100, bytes), Error::NotRegular);
    EXPECT_EQ(KMFile::Read(dir.Path().c_str(), 100, bytes), Error::NotRegular);
    EXPECT_EQ(KMFile::Read("/dev/null", 100, bytes), Error::NotRegular);
    EXPECT_EQ(KMFile::Read("/dev/zero", 100, bytes), Error::NotRegular);
    EXPECT_TRUE(bytes.empty());
}

TEST(KMFileReplace, ALinkStaysALinkAndItsTargetGetsTheContent)
{
    TempDir dir;
    ASSERT_EQ(mkdir(dir.File("real").c_str(), 0755), 0);
    const std::string target = dir.File("real/report.xml");
    WriteFile(target, "old");
    ASSERT_EQ(symlink("real/report.xml", dir.File("link.xml").c_str()), 0);
    ASSERT_EQ(symlink("link.xml", dir.File("chain.xml").c_str()), 0);

    EXPECT_EQ(KMFileReplace::Replace(dir.File("chain.xml").c_str(), "new"), Error::None);
    EXPECT_EQ(ReadFile(target), "new");
    EXPECT_TRUE(IsLink(dir.File("link.xml")));
    EXPECT_TRUE(IsLink(dir.File("chain.xml")));
    EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"chain.xml", "link.xml", "real"}));
    EXPECT_EQ(Entries(dir.File("real")), (std::vector<std::string>{"report.xml"}));

    ASSERT_EQ(symlink("nowhere/x.xml", dir.File("dangling.xml").c_str()), 0);
    EXPECT_EQ(KMFileReplace::Replace(dir.File("dangling.xml").c_str(), "x"), Error::NotFound);
}

TEST(KMFileReplace, PermissionsOfTheReplacedFileAreKept)
{
    TempDir dir;
    for (const mode_t mode : {0600u, 0444u}) {
        const std::string path = dir.File("mode-" + std::to_string(mode) + ".dcm");
        WriteFile(path, "old");
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        EXPECT_EQ(KMFileReplace::Replace(path.c_str(), "new"), Error::None);
        EXPECT_EQ(ModeOf(path), mode);
        EXPECT_EQ(ReadFile(path), "new");
    }

    {
        const std::string shared = dir.File("shared.dcm");
        WriteFile(shared, "old");
        ASSERT_EQ(chmod(shared.c_str(), 0644), 0);
        KMFileReplace replace;
        ASSERT_EQ(replace.Begin(shared.c_str()), Error::None);
        EXPECT_EQ(ModeOf(replace.TemporaryPath()), 0600u) << "new content stays private until it is complete";
        ASSERT_TRUE(replace.Write("new"));
        ASSERT_EQ(replace.Commit(), Error::None);
        EXPECT_EQ(ModeOf(shared), 0644u);
    }

    const mode_t mask = umask(027);
    EXPECT_EQ(KMFileReplace::Replace(dir.File("fresh.dcm").c_str(), "new"), Error::None);
    umask(mask);
    EXPECT_EQ(ModeOf(dir.File("fresh.dcm")), 0640u) << "a new file gets the mode the umask gives";
}

TEST(KMFileReplace, TargetsThatAreNoRegularFileAreRefusedAndUntouched)
{
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(dir.File("folder").c_str(), 0755), 0);
    // A device node of our own where we may make one (root); otherwise the system's /dev/null,
    // which the process could not replace anyway.
    std::string device = dir.File("null");
    if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
        device = "/dev/null";
    }
    ASSERT_EQ(symlink(dir.File("fifo").c_str(), dir.File("fifo-link").c_str()), 0);
    const std::vector<std::string> before = Entries(dir.Path());
    for (const std::string& path : {dir.File("fifo"), dir.File("fifo-link"), dir.File("folder"), device}) {
        SCOPED_TRACE(path);
        struct stat was {};
        ASSERT_EQ(stat(path.c_str(), &was), 0);
        EXPECT_EQ(KMFileReplace::Replace(path.c_str(), "data"), Error::NotRegular);
        struct stat now {};
        ASSERT_EQ(stat(path.c_str(), &now), 0);
        EXPECT_EQ(now.st_ino, was.st_ino);
        EXPECT_EQ(now.st_mode, was.st_mode);
    }
    EXPECT_EQ(Entries(dir.Path()), before) << "nothing added or removed";
}

TEST(KMFileReplace, FailuresLeaveTheOldFileAndNoTemporaryFile)
{
    TempDir dir;
    const std::string target = dir.File("report.dcm");
    WriteFile(target, "old");
    {
        KMFileReplace replace;
        ASSERT_EQ(replace.Begin(target.c_str()), Error::None);
        EXPECT_EQ(replace.Begin(target.c_str()), Error::BadPath) << "one replacement per object";
        ASSERT_TRUE(replace.Write("half"));
        EXPECT_EQ(Entries(dir.Path()).size(), 2u) << "the new content is written beside the target";
    }
    EXPECT_EQ(ReadFile(target), "old") << "a writer that gives up replaces nothing";
    EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"report.dcm"}));

    {
        // The target turns into something else while the new content is written.
        KMFileReplace replace;
        ASSERT_EQ(replace.Begin(target.c_str()), Error::None);
        ASSERT_TRUE(replace.Write("new"));
        ASSERT_EQ(unlink(target.c_str()), 0);
        ASSERT_EQ(mkfifo(target.c_str(), 0600), 0);
        EXPECT_EQ(replace.Commit(), Error::NotRegular);
        EXPECT_EQ(replace.Commit(), Error::BadPath);
    }
    struct stat info {};
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"report.dcm"}));

    EXPECT_EQ(KMFileReplace::Replace(dir.File("no/folder/x.dcm").c_str(), "x"), Error::NotFound);
    EXPECT_EQ(KMFileReplace::Replace(nullptr, "x"), Error::BadPath);
    EXPECT_EQ(KMFileReplace::Replace("", "x"), Error::BadPath);
    EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"report.dcm"}));
}

namespace {

// An empty one-page document on a PDF printer that writes `path`; false when it did not start.
bool PrintAPageTo(const std::string& path)
{
    static int printers = 0;
    const std::string name = "Writer PDF " + std::to_string(++printers);
    if (!platform::RegisterPdfPrinter(name.c_str(), path.c_str())) {
        return false;
    }
    HDC dc = CreateDCA(nullptr, name.c_str(), nullptr, nullptr);
    DOCINFOW info{sizeof(DOCINFOW), L"writer", nullptr, nullptr, 0};
    const bool printed = dc != nullptr && StartDocW(dc, &info) > 0 && StartPage(dc) > 0 && EndPage(dc) > 0 &&
                         EndDoc(dc) > 0;
    DeleteDC(dc);
    return printed;
}


struct Writer {
    const char* name;
    std::function<bool(const std::string&)> write;
    std::function<bool(const std::string&)> reads;
};

// The library's writers: a DICOM file, a template and a PDF file printer.
std::vector<Writer> LibraryWriters(KMDcmFile& image, KMReportTemplate& skin)
{
    const auto readsWith = [](const char* tool) {
        return [tool](const std::string& path) { return RunTool(tool + (" " + Quoted(path)) + " >/dev/null 2>&1").nExitCode == 0; };
    };
    return {
        {"DICOM file", [&](const std::string& path) { return image.SaveFile(path.c_str()); }, readsWith("dcmdump")},
        {"template", [&](const std::string& path) { return skin.Save(path.c_str(), "Linked"); },
         [](const std::string& path) { return KMReportTemplate().Load(path.c_str()); }},
        {"PDF printer", PrintAPageTo, readsWith("pdfinfo")},
    };
}

} // namespace

// Each of the library's writers goes through the replacement: a link keeps pointing at the file
// that gets the new content with its permissions, and a target that is no regular file, or lies
// in no folder, fails the write and is left as it was, with nothing beside it.
TEST(KMFileReplace, EveryWriterReplacesThroughLinksAndRefusesWhatIsNoFile)
{
    KMDcmFile image;
    ASSERT_TRUE(image.LoadFile(testing_support::DataFile("ct-image.dcm").c_str(), true));
    KMReportTemplate skin;
    ASSERT_TRUE(skin.Load((std::string(SRCTRL_SOURCE_DIR) + "/skin/srctrl/default_template.xml").c_str()));
    for (const Writer& writer : LibraryWriters(image, skin)) {
        SCOPED_TRACE(writer.name);
        TempDir dir;
        const std::string stored = dir.File("stored");
        WriteFile(stored, "old");
        ASSERT_EQ(chmod(stored.c_str(), 0600), 0);
        ASSERT_EQ(symlink(stored.c_str(), dir.File("link").c_str()), 0);
        ASSERT_TRUE(writer.write(dir.File("link")));
        EXPECT_TRUE(IsLink(dir.File("link")));
        EXPECT_EQ(ModeOf(stored), 0600u);
        EXPECT_TRUE(writer.reads(stored));

        ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
        ASSERT_EQ(mkdir(dir.File("folder").c_str(), 0755), 0);
        for (const char* target : {"fifo", "folder", "no/folder/file"}) {
            EXPECT_FALSE(writer.write(dir.File(target))) << target;
        }
        struct stat fifo {};
        ASSERT_EQ(stat(dir.File("fifo").c_str(), &fifo), 0);
        EXPECT_TRUE(S_ISFIFO(fifo.st_mode));
        EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"fifo", "folder", "link", "stored"}));
        EXPECT_EQ(Entries(dir.File("folder")), std::vector<std::string>{});
    }
}

// On a full disk every writer fails with the system's words for it, keeps the file it was to
// replace byte for byte, and leaves nothing else behind, however far it got.
TEST(KMFileReplace, AFullDiskFailsEveryWriterAndKeepsTheOldFile)
{
    testing_support::FullDisk disk;
    if (!disk.Problem().empty()) {
        GTEST_SKIP() << disk.Problem();
    }
    KMDcmFile image;
    ASSERT_TRUE(image.LoadFile(testing_support::DataFile("ct-image.dcm").c_str(), true));
    KMReportTemplate skin;
    ASSERT_TRUE(skin.Load((std::string(SRCTRL_SOURCE_DIR) + "/skin/srctrl/default_template.xml").c_str()));
    const std::string old(3000, 'o');
    WriteFile(disk.File("old"), old);
    disk.Fill();
    for (const Writer& writer : LibraryWriters(image, skin)) {
        SCOPED_TRACE(writer.name);
        for (const char* target : {"old", "new"}) {
            KMLastError::Clear();
            EXPECT_FALSE(writer.write(disk.File(target))) << target;
            EXPECT_NE(std::string(KMLastError::Get()).find("No space left on device"), std::string::npos)
                << KMLastError::Get();
        }
        EXPECT_EQ(ReadFile(disk.File("old")), old);
        EXPECT_EQ(Entries(disk.Path()), (std::vector<std::string>{".filler", "old"}));
    }
}
