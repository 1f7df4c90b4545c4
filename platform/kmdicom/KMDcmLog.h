#pragma once

// DCMTK reports problems through its loggers, on the process's standard error; the control
// reports failures through its results only. While one of these lives, DCMTK's data-layer and SR
// loggers are off; the levels that the host configured come back when the last guard goes, so a
// host that uses DCMTK's logging keeps its own configuration. Every public call of the kmdicom
// classes that works on DCMTK's objects holds one. Guards nest, also across threads (a document
// read on a deep stack, a copy written in the background): the loggers are the process's, so the
// guards share one count.
class KMDcmLog {
public:
    KMDcmLog();
    ~KMDcmLog();
    KMDcmLog(const KMDcmLog&) = delete;
    KMDcmLog& operator=(const KMDcmLog&) = delete;
};
