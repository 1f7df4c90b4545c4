#pragma once

#include <thread>

// DCMTK parses its data dictionary (some ten thousand entries of text) the first time any tag is
// looked up; in a process that opens one document, that is most of what opening it costs. An
// object of this class starts that parse on a thread of its own, so that a control's window,
// template and fonts are set up meanwhile. DCMTK guards the dictionary with a lock: a lookup made
// before the parse ends waits for it, and a dictionary already loaded makes the thread end at
// once. The dictionary DCMDICTPATH names is the one loaded, as without this class.
//
// The thread is joined by the destructor, so the dictionary is never torn down at exit while
// being built; a process must not fork while one of these is alive.
class KMDcmDictionaryLoad {
public:
    // Starts the parse; when no thread can be started, the first lookup parses as usual.
    KMDcmDictionaryLoad();
    ~KMDcmDictionaryLoad();
    KMDcmDictionaryLoad(const KMDcmDictionaryLoad&) = delete;
    KMDcmDictionaryLoad& operator=(const KMDcmDictionaryLoad&) = delete;

private:
    std::thread m_thread;
};
