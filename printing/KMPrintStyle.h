#pragma once

#include <cstddef>
#include <string>

class KMDcmSR;
class KMReportTemplate;

// What a template says about its printed copy, and the texts that paper adds to a page: the
// footer, the mark of a report that is not verified, the running header of later sheets and the
// document's title, author and subject.
//
// The words are the template's, from the attributes of its first "Print" element (the page
// builder skips it), each defaulting to the English shown:
//   <Print pages="Page {page} of {pages}" preliminary="PRELIMINARY — NOT VERIFIED" verified="VERIFIED"
//          patientid="ID" birthdate="Born" accession="Accession" reportdate="Report date"/>
// "{page}" and "{pages}" stand for the sheet's number and the count of sheets; other text is
// printed as written. runningheader="none" leaves the running header out, for a template that
// repeats a region of its own that names the patient (printheader="repeat").
class KMPrintStyle {
public:
    KMPrintStyle();

    // Reads a template; a template that does not parse, or has no "Print" element, leaves the
    // English words, no repeated header and no title.
    void Load(const KMReportTemplate& report);

    // The "name" of the first control marked printheader="repeat" (the page from its top down to
    // that control starts every sheet); empty for none.
    const std::string& GetRepeatedHeader() const { return m_strRepeatedHeader; }
    // "<page words> · <status>": the sheet's number and the document's status.
    std::wstring PageFooter(size_t page, size_t pages, bool verified) const;
    const std::wstring& GetPreliminaryMark() const { return m_strPreliminary; }
    // The line that identifies the patient and the document at the top of every sheet after the
    // first: name, patient ID, birth date, accession number and report date, each with its word
    // and as people read it; what the document lacks is left out. Empty when the template has
    // none.
    std::wstring RunningHeader(const KMDcmSR& sr) const;
    // "<template name> — <patient name> — <report date>", for a PDF's Title and a print job's
    // name; a part that the template or the document lacks is left out.
    std::wstring DocumentTitle(const KMDcmSR& sr) const;
    // The author observer's name as people read it, and the study description: a PDF's Author
    // and Subject; empty when the document has none.
    static std::wstring DocumentAuthor(const KMDcmSR& sr);
    static std::wstring DocumentSubject(const KMDcmSR& sr);

private:
    std::string m_strRepeatedHeader;
    std::wstring m_strTemplateName;
    std::wstring m_strPages;
    std::wstring m_strPreliminary;
    std::wstring m_strVerified;
    std::wstring m_strPatientId;
    std::wstring m_strBirthDate;
    std::wstring m_strAccession;
    std::wstring m_strReportDate;
    bool m_bRunningHeader = true;
};
