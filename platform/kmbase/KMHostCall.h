#pragma once

#include <exception>
#include <utility>

// A call into a host's code (its IReportCtrlCallback, its ReportSurfaceClient) that must not
// unwind into the control: an exception thrown there stops here. The call then counts as made
// (a notification as heard; a question as answered with `failed`), the control's state stays as
// it was when the host was called, and what the exception said goes to DCMTK's logger "srctrl"
// as an error, since the control itself prints nothing and has no caller to hand it to.
class KMHostCall {
public:
    template <class Call>
    static void Tell(Call&& call) noexcept
    {
        try {
            std::forward<Call>(call)();
        } catch (...) {
            Log(std::current_exception());
        }
    }

    template <class Result, class Call>
    static Result Ask(Result failed, Call&& call) noexcept
    {
        try {
            return std::forward<Call>(call)();
        } catch (...) {
            Log(std::current_exception());
            return failed;
        }
    }

private:
    static void Log(std::exception_ptr thrown) noexcept;
};
