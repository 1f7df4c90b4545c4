#include "platform/kmdicom/KMDcmDeepStack.h"

#include <pthread.h>

namespace {

// The lowest frame address that IsNearlySpent lets pass on this thread; null off a Run thread.
thread_local const char* t_pLimit = nullptr;

const char* FrameAddress()
{
    // The frame's own address: unlike a local's, it is on the real stack also where a sanitizer
    // moves locals to the heap.
    return static_cast<const char*>(__builtin_frame_address(0));
}

struct Job {
    const std::function<void()>* pWork;
    bool bDone;
};

void* RunJob(void* param)
{
    auto* job = static_cast<Job*>(param);
    t_pLimit = FrameAddress() - (KMDcmDeepStack::kStackBytes - KMDcmDeepStack::kReserveBytes);
    try {
        (*job->pWork)();
        job->bDone = true;
    } catch (...) {
        job->bDone = false;
    }
    return nullptr;
}

} // namespace

bool KMDcmDeepStack::Run(const std::function<void()>& work)
{
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) {
        return false;
    }
    Job job{&work, false};
    pthread_t thread;
    const bool started = pthread_attr_setstacksize(&attributes, kStackBytes) == 0 &&
                         pthread_create(&thread, &attributes, RunJob, &job) == 0;
    pthread_attr_destroy(&attributes);
    if (!started) {
        return false;
    }
    pthread_join(thread, nullptr);
    return job.bDone;
}

bool KMDcmDeepStack::RunFor(int depth, const std::function<void()>& work)
{
    if (depth > kShallowDepth) {
        return Run(work);
    }
    try {
        work();
        return true;
    } catch (...) {
        return false;
    }
}

bool KMDcmDeepStack::IsNearlySpent()
{
    return t_pLimit != nullptr && FrameAddress() < t_pLimit;
}
