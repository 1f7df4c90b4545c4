#include "platform/kmbase/KMLastError.h"
#include "platform/kmbase/KMString.h"
#include "platform/kmdicom/KMDcmDeepStack.h"
#include "platform/kmdicom/KMDcmSR.h"
#include "support/SRDocuments.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <chrono>
#include <functional>
#include <set>
#include <sstream>

using namespace testing_support;

namespace {

const char* const kFinding = "121071,DCM,Finding";
const char* const kFindings = "121070,DCM,Findings";

std::string Utf8(const std::wstring& text)
{
    return KMString::ToUtf8(text.data(), text.size());
}

// The lines that dsrdump shows of one document and not of the other.
std::set<std::string> Lines(const std::string& path)
{
    std::istringstream text(RunTool("dsrdump " + Quoted(path) + " 2>/dev/null").strOutput);
    std::set<std::string> lines;
    for (std::string line; std::getline(text, line);) {
        lines.insert(line);
    }
    return lines;
}

std::vector<std::string> Only(const std::set<std::string>& in, const std::set<std::string>& notIn)
{
    std::vector<std::string> only;
    for (const std::string& line : in) {
        if (notIn.count(line) == 0) {
            only.push_back(line);
        }
    }
    return only;
}

// Runs `work` on a thread of 512 KiB of stack, where DCMTK's recursion over a few thousand
// levels would overflow.
void RunOnSmallStack(std::function<void()> work)
{
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 512 * 1024);
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attributes, [](void* job) -> void* {
        (*static_cast<std::function<void()>*>(job))();
        return nullptr;
    }, &work), 0);
    pthread_attr_destroy(&attributes);
    pthread_join(thread, nullptr);
}

void ExpectHolds(const std::string& text, const std::vector<const char*>& parts, const char* what)
{
    for (const char* part : parts) {
        EXPECT_NE(text.find(part), std::string::npos) << what << " lacks \"" << part << "\" in:\n" << text;
    }
}

struct Shape {
    const char* szName;
    SRShape shape;
    // What the Finding and the Conclusion show, and the rest of the content.
    std::vector<const char*> finding;
    std::vector<const char*> conclusion;
    std::vector<const char*> other;
    // Empty when a text replaces the Finding; else part of the reason why not.
    const char* szRefusal;
    // What dsrdump shows of the edited document and not of the source.
    const char* szEdited;
};

const Shape kShapes[] = {
    {"a finding under a heading of its own",
     {"Comprehensive SR", SRContainer("CONTAINS", "T-D3000,SRT,Chest", SRText("CONTAINS", kFinding, "A mass of 3 cm.")), "", 1},
     {"A mass of 3 cm."}, {}, {"Chest"}, "", "TEXT:(,,\"Finding\")=\"changed\""},
    {"a diagnostic imaging report in sections",
     {"Basic Text SR",
      SRContainer("CONTAINS", kFindings,
                  SRText("CONTAINS", kFinding, "A mass of 3 cm.") + SRText("CONTAINS", kFinding, "No effusion.") +
                      SRCode("CONTAINS", kFinding, "4147007,SCT,Mass")) +
          SRContainer("CONTAINS", "121076,DCM,Conclusions", SRText("CONTAINS", "121077,DCM,Conclusion", "Suspicious.")) +
          SRImage("CONTAINS", "1.2.826.0.1.3680043.10.2222.77")},
     {"Findings", "Finding: A mass of 3 cm.", "Finding: No effusion.", "Finding: Mass"}, {"Suspicious."},
     {"CT Image Storage 1.2.826.0.1.3680043.10.2222.77"}, "holds it as 3 items", nullptr},
    {"measurements, codes, impressions and a procedure",
     {"Enhanced SR",
      SRContainer("CONTAINS", kFindings,
                  SRNum("CONTAINS", "G-D7FE,SRT,Diameter", "12.5", "mm,UCUM,millimeter") +
                      SRNum("CONTAINS", "112031,DCM,Attenuation Coefficient", "-35", "[hnsf'U],UCUM,Hounsfield unit") +
                      SRCode("CONTAINS", kFinding, "4147007,SCT,Mass",
                             SRCode("HAS CONCEPT MOD", "G-C0E3,SRT,Finding Site", "39607008,SCT,Lung"))) +
          SRContainer("CONTAINS", "121072,DCM,Impressions",
                      SRText("CONTAINS", "121073,DCM,Impression", "Likely benign.") +
                          SRText("CONTAINS", "121073,DCM,Impression", "Compare with prior.")) +
          SRContainer("CONTAINS", "121064,DCM,Current Procedure Descriptions",
                      SRText("CONTAINS", "121065,DCM,Procedure Description", "CT chest, contrast."))},
     {"Diameter: 12.5 mm", "Attenuation Coefficient: -35 Hounsfield unit", "Finding: Mass", "Finding Site: Lung"},
     {"Impression: Likely benign.", "Impression: Compare with prior."},
     {"Current Procedure Descriptions", "Procedure Description: CT chest, contrast."}, "holds it as 4 items", nullptr},
    {"sections coded by LOINC",
     {"Comprehensive SR",
      SRContainer("CONTAINS", "59776-5,LN,Procedure Findings", SRText("CONTAINS", kFinding, "Nodule.")) +
          SRContainer("CONTAINS", "19005-8,LN,Impressions", SRText("CONTAINS", "121073,DCM,Impression", "Benign.")) +
          SRContainer("CONTAINS", "55110-1,LN,Conclusions", SRText("CONTAINS", "121077,DCM,Conclusion", "No action."))},
     {"Nodule."}, {"Impression: Benign.", "Conclusion: No action."}, {}, "", "TEXT:(,,\"Finding\")=\"changed\""},
    {"two findings under the root",
     {"Basic Text SR", SRText("CONTAINS", kFinding, "First.") + SRText("CONTAINS", kFinding, "Second.")},
     {"Finding: First.", "Finding: Second."}, {}, {}, "holds it as 2 items", nullptr},
    {"a measurement report",
     {"Comprehensive SR",
      SRContainer("CONTAINS", "126010,DCM,Imaging Measurements",
                  SRNum("CONTAINS", "G-D7FE,SRT,Diameter", "7", "mm,UCUM,millimeter")),
      "1500"},
     {}, {}, {"Imaging Measurements", "Diameter: 7 mm"}, "TID 1500", nullptr},
    {"a key object selection",
     {"Key Object Selection Document", SRImage("CONTAINS", "1.2.826.0.1.3680043.10.2222.78")},
     {}, {}, {"CT Image Storage 1.2.826.0.1.3680043.10.2222.78"}, "Key Object Selection", nullptr},
    {"a finding of the control's own kind",
     {"Basic Text SR", SRText("CONTAINS", kFinding, "Line one.\r\nLine two.")},
     {"Line one.\r\nLine two."}, {}, {}, "", "TEXT:(,,\"Finding\")=\"changed\""},
};

} // namespace

// Each shape shows every item, in the Finding, the Conclusion or the rest; a text replaces the
// Finding only where it is one TEXT item, and what else the document holds stays as it was.
TEST(KMDcmContentTree, EachShapeShowsEveryItemAndIsEditedInPlaceOrRefused)
{
    TempDir dir;
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(shape.szName);
        const std::string source = dir.File("source.dcm");
        const std::string saved = dir.File("saved.dcm");
        ASSERT_EQ(WriteSR(source, shape.shape), "");
        KMDcmSR sr;
        ASSERT_TRUE(sr.LoadFile(source.c_str(), true));
        std::wstring finding;
        std::wstring conclusion;
        sr.GetFinding(finding);
        sr.GetConclusion(conclusion);
        ExpectHolds(Utf8(finding), shape.finding, "the finding");
        ExpectHolds(Utf8(conclusion), shape.conclusion, "the conclusion");
        ExpectHolds(Utf8(sr.GetOtherContent()), shape.other, "the other content");
        EXPECT_EQ(finding.empty(), shape.finding.empty()) << Utf8(finding);

        std::string reason;
        const bool editable = sr.CanSetValue(0x07211001, reason);
        EXPECT_EQ(editable, *shape.szRefusal == '\0') << reason;
        EXPECT_NE(reason.find(shape.szRefusal), std::string::npos) << reason;
        KMLastError::Clear();
        EXPECT_EQ(sr.SetFinding(L"changed"), editable);
        EXPECT_EQ(KMLastError::Get(), editable ? "" : reason);
        ASSERT_TRUE(sr.SaveFile(saved.c_str()));
        const std::vector<std::string> added = Only(Lines(saved), Lines(source));
        if (editable) {
            ASSERT_EQ(added.size(), 1u) << "one item changed, nothing else";
            EXPECT_NE(added[0].find(shape.szEdited), std::string::npos) << added[0];
            EXPECT_LE(Only(Lines(source), Lines(saved)).size(), 1u);
        } else {
            EXPECT_TRUE(added.empty() && Only(Lines(source), Lines(saved)).empty()) << "a refusal changes nothing";
        }
    }
}

// An amendment keeps every item and takes the person's text once, as an item of its own that
// reads back as the Finding, also after saving and reading again.
TEST(KMDcmContentTree, AnAmendmentTakesTheTextOnceAndKeepsEveryItem)
{
    TempDir dir;
    const std::string source = dir.File("source.dcm");
    ASSERT_EQ(WriteSR(source, kShapes[1].shape), "");
    KMDcmSR original;
    ASSERT_TRUE(original.LoadFile(source.c_str(), true));
    KMDcmSR amendment;
    ASSERT_TRUE(amendment.Copy(original.GetDataset()));
    amendment.BeginAmendment();
    std::wstring finding = L"stale";
    EXPECT_FALSE(amendment.GetFinding(finding));
    ASSERT_TRUE(amendment.SetFinding(L"Mass grown to 4 cm."));
    ASSERT_TRUE(amendment.SetFinding(L"Mass grown to 4 cm.\nNo effusion."));
    const std::string saved = dir.File("amended.dcm");
    ASSERT_TRUE(amendment.SaveFile(saved.c_str()));

    const std::vector<std::string> added = Only(Lines(saved), Lines(source));
    ASSERT_EQ(added.size(), 1u);
    EXPECT_NE(added[0].find("Mass grown to 4 cm."), std::string::npos);
    EXPECT_TRUE(Only(Lines(source), Lines(saved)).empty()) << "every item of the source is kept";
    KMDcmSR reread;
    ASSERT_TRUE(reread.LoadFile(saved.c_str(), true));
    ASSERT_TRUE(reread.GetFinding(finding));
    EXPECT_EQ(finding, L"Mass grown to 4 cm.\r\nNo effusion.") << "its own item, with DICOM's line breaks";
    EXPECT_NE(Utf8(reread.GetOtherContent()).find("Finding: A mass of 3 cm."), std::string::npos);
}

// Trees of any depth and width: read on a deep stack or refused with the reason, on any stack
// (here 512 KiB), in bounded time; what opens is written and freed there too.
TEST(KMDcmContentTree, DeepAndWideTreesOpenOrAreRefusedOnAnyStack)
{
    TempDir dir;
    std::string wide;
    for (int i = 0; i < 100000; ++i) {
        wide += SRText("CONTAINS", kFinding, "Finding " + std::to_string(i));
    }
    ASSERT_EQ(WriteSR(dir.File("wide.dcm"), {"Basic Text SR", SRContainer("CONTAINS", kFindings, wide), "", 0}), "");
    WriteNestedSR(dir.File("deep.dcm"), 10000);
    WriteNestedSR(dir.File("deeper.dcm"), 100000);
    const struct {
        const char* szFile;
        size_t items;
        const char* szRefusal;
    } cases[] = {{"wide.dcm", 100002, nullptr}, {"deep.dcm", 10002, nullptr}, {"deeper.dcm", 0, "nested deeper than 16384 levels"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szFile);
        const std::string path = dir.File(c.szFile);
        std::string error;
        size_t items = 0;
        std::wstring finding;
        const auto start = std::chrono::steady_clock::now();
        RunOnSmallStack([&] {
            KMDcmSR sr;
            if (!sr.LoadFile(path.c_str(), true)) {
                error = KMLastError::Get();
                return;
            }
            items = sr.GetContentItems().size();
            sr.GetFinding(finding);
            KMDcmSR copy;
            copy.Copy(sr.GetDataset());
            copy.SaveFile((path + ".saved").c_str());
        });
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
        EXPECT_EQ(items, c.items);
        if (c.szRefusal != nullptr) {
            EXPECT_NE(error.find(c.szRefusal), std::string::npos) << error;
        } else {
            EXPECT_EQ(error, "");
            EXPECT_NE(Utf8(finding).find("inding"), std::string::npos);
        }
    }
}

// The dataset stays the one store: what a host writes into the content through GetDataset() is
// what the model reads next; a write elsewhere (a picture, a flag) leaves the model as it is.
TEST(KMDcmContentTree, TheModelFollowsWhatAHostWritesIntoTheDataset)
{
    KMDcmSR sr;
    ASSERT_TRUE(sr.SetFinding(L"Typed."));
    KMDcmDataset item;
    ASSERT_TRUE(sr.GetDataset()->GetSequenceItem(0x0040A730, item, 0));
    ASSERT_TRUE(item.SetString(0x0040A160, L"Written by the host."));
    std::wstring finding;
    ASSERT_TRUE(sr.GetFinding(finding));
    EXPECT_EQ(finding, L"Written by the host.");
    const KMDcmContentItem* before = &sr.GetContentItems()[0];
    KMDcmDataset picture;
    ASSERT_TRUE(sr.GetDataset()->GetOrCreateSequenceItem(0x00081140, picture, 0));
    ASSERT_TRUE(picture.SetUint8Array(0x00420011, reinterpret_cast<const unsigned char*>("\xFF\xD8"), 2));
    ASSERT_TRUE(sr.CompleteDocument());
    EXPECT_EQ(&sr.GetContentItems()[0], before) << "not read again";
}

// Key images as IMAGE items: added after the root's items, read back by dsrdump with their frame,
// removed by instance (and frame); a Key Object Selection document takes none.
TEST(KMDcmContentTree, ImageItemsAreAddedAndRemoved)
{
    TempDir dir;
    KMDcmSR sr;
    // What dsrdump needs of a document to read it.
    for (const auto& [tag, value] : {std::pair<DWORD, const char*>{0x00080018, "1.2.826.0.1.3680043.10.2222.8"},
                                     {0x0020000D, "1.2.826.0.1.3680043.10.2222.9"}, {0x0020000E, "1.2.826.0.1.3680043.10.2222.10"},
                                     {0x0040A491, "PARTIAL"}, {0x0040A493, "UNVERIFIED"}}) {
        ASSERT_TRUE(sr.GetDataset()->SetString(tag, value));
    }
    ASSERT_TRUE(sr.SetFinding(L"Nodule."));
    const char* const ct = "1.2.840.10008.5.1.4.1.1.2";
    std::string reason;
    ASSERT_TRUE(sr.AddImageItem(ct, "1.2.826.0.1.3680043.10.2222.5", 3, "121200", "DCM", "Illustration of ROI", reason)) << reason;
    ASSERT_TRUE(sr.AddImageItem(ct, "1.2.826.0.1.3680043.10.2222.6", 0, nullptr, nullptr, nullptr, reason)) << reason;
    EXPECT_FALSE(sr.AddImageItem(ct, "not a UID", 0, nullptr, nullptr, nullptr, reason));
    const std::string path = dir.File("images.dcm");
    ASSERT_TRUE(sr.SaveFile(path.c_str()));
    const std::string dump = RunTool("dsrdump " + Quoted(path) + " 2>/dev/null").strOutput;
    ExpectHolds(dump, {"TEXT:(,,\"Finding\")=\"Nodule.\"", "IMAGE:(,,\"Illustration of ROI\")=(CT image,,3)", "IMAGE:=(CT image,)"},
                "dsrdump");
    EXPECT_EQ(sr.RemoveImageItems("1.2.826.0.1.3680043.10.2222.5", 4), 0) << "another frame";
    EXPECT_EQ(sr.RemoveImageItems("1.2.826.0.1.3680043.10.2222.5", 3), 1);
    EXPECT_EQ(sr.GetContentItems().size(), 3u);

    const std::string kos = dir.File("kos.dcm");
    ASSERT_EQ(WriteSR(kos, kShapes[6].shape), "");
    ASSERT_TRUE(sr.LoadFile(kos.c_str(), true));
    EXPECT_FALSE(sr.AddImageItem(ct, "1.2.826.0.1.3680043.10.2222.7", 0, nullptr, nullptr, nullptr, reason));
    EXPECT_NE(reason.find("Key Object Selection"), std::string::npos) << reason;
}
