#pragma once

#include <mutex>

// libcdio and libcdio-paranoia are not safe to use from two threads at once:
// cue and toc sheets are parsed with strtok, and the logging keeps one
// process-wide flag that aborts when two threads log together. So every call
// into either library, from any thread, is made while one of these is alive.
// Only the files of this folder include the libraries' headers.
class CdioLock {
public:
    // Waits for the library; the first lock of the process also sets it up.
    CdioLock();
    ~CdioLock();
    CdioLock(const CdioLock&) = delete;
    CdioLock& operator=(const CdioLock&) = delete;

private:
    // Recursive: paranoia calls back into our read function while locked.
    std::unique_lock<std::recursive_mutex> m_lock;
};
