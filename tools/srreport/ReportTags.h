#pragma once

// The control's private tags that address a report's SR content rather than dataset elements.
namespace ReportTags {

constexpr unsigned int Finding = 0x07211001;
constexpr unsigned int Conclusion = 0x07211002;
constexpr unsigned int AuthorObserverName = 0x07211004;

} // namespace ReportTags
