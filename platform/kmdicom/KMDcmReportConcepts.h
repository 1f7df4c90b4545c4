#pragma once

#include "platform/win32/WinDef.h"

#include <string>

// The report's fields that show SR content items rather than dataset elements.
enum class KMDcmContentField { None, Modality, Author, VerifierName, VerifierOrganization, Finding, Conclusion };

// The one table that says which content items of an SR document feed which field of the report,
// and which items the control writes itself.
//
// Each field has its own item: a child of the root with the field's concept, value type and
// relationship, as the control writes it (Finding, Conclusion, Person Observer Name, Modality,
// and the intended verifier). The Finding and the Conclusion are also fed, when the document has
// no own item for them, by items anywhere in the tree: the items with their concepts (Finding;
// Conclusion and Impression) and the content of their sections (Findings; Conclusions,
// Impressions and Summary, each coded by DCM or LOINC). The other common section headings of a
// diagnostic imaging report (History, Request, Procedure Descriptions, Previous Findings,
// Recommendations, Addendum, ...) are known too: what they hold stays theirs, shown under their
// heading in the content that has no field of its own, even a Finding item among it.
class KMDcmReportConcepts {
public:
    // The field's own item, written under the root in this order of fields.
    struct Own {
        KMDcmContentField field;
        DWORD tag;                // the report tag through which the field is read and written
        const char* szCode;
        const char* szScheme;
        const char* szMeaning;
        const char* szValueType;
        const char* szRelationship;
    };
    static constexpr int kFieldCount = 7;
    // The own item of `field` (None has none: null).
    static const Own* OwnItem(KMDcmContentField field);
    // The field whose own item has this concept and value type; None for none.
    static KMDcmContentField OwnField(const std::string& code, const std::string& scheme, const std::string& valueType);
    // The field that items of this concept feed wherever they are; None for none.
    static KMDcmContentField ItemField(const std::string& code, const std::string& scheme);
    // Whether the concept is a known section heading, and which field its content feeds (None for
    // a heading whose content is shown under it).
    static bool IsSection(const std::string& code, const std::string& scheme, KMDcmContentField& field);
    // The IMAGE items that reference the images a report's image boxes show (its key images):
    // children of the root, after its other items, whose concept says why the image is there
    // ("Best illustration of finding", a purpose of reference of diagnostic imaging reports).
    // The boxes show them, so the content that no field shows leaves them out.
    static const Own& KeyImageItem();
    // Whether an item of the root's children (its concept, value type and relationship) is one.
    static bool IsKeyImage(const std::string& code, const std::string& scheme, const std::string& valueType,
                           const std::string& relationship);
    // The field reached by a report tag; None for a tag of another kind.
    static KMDcmContentField FieldOfTag(DWORD tag);
    // "the finding", "the conclusion", "the author's name", ...: how reasons name the field.
    static std::string Name(KMDcmContentField field);
};
