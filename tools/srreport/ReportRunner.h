#pragma once

#include "Batch.h"
#include "ReportSession.h"

#include <memory>

// A job runner that works on reports: the report control is made on the first job, in the
// process that runs the jobs, and serves every later one.
class ReportRunner : public JobRunner {
protected:
    ReportSession& Session()
    {
        if (!m_pSession) {
            m_pSession = std::make_unique<ReportSession>();
        }
        return *m_pSession;
    }

private:
    std::unique_ptr<ReportSession> m_pSession;
};
