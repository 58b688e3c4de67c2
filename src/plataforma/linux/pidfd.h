// Process file descriptors, through syscall(2): Debian 12's <sys/pidfd.h> declares its
// functions without C linkage, so C++ cannot link against them.
#pragma once

#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

namespace orvo {

// A descriptor that names `pid` until it is closed, even after the number is reused; -1
// on failure (gone, or a kernel without pidfds).
inline int abrirPidfd(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0u)); }

inline bool senalPorPidfd(int fd, int senal) {
  return ::syscall(SYS_pidfd_send_signal, fd, senal, nullptr, 0u) == 0;
}

}  // namespace orvo
