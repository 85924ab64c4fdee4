// Runs a long job on a worker thread while a small progress window with a
// Cancel button stands over the owner, so the program keeps painting and
// answering while the job runs.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "base/job.h"

namespace orvo::recorder {

struct WorkOutcome {
    bool ok = true;
    std::wstring description;  // of the failure
    long code = 0;             // orvo::Failure code of the failure
};

// The job gets a JobControl whose progress goes to the window's bar
// and whose cancel flag is raised by the Cancel button or by closing the
// window. The window shows only once the job has run for a moment, so short
// jobs do not flash it. Returns once the job has ended; the job's failure is returned, not
// thrown. A WM_QUIT arriving meanwhile cancels the job and is posted again.
WorkOutcome RunWithProgress(HWND owner, const std::wstring& caption,
                            const std::function<void(const JobControl&)>& work);

}  // namespace orvo::recorder
