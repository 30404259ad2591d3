// The portable build's link to glibc, held at version 2.28 (the manylinux_2_28
// floor). The compiler's system has a newer glibc, and some objects linked
// into the module (the static libstdc++, CLP's archives) reach symbols that
// are newer there: functions that got a new version when libm got faster
// exp/log/pow (2.29) or libpthread moved into libc (2.34), and a few that
// did not exist in 2.28. The link options in CMakeLists.txt redirect each of
// them (--wrap=NAME) to __wrap_NAME here, which reaches the old version or
// does the same job with what 2.28 has. A new one shows up as a refusal of
// auditwheel in scripts/wheel.sh; tests/python/test_packaging.py checks the
// wheel.
#include <cstdio>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

// __wrap_NAME jumps to NAME at an old version, whatever NAME's signature.
#define MIVEX_OLD_VERSION(name, version)                        \
  __asm__(".pushsection .text\n"                                \
          ".symver " #name "_old, " #name "@" version "\n"      \
          ".globl __wrap_" #name "\n"                           \
          ".hidden __wrap_" #name "\n"                          \
          ".type __wrap_" #name ", @function\n"                 \
          "__wrap_" #name ":\n"                                 \
          "  jmp " #name "_old@PLT\n"                           \
          ".popsection\n")

MIVEX_OLD_VERSION(exp, "GLIBC_2.2.5");
MIVEX_OLD_VERSION(log, "GLIBC_2.2.5");
MIVEX_OLD_VERSION(pow, "GLIBC_2.2.5");
MIVEX_OLD_VERSION(pthread_once, "GLIBC_2.2.5");

extern "C" {

// CLP's archives are built for executables: they read these three as if
// they were in the same object, which a shared module may not do. Copies in
// the module serve them (glibc never moves the streams), made before any
// other initializer of the module runs (101: the first priority there is).
std::FILE* __wrap_stdin;
std::FILE* __wrap_stdout;
std::FILE* __wrap_stderr;

__attribute__((constructor(101))) static void copy_standard_streams() {
  __wrap_stdin = stdin;
  __wrap_stdout = stdout;
  __wrap_stderr = stderr;
}

// glibc 2.32 tells the C++ runtime when a process has one thread, so it may
// skip atomic operations. Saying "maybe several" is always right.
char __wrap___libc_single_threaded = 0;

// glibc 2.33 made fstat64 a function; before, it was the kernel call inline.
int __wrap_fstat64(int fd, struct stat64* st) {
  return static_cast<int>(syscall(SYS_fstat, fd, st));
}

}
