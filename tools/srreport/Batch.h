#pragma once

#include "ExitCode.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class Progress;

// One input file of a command and the output made from it (empty when the command makes none).
struct Job {
    std::string strInput;
    std::string strOutput;
};

// Does the jobs of one process. A runner is made in the process that runs the jobs (the worker,
// after the fork), so that the report control and network state are never shared between
// processes.
class JobRunner {
public:
    virtual ~JobRunner() = default;
    // Does one job and returns what goes to standard output; throws Failure when the job fails.
    virtual std::string Run(const Job& job) = 0;
};

using RunnerFactory = std::function<std::unique_ptr<JobRunner>()>;

// Runs a command's jobs, in this process or on worker processes, and reports each failure on
// standard error as it happens without stopping the others. Standard output keeps the order of
// the inputs. The result is the exit code of the first input that failed, or Ok.
class Batch {
public:
    Batch(std::vector<Job> jobs, int workers);

    ExitCode Run(const RunnerFactory& factory);

private:
    struct Result {
        ExitCode code = ExitCode::Ok;
        std::string message;
        std::string output;
    };

    static Result RunOne(JobRunner& runner, const Job& job);
    ExitCode RunHere(const RunnerFactory& factory);
    ExitCode RunOnWorkers(const RunnerFactory& factory);
    // A worker's life: takes job numbers from `jobs` until it closes, sends results to `results`.
    void Serve(const RunnerFactory& factory, int jobs, int results) const;
    // Keeps a job's result, prints its failure and any outputs that are now due.
    void Finish(std::size_t index, Result result);
    ExitCode Summary() const;

    std::vector<Job> m_vecJobs;
    int m_nWorkers;
    std::vector<Result> m_vecResults;
    std::vector<bool> m_vecDone;
    std::size_t m_nNextOutput = 0;
    Progress* m_pProgress = nullptr;
};
