#pragma once

#include "platform/win32/WinDef.h"

// The DICOM tags that the control reads and writes, as 32-bit numbers (group in the high half).
namespace KMDcmTag {

constexpr DWORD SpecificCharacterSet = 0x00080005;
constexpr DWORD SOPClassUID = 0x00080016;
constexpr DWORD SOPInstanceUID = 0x00080018;
constexpr DWORD StudyDate = 0x00080020;
constexpr DWORD ContentDate = 0x00080023;
constexpr DWORD StudyTime = 0x00080030;
constexpr DWORD ContentTime = 0x00080033;
constexpr DWORD AccessionNumber = 0x00080050;
constexpr DWORD Modality = 0x00080060;
constexpr DWORD ReferringPhysicianName = 0x00080090;
constexpr DWORD StudyDescription = 0x00081030;
constexpr DWORD InstitutionalDepartmentName = 0x00081040;
constexpr DWORD ReferencedImageSequence = 0x00081140;
constexpr DWORD PatientName = 0x00100010;
constexpr DWORD PatientID = 0x00100020;
constexpr DWORD IssuerOfPatientID = 0x00100021;
constexpr DWORD PatientBirthDate = 0x00100030;
constexpr DWORD PatientSex = 0x00100040;
constexpr DWORD PatientAge = 0x00101010;
constexpr DWORD BodyPartExamined = 0x00180015;
constexpr DWORD StudyInstanceUID = 0x0020000D;
constexpr DWORD SeriesInstanceUID = 0x0020000E;
constexpr DWORD StudyID = 0x00200010;
constexpr DWORD SeriesNumber = 0x00200011;
constexpr DWORD InstanceNumber = 0x00200013;
constexpr DWORD EncapsulatedDocument = 0x00420011;
constexpr DWORD VerifyingOrganization = 0x0040A027;
constexpr DWORD VerificationDateTime = 0x0040A030;
constexpr DWORD VerifyingObserverSequence = 0x0040A073;
constexpr DWORD VerifyingObserverName = 0x0040A075;
constexpr DWORD CompletionFlag = 0x0040A491;
constexpr DWORD VerificationFlag = 0x0040A493;
constexpr DWORD ContentSequence = 0x0040A730;

// The report's private tags: they address the SR content of a report, not dataset elements.
constexpr DWORD ReportFinding = 0x07211001;
constexpr DWORD ReportConclusion = 0x07211002;
constexpr DWORD ReportAuthorObserverName = 0x07211004;

} // namespace KMDcmTag
