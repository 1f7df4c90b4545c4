#include "Batch.h"

#include "Failure.h"
#include "platform/kmbase/KMFileReplace.h"
#include "Progress.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <utility>

namespace {

// What a worker sends back for each job, followed by the message and the output bytes.
struct ResultHeader {
    std::uint32_t index;
    std::int32_t code;
    std::uint32_t messageLength;
    std::uint32_t outputLength;
};

bool WriteAll(int fd, const void* data, std::size_t length)
{
    const auto* bytes = static_cast<const char*>(data);
    while (length > 0) {
        const ssize_t written = write(fd, bytes, length);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

bool ReadAll(int fd, void* data, std::size_t length)
{
    auto* bytes = static_cast<char*>(data);
    while (length > 0) {
        const ssize_t got = read(fd, bytes, length);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        bytes += got;
        length -= static_cast<std::size_t>(got);
    }
    return true;
}

// A worker process as the parent sees it: where its jobs go, where its results come from.
struct Worker {
    pid_t pid = -1;
    int jobs = -1;
    int results = -1;
    long busyWith = -1;
};

std::string EndedHow(pid_t pid)
{
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFSIGNALED(status)) {
        return std::string("the worker process was killed by signal ") + std::to_string(WTERMSIG(status)) + " (" +
               strsignal(WTERMSIG(status)) + ")";
    }
    return "the worker process ended unexpectedly";
}

} // namespace

Batch::Batch(std::vector<Job> jobs, int workers)
    : m_vecJobs(std::move(jobs)), m_nWorkers(workers), m_vecResults(m_vecJobs.size()), m_vecDone(m_vecJobs.size(), false)
{
}

ExitCode Batch::Run(const RunnerFactory& factory)
{
    Progress progress(m_vecJobs.size());
    m_pProgress = &progress;
    const bool forked = m_nWorkers > 1 && m_vecJobs.size() > 1;
    const ExitCode code = forked ? RunOnWorkers(factory) : RunHere(factory);
    progress.Clear();
    m_pProgress = nullptr;
    return code;
}

Batch::Result Batch::RunOne(JobRunner& runner, const Job& job)
{
    Result result;
    try {
        result.output = runner.Run(job);
    } catch (const Failure& failure) {
        result.code = failure.Code();
        result.message = failure.what();
    } catch (const std::exception& error) {
        result.code = ExitCode::Failed;
        result.message = job.strInput + ": " + error.what();
    }
    return result;
}

ExitCode Batch::RunHere(const RunnerFactory& factory)
{
    const std::unique_ptr<JobRunner> runner = factory();
    for (std::size_t i = 0; i < m_vecJobs.size(); ++i) {
        Finish(i, RunOne(*runner, m_vecJobs[i]));
    }
    return Summary();
}

void Batch::Serve(const RunnerFactory& factory, int jobs, int results) const
{
    const std::unique_ptr<JobRunner> runner = factory();
    std::uint32_t index = 0;
    while (ReadAll(jobs, &index, sizeof index) && index < m_vecJobs.size()) {
        const Result result = RunOne(*runner, m_vecJobs[index]);
        const ResultHeader header{index, static_cast<std::int32_t>(result.code),
                                  static_cast<std::uint32_t>(result.message.size()),
                                  static_cast<std::uint32_t>(result.output.size())};
        if (!WriteAll(results, &header, sizeof header) || !WriteAll(results, result.message.data(), result.message.size()) ||
            !WriteAll(results, result.output.data(), result.output.size())) {
            return;
        }
    }
}

ExitCode Batch::RunOnWorkers(const RunnerFactory& factory)
{
    const std::size_t count = std::min(static_cast<std::size_t>(m_nWorkers), m_vecJobs.size());
    std::vector<Worker> workers;
    std::fflush(nullptr);
    for (std::size_t w = 0; w < count; ++w) {
        int jobPipe[2];
        int resultPipe[2];
        if (pipe(jobPipe) != 0 || pipe(resultPipe) != 0) {
            throw Failure(ExitCode::Failed, std::string("cannot start worker processes: ") + std::strerror(errno));
        }
        const pid_t pid = fork();
        if (pid < 0) {
            throw Failure(ExitCode::Failed, std::string("cannot start worker processes: ") + std::strerror(errno));
        }
        if (pid == 0) {
            // The worker keeps only its own two pipe ends; an inherited end of another worker's
            // job pipe would keep that worker waiting for jobs forever.
            for (const Worker& other : workers) {
                close(other.jobs);
                close(other.results);
            }
            close(jobPipe[1]);
            close(resultPipe[0]);
            Serve(factory, jobPipe[0], resultPipe[1]);
            std::fflush(nullptr);
            std::exit(0);
        }
        close(jobPipe[0]);
        close(resultPipe[1]);
        workers.push_back(Worker{pid, jobPipe[1], resultPipe[0], -1});
    }

    std::size_t next = 0;
    auto hand = [&](Worker& worker) {
        if (next < m_vecJobs.size()) {
            const auto index = static_cast<std::uint32_t>(next);
            if (WriteAll(worker.jobs, &index, sizeof index)) {
                worker.busyWith = static_cast<long>(next++);
                return;
            }
        }
        // No more jobs (or the worker is gone): closing the pipe tells it to finish.
        close(worker.jobs);
        worker.jobs = -1;
        worker.busyWith = -1;
    };
    for (Worker& worker : workers) {
        hand(worker);
    }

    std::size_t live = workers.size();
    while (live > 0) {
        std::vector<pollfd> polled;
        std::vector<Worker*> owners;
        for (Worker& worker : workers) {
            if (worker.results >= 0) {
                polled.push_back(pollfd{worker.results, POLLIN, 0});
                owners.push_back(&worker);
            }
        }
        if (poll(polled.data(), polled.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw Failure(ExitCode::Failed, std::string("lost the worker processes: ") + std::strerror(errno));
        }
        for (std::size_t i = 0; i < polled.size(); ++i) {
            if (polled[i].revents == 0) {
                continue;
            }
            Worker& worker = *owners[i];
            ResultHeader header{};
            Result result;
            if (ReadAll(worker.results, &header, sizeof header) && header.index < m_vecJobs.size()) {
                result.code = static_cast<ExitCode>(header.code);
                result.message.resize(header.messageLength);
                result.output.resize(header.outputLength);
                if (ReadAll(worker.results, result.message.data(), result.message.size()) &&
                    ReadAll(worker.results, result.output.data(), result.output.size())) {
                    Finish(header.index, std::move(result));
                    hand(worker);
                    continue;
                }
            }
            // The worker is gone: its job failed, and the others take over what is left.
            if (worker.jobs >= 0) {
                close(worker.jobs);
                worker.jobs = -1;
            }
            close(worker.results);
            worker.results = -1;
            const std::string how = EndedHow(worker.pid);
            if (worker.busyWith >= 0) {
                const Job& job = m_vecJobs[static_cast<std::size_t>(worker.busyWith)];
                // A worker killed while writing leaves its half-written output beside the target.
                KMFileReplace::RemoveLeftovers(job.strOutput.c_str(), worker.pid);
                Finish(static_cast<std::size_t>(worker.busyWith), Result{ExitCode::Failed, job.strInput + ": " + how, ""});
                worker.busyWith = -1;
            }
            worker.pid = -1;
            --live;
        }
    }
    for (std::size_t i = next; i < m_vecJobs.size(); ++i) {
        Finish(i, Result{ExitCode::Failed, m_vecJobs[i].strInput + ": not done, no worker process was left", ""});
    }
    for (Worker& worker : workers) {
        if (worker.pid > 0) {
            waitpid(worker.pid, nullptr, 0);
        }
    }
    return Summary();
}

void Batch::Finish(std::size_t index, Result result)
{
    const bool failed = result.code != ExitCode::Ok;
    if (failed) {
        m_pProgress->Clear();
        std::fprintf(stderr, "srreport: %s\n", result.message.c_str());
    }
    m_vecResults[index] = std::move(result);
    m_vecDone[index] = true;
    while (m_nNextOutput < m_vecJobs.size() && m_vecDone[m_nNextOutput]) {
        const std::string& output = m_vecResults[m_nNextOutput].output;
        if (!output.empty()) {
            m_pProgress->Clear();
            std::fwrite(output.data(), 1, output.size(), stdout);
            std::fflush(stdout);
        }
        ++m_nNextOutput;
    }
    m_pProgress->Advance(failed);
}

ExitCode Batch::Summary() const
{
    std::size_t failed = 0;
    ExitCode first = ExitCode::Ok;
    for (const Result& result : m_vecResults) {
        if (result.code != ExitCode::Ok) {
            if (failed++ == 0) {
                first = result.code;
            }
        }
    }
    if (failed > 0 && m_vecResults.size() > 1) {
        m_pProgress->Clear();
        std::fprintf(stderr, "srreport: %zu of %zu files failed\n", failed, m_vecResults.size());
    }
    return first;
}
