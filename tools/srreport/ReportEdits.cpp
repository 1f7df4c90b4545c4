#include "ReportEdits.h"

#include "CommandLine.h"
#include "Failure.h"
#include "ReportTags.h"
#include "TagName.h"
#include "Text.h"

#include "control/SrCtrl.h"
#include "platform/kmdicom/KMDcmSR.h"
#include "report/IKMReport.h"

#include <dcmtk/dcmdata/dcdeftag.h>

#include <cmath>
#include <cstdio>

namespace {

enum : int { kSet = 300, kFinding, kConclusion, kAuthor, kComplete, kVerify, kVerifier, kOrganization, kUidRoot, kKeyImage, kWindow };

unsigned int TagOf(const DcmTagKey& key)
{
    return static_cast<unsigned int>(key.getGroup()) << 16 | key.getElement();
}

// The text as the control compares it with what it keeps: without DICOM's trailing padding, and
// with one kind of line break (the control stores CR LF whatever was given).
std::wstring Comparable(std::wstring text)
{
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r') {
            out += L'\n';
            i += i + 1 < text.size() && text[i + 1] == L'\n' ? 1 : 0;
        } else {
            out += text[i];
        }
    }
    while (!out.empty() && out.back() == L' ') {
        out.pop_back();
    }
    return out;
}

} // namespace

void UseUidRoot(const char* root)
{
    if (!SrCtrlSetUidRoot(root)) {
        throw Failure(ExitCode::Usage, SrCtrlGetLastError());
    }
}

const std::vector<option>& ReportEdits::Options()
{
    static const std::vector<option> options = {
        {"set", required_argument, nullptr, kSet},
        {"finding", required_argument, nullptr, kFinding},
        {"conclusion", required_argument, nullptr, kConclusion},
        {"author", required_argument, nullptr, kAuthor},
        {"complete", no_argument, nullptr, kComplete},
        {"verify", no_argument, nullptr, kVerify},
        {"verifier", required_argument, nullptr, kVerifier},
        {"organization", required_argument, nullptr, kOrganization},
        {"uid-root", required_argument, nullptr, kUidRoot},
        {"key-image", required_argument, nullptr, kKeyImage},
        {"window", required_argument, nullptr, kWindow},
    };
    return options;
}

bool ReportEdits::Take(int option, const char* value)
{
    switch (option) {
    case kSet: {
        const std::string assignment = value;
        const auto equals = assignment.find('=');
        if (equals == std::string::npos) {
            throw Failure(ExitCode::Usage, "--set needs TAG=TEXT, not \"" + assignment + "\"");
        }
        const unsigned int tag = TagName::Parse(assignment.substr(0, equals));
        m_vecValues.push_back(Value{tag, assignment.substr(equals + 1), TagName::Describe(tag)});
        return true;
    }
    case kFinding: m_vecValues.push_back(Value{ReportTags::Finding, CommandLine::TextArgument(value), "the finding"}); return true;
    case kConclusion:
        m_vecValues.push_back(Value{ReportTags::Conclusion, CommandLine::TextArgument(value), "the conclusion"});
        return true;
    case kAuthor: m_vecValues.push_back(Value{ReportTags::AuthorObserverName, value, "the author's name"}); return true;
    case kComplete: m_bComplete = true; return true;
    case kVerify: m_bVerify = true; return true;
    case kVerifier: m_strVerifier = value; m_bHasVerifier = true; return true;
    case kOrganization: m_strOrganization = value; m_bHasOrganization = true; return true;
    case kUidRoot: UseUidRoot(value); return true;
    case kKeyImage: TakeKeyImage(value); return true;
    case kWindow: TakeWindow(value); return true;
    default: return false;
    }
}

void ReportEdits::TakeKeyImage(const std::string& argument)
{
    // IMAGE.dcm:3 is frame 3 of IMAGE.dcm; a name that merely holds a colon stays whole.
    KeyImage image;
    image.strPath = argument;
    const auto colon = argument.rfind(':');
    if (colon != std::string::npos && colon + 1 < argument.size() &&
        argument.find_first_not_of("0123456789", colon + 1) == std::string::npos) {
        image.strPath = argument.substr(0, colon);
        const std::string frame = argument.substr(colon + 1);
        image.nFrame = frame.size() <= 6 ? std::stoi(frame) : 0;
        if (image.nFrame < 1) {
            throw Failure(ExitCode::Usage, "--key-image " + argument + ": frames are counted from 1");
        }
    }
    m_vecKeyImages.push_back(image);
}

void ReportEdits::TakeWindow(const std::string& argument)
{
    if (m_vecKeyImages.empty()) {
        throw Failure(ExitCode::Usage, "--window goes after the --key-image it is for");
    }
    KMDcmWindow& window = m_vecKeyImages.back().window;
    char comma = 0;
    char rest = 0;
    if (std::sscanf(argument.c_str(), "%lf %c %lf %c", &window.dCenter, &comma, &window.dWidth, &rest) != 3 ||
        comma != ',' || !(window.dWidth > 0) || !std::isfinite(window.dCenter) || !std::isfinite(window.dWidth)) {
        throw Failure(ExitCode::Usage, "--window needs CENTRE,WIDTH with a width above 0, not \"" + argument + "\"");
    }
}

void ReportEdits::Check() const
{
    // A verifying observer belongs to a verification; alone it would describe one that never
    // happened.
    if (m_bVerify && (m_strVerifier.empty() || m_strOrganization.empty())) {
        throw Failure(ExitCode::Usage, "--verify needs --verifier NAME and --organization ORG");
    }
    if (!m_bVerify && (m_bHasVerifier || m_bHasOrganization)) {
        throw Failure(ExitCode::Usage, "--verifier and --organization go with --verify");
    }
}

void ReportEdits::Set(IKMReport& report, const Value& given)
{
    const std::wstring value = Text::Wide(given.text, given.name);
    // A value the document keeps in a form that one text cannot replace (a finding of several
    // items, a Key Object Selection document) is refused as the input it is.
    std::string reason;
    if (!report.GetDcmSR()->CanSetValue(given.tag, reason)) {
        throw Failure(ExitCode::Input, reason);
    }
    if (!report.SetValue(given.tag, value.c_str())) {
        throw Failure(ExitCode::Usage, "cannot store a text in " + given.name +
                                           " (not a text attribute, or a value it cannot hold)");
    }
    // The control keeps any text it accepts; reading it back proves that nothing was lost. DICOM
    // pads values with trailing spaces, and a multi-valued text reads back as its first value.
    std::wstring stored;
    if (!value.empty() && value.find(L'\\') == std::wstring::npos &&
        (!report.GetValue(given.tag, stored) || Comparable(stored) != Comparable(value))) {
        throw Failure(ExitCode::Failed, "the report did not keep " + given.name);
    }
}

void ReportEdits::Apply(IKMReport& report) const
{
    for (const Value& value : m_vecValues) {
        Set(report, value);
    }
    // The key images fill the boxes in the order they were given.
    for (size_t box = 0; box < m_vecKeyImages.size(); ++box) {
        const KeyImage& image = m_vecKeyImages[box];
        const KMDcmWindow* window = image.window.dWidth > 0 ? &image.window : nullptr;
        if (!report.SetKeyImageFile(static_cast<int>(box), image.strPath.c_str(), image.nFrame, window)) {
            throw Failure(ExitCode::Input, "key image " + image.strPath + " not put into the report: " + SrCtrlGetLastError());
        }
    }
    if (m_bComplete) {
        report.CompleteDocument();
    }
    if (m_bVerify) {
        Set(report, Value{TagOf(DCM_VerifyingObserverName), m_strVerifier, "the verifier's name"});
        Set(report, Value{TagOf(DCM_VerifyingOrganization), m_strOrganization, "the verifying organization"});
        report.VerifyDocument();
        if (!report.IsVerified()) {
            throw Failure(ExitCode::Failed, "the control did not verify the report");
        }
    }
}
