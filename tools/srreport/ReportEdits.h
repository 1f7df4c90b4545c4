#pragma once

#include "platform/kmdicom/KMDcmWindow.h"

#include <getopt.h>
#include <string>
#include <vector>

class IKMReport;

// Makes every UID that srreport makes from now on start with `root` (--uid-root); throws
// Failure (usage error) with the control's reason for a root it refuses.
void UseUidRoot(const char* root);

// The changes that `new` and `edit` make to a report, gathered from their options and applied
// through the control, as a person filling in the page would make them.
class ReportEdits {
public:
    // The options this class takes, to be merged into a command's option table.
    static const std::vector<option>& Options();
    // Takes an option of Options(); false for any other.
    bool Take(int option, const char* value);
    // Throws Failure (usage error) for options that do not fit together.
    void Check() const;

    // Stores every change in the report; throws Failure when the control refuses one.
    void Apply(IKMReport& report) const;

private:
    struct Value {
        unsigned int tag;
        std::string text;
        // How messages name the value: "the finding", "(0010,0010) PatientName".
        std::string name;
    };
    // A DICOM image for the next image box: --key-image IMAGE.dcm[:FRAME] [--window C,W].
    struct KeyImage {
        std::string strPath;
        int nFrame = 1;
        KMDcmWindow window;
    };
    static void Set(IKMReport& report, const Value& value);
    void TakeKeyImage(const std::string& argument);
    void TakeWindow(const std::string& argument);

    std::vector<Value> m_vecValues;
    std::vector<KeyImage> m_vecKeyImages;
    bool m_bComplete = false;
    bool m_bVerify = false;
    std::string m_strVerifier;
    std::string m_strOrganization;
    bool m_bHasVerifier = false;
    bool m_bHasOrganization = false;
};
