#pragma once

#include <string>

class DcmItem;

// What an instance made from a report (its Encapsulated PDF, a Key Object Selection document)
// takes beyond the report's patient and study (StudyIdentity).
namespace DerivedInstance {

// A UID under the root the control makes its own under, so that a site's instances share it;
// throws Failure naming `what` when none can be made.
std::string NewUid(const char* what);

// The number of the series of instances made from the report: `step` after the report's own, or
// 8000 + `step` for a report without one (the control numbers its SR series 8001).
std::string SeriesNumber(DcmItem& report, int step);

} // namespace DerivedInstance
