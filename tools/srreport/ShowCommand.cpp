#include "Command.h"

#include "Batch.h"
#include "CommandLine.h"
#include "DicomInput.h"
#include "Failure.h"
#include "ReportTags.h"
#include "Text.h"

#include "control/SrCtrl.h"
#include "platform/kmdicom/KMDcmConvert.h"
#include "platform/kmdicom/KMDcmSR.h"

#include <cstdio>
#include <sstream>
#include <vector>

namespace {

const char* const kUsage =
    "usage: srreport show REPORT.dcm... [--json] [-j N]\n"
    "\n"
    "Prints what SR documents hold: patient, study and the order it answers, document flags,\n"
    "the earlier versions it replaces, finding and conclusion, then the whole content tree as an\n"
    "indented outline. Values a document does not have are left out (text) or null (JSON; lists\n"
    "are empty); in JSON, \"content\" is the tree, each item with its concept, value type,\n"
    "relationship, value, unit and children.\n"
    "\n"
    "  --json   one JSON object per document, one per line\n"
    "  -j N     read N files at a time in N processes (the output keeps the order of the files)\n";

constexpr unsigned int kModality = 0x00080060;
constexpr unsigned int kReferencedRequestSequence = 0x0040A370;
constexpr unsigned int kPredecessorDocumentsSequence = 0x0040A360;
constexpr unsigned int kReferencedSeriesSequence = 0x00081115;
constexpr unsigned int kReferencedSOPSequence = 0x00081199;
constexpr unsigned int kReferencedSOPInstanceUID = 0x00081155;
constexpr unsigned int kOtherPatientIDsSequence = 0x00101002;
constexpr unsigned int kPatientID = 0x00100020;

struct Field {
    const char* key;
    const char* label;
    unsigned int tag;
    bool bName = false;
    // The label while the report is not verified, for what is only meant for its verification.
    const char* pendingLabel = nullptr;
};

// What show prints, in this order; the keys are the JSON names.
const Field kFields[] = {
    {"patientName", "Patient name", 0x00100010, true},
    {"patientId", "Patient ID", 0x00100020},
    {"issuerOfPatientId", "Issuer of patient ID", 0x00100021},
    {"patientBirthDate", "Birth date", 0x00100030},
    {"patientSex", "Sex", 0x00100040},
    {"patientAge", "Age", 0x00101010},
    {"studyInstanceUid", "Study UID", 0x0020000D},
    {"studyDate", "Study date", 0x00080020},
    {"studyDescription", "Study", 0x00081030},
    {"accessionNumber", "Accession", 0x00080050},
    {"studyId", "Study ID", 0x00200010},
    {"sopInstanceUid", "Document UID", 0x00080018},
    {"contentDate", "Content date", 0x00080023},
    {"contentTime", "Content time", 0x00080033},
    {"completionFlag", "Completion", 0x0040A491},
    {"verificationFlag", "Verification", 0x0040A493},
    {"author", "Author", ReportTags::AuthorObserverName, true},
    {"verifier", "Verified by", 0x0040A075, true, "To be verified by"},
    {"verifyingOrganization", "Organization", 0x0040A027, false, "Verifying organization"},
    {"verificationDateTime", "Verified at", 0x0040A030},
    {"finding", "Finding", ReportTags::Finding},
    {"conclusion", "Conclusion", ReportTags::Conclusion},
};

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned int>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

// What a Referenced Request item says, in this order; the keys are the JSON names.
const Field kRequestFields[] = {
    {"accessionNumber", "accession", 0x00080050},
    {"requestedProcedureId", "procedure", 0x00401001},
    {"requestedProcedureDescription", "", 0x00321060},
};

// Each item of a sequence of the dataset, in order.
template <class Visit>
void ForEachItem(KMDcmDataset& dataset, unsigned int sequence, Visit visit)
{
    KMDcmDataset item;
    for (int i = 0; dataset.GetSequenceItem(sequence, item, i); ++i) {
        visit(item);
    }
}

std::string Utf8Value(const KMDcmDataset& item, unsigned int tag)
{
    std::wstring value;
    return item.GetString(tag, value, 0) ? Text::Utf8(value) : "";
}

// The instances the document replaces, in the order it names them.
std::vector<std::string> Predecessors(KMDcmDataset& dataset)
{
    std::vector<std::string> uids;
    ForEachItem(dataset, kPredecessorDocumentsSequence, [&](KMDcmDataset& study) {
        ForEachItem(study, kReferencedSeriesSequence, [&](KMDcmDataset& series) {
            ForEachItem(series, kReferencedSOPSequence, [&](KMDcmDataset& sop) {
                uids.push_back(Utf8Value(sop, kReferencedSOPInstanceUID));
            });
        });
    });
    return uids;
}

// A JSON member holding a list of texts (`quoted`) or of JSON values.
void JsonList(std::ostringstream& out, const char* key, const std::vector<std::string>& items, bool quoted)
{
    out << ",\"" << key << "\":[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        out << (i > 0 ? "," : "") << (quoted ? JsonString(items[i]) : items[i]);
    }
    out << "]";
}

// A multi-line text under its label, each line (after CR LF, LF or CR) indented, so that a
// finding stays readable.
void TextLine(std::ostringstream& out, const char* label, const std::string& value)
{
    out << label << ": " << KMDcmContentItem::Outlined(value, 0);
}

// The content tree as nested JSON objects, built from its items in document order without
// recursion, however deep the tree nests.
void JsonTree(std::ostringstream& out, const std::vector<KMDcmContentItem>& items)
{
    if (items.empty()) {
        out << "null";
        return;
    }
    // How many objects are open, each with its children's list; whether that list is empty yet.
    int open = 0;
    bool empty = true;
    for (const KMDcmContentItem& item : items) {
        for (; open > item.nDepth; --open) {
            out << "]}";
            empty = false;
        }
        out << (empty ? "" : ",") << "{\"concept\":"
            << (item.strCode.empty() && item.strMeaning.empty()
                    ? std::string("null")
                    : "{\"code\":" + JsonString(item.strCode) + ",\"scheme\":" + JsonString(item.strScheme) +
                          ",\"meaning\":" + JsonString(item.strMeaning) + "}")
            << ",\"valueType\":" << JsonString(item.strValueType)
            << ",\"relationship\":" << (item.strRelationship.empty() ? "null" : JsonString(item.strRelationship))
            << ",\"value\":" << (item.strValueType == "CONTAINER" ? "null" : JsonString(item.strValue))
            << ",\"unit\":" << (item.strUnit.empty() ? "null" : JsonString(item.strUnit)) << ",\"children\":[";
        open = item.nDepth + 1;
        empty = true;
    }
    for (; open > 0; --open) {
        out << "]}";
    }
}

// Reads the documents with the control's document layer alone: nothing is shown, so no control
// (and no page) is made.
class ShowRunner : public JobRunner {
public:
    explicit ShowRunner(bool json) : m_bJson(json) {}

    std::string Run(const Job& job) override
    {
        KMDcmSR sr;
        if (!sr.LoadFile(job.strInput.c_str())) {
            throw Failure(ExitCode::Input, SrCtrlGetLastError());
        }
        std::string modality;
        sr.GetDataset()->GetString(kModality, modality);
        modality.erase(modality.find_last_not_of(' ') + 1);
        DicomInput::RequireReport(job.strInput, modality);
        std::ostringstream out;
        if (m_bJson) {
            out << "{\"file\":" << JsonString(job.strInput);
        } else {
            out << "File: " << job.strInput << "\n";
        }
        for (const Field& field : kFields) {
            std::wstring value;
            const bool present = sr.GetValue(field.tag, value);
            if (m_bJson) {
                out << ",\"" << field.key << "\":" << (present ? JsonString(Text::Utf8(value)) : "null");
            } else if (present && !value.empty()) {
                // Names as people read them; JSON keeps DICOM's form.
                const std::wstring shown = field.bName ? KMDcmConvert::ToDisplayText(field.tag, value) : value;
                const bool pending = field.pendingLabel != nullptr && !sr.IsVerified();
                TextLine(out, pending ? field.pendingLabel : field.label, Text::Utf8(shown));
            }
        }
        KMDcmDataset& dataset = *sr.GetDataset();
        std::vector<std::string> requests;
        ForEachItem(dataset, kReferencedRequestSequence, [&](KMDcmDataset& item) {
            std::string text;
            for (const Field& field : kRequestFields) {
                const std::string value = Utf8Value(item, field.tag);
                if (m_bJson) {
                    text += std::string(text.empty() ? "{" : ",") + "\"" + field.key + "\":" + JsonString(value);
                } else if (!value.empty()) {
                    text += (text.empty() ? "" : ", ") + (*field.label != '\0' ? std::string(field.label) + " " : "") + value;
                }
            }
            requests.push_back(m_bJson ? text + "}" : text);
        });
        const std::vector<std::string> predecessors = Predecessors(dataset);
        std::vector<std::string> others;
        ForEachItem(dataset, kOtherPatientIDsSequence, [&](KMDcmDataset& item) { others.push_back(Utf8Value(item, kPatientID)); });
        if (m_bJson) {
            JsonList(out, "otherPatientIds", others, true);
            JsonList(out, "requests", requests, false);
            JsonList(out, "predecessors", predecessors, true);
        } else {
            for (const std::string& other : others) {
                TextLine(out, "Other patient ID", other);
            }
            for (const std::string& request : requests) {
                TextLine(out, "Request", request);
            }
            for (const std::string& uid : predecessors) {
                TextLine(out, "Replaces", uid);
            }
        }
        const std::vector<KMDcmContentItem>& items = sr.GetContentItems();
        if (m_bJson) {
            out << ",\"completed\":" << (sr.IsCompleted() ? "true" : "false")
                << ",\"verified\":" << (sr.IsVerified() ? "true" : "false") << ",\"content\":";
            JsonTree(out, items);
            out << "}\n";
        } else {
            if (!items.empty()) {
                out << "Content:\n";
                for (const KMDcmContentItem& item : items) {
                    out << item.OutlineLine(item.nDepth + 1);
                }
            }
            out << "\n";
        }
        return out.str();
    }

private:
    bool m_bJson;
};

ExitCode Run(int argc, char** argv)
{
    bool json = false;
    int workers = 1;
    const option options[] = {
        {"json", no_argument, nullptr, 'J'},
        {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0},
    };
    const auto files = CommandLine::Parse(argc, argv, "hj:", options, [&](int c, const char* value) {
        switch (c) {
        case 'h': throw HelpRequested{};
        case 'j': workers = CommandLine::ParseWorkers(value); break;
        case 'J': json = true; break;
        default: break;
        }
    });
    CommandLine::RequireFiles(files, "report");
    Batch batch(CommandLine::JobsFor(files), workers);
    return batch.Run([json] { return std::make_unique<ShowRunner>(json); });
}

} // namespace

const Command kShowCommand{"show", "print what reports hold, as text or JSON", kUsage, Run};
