#pragma once

// DCMTK reports problems through its logger, on the process's standard error; the control
// reports failures through its results only, so it turns DCMTK's data-layer logging off before
// its first DICOM work.
class KMDcmLog {
public:
    static void Silence();
};
