#pragma once

#include <cups/cups.h>

// The CUPS client library, loaded the first time a printer name is looked up among the CUPS
// queues: libcups brings two dozen libraries (Kerberos, GnuTLS, Avahi, D-Bus) that a process
// printing only to PDF files, or not printing at all, should not pay for at start-up.
// The calls are those of <cups/cups.h>, reached through the members.
class CupsLibrary {
public:
    // The loaded library, or null when libcups.so.2 cannot be loaded or lacks a call; it stays
    // loaded for the life of the process.
    static const CupsLibrary* Get();

    decltype(&::cupsGetNamedDest) GetNamedDest = nullptr;
    decltype(&::cupsFreeDests) FreeDests = nullptr;
    decltype(&::cupsCopyDestInfo) CopyDestInfo = nullptr;
    decltype(&::cupsFreeDestInfo) FreeDestInfo = nullptr;
    decltype(&::cupsGetDestMediaDefault) GetDestMediaDefault = nullptr;
    decltype(&::cupsFindDestDefault) FindDestDefault = nullptr;
    decltype(&::cupsCreateDestJob) CreateDestJob = nullptr;
    decltype(&::cupsStartDestDocument) StartDestDocument = nullptr;
    decltype(&::cupsWriteRequestData) WriteRequestData = nullptr;
    decltype(&::cupsFinishDestDocument) FinishDestDocument = nullptr;
    decltype(&::cupsCancelDestJob) CancelDestJob = nullptr;
    decltype(&::ippGetValueTag) GetValueTag = nullptr;
    decltype(&::ippGetResolution) GetResolution = nullptr;

private:
    CupsLibrary() = default;
    bool Load();
};
