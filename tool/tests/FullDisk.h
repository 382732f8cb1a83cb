#pragma once

#include <csignal>
#include <sys/resource.h>

// A disk with no room left, for as long as the object lives: the process's file size limit is 0, so that
// no write to any file of the process succeeds: a database, its journal, a settings file. The write fails
// with EFBIG where a full disk gives ENOSPC; SQLite then says "disk I/O error" where it would say
// "database or disk is full", and takes the same way back. The signal a write past the limit raises is
// ignored meanwhile, or it would end the process. Output to a regular file fails too: keep the scope to the
// writes under test, and assert after it.
class FullDisk {
public:
    FullDisk() {
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        m_set = getrlimit(RLIMIT_FSIZE, &m_previous) == 0;
        rlimit none = m_previous;
        none.rlim_cur = 0;
        m_set = m_set && setrlimit(RLIMIT_FSIZE, &none) == 0;
    }
    ~FullDisk() {
        if (m_set)
            setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool isSet() const { return m_set; }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = SIG_DFL;
    bool m_set = false;
};
