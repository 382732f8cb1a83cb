#pragma once

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

// This process's resident memory (VmRSS of /proc/self/status) in bytes; 0 when it cannot be read. Reads
// into a buffer of its own, so that taking a sample allocates nothing of what it measures.
inline long long residentBytes() {
    char text[4096];
    const int file = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return 0;
    const ssize_t n = ::read(file, text, sizeof text - 1);
    ::close(file);
    if (n <= 0)
        return 0;
    text[n] = '\0';
    const char* line = std::strstr(text, "\nVmRSS:");
    return line ? std::strtoll(line + 7, nullptr, 10) * 1024 : 0;
}
