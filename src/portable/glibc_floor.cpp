// The portable build's link to glibc, held at version 2.28 (the manylinux_2_28
// floor). The compiler's system has a newer glibc, and some objects linked
// into the module (the static libstdc++, CLP's archives) reach symbols that
// are newer there: functions that got a new version when libpthread moved
// into libc (2.34) or libm got faster exp/log/pow (2.29), and a few that did
// not exist in 2.28. The link options in CMakeLists.txt redirect each of them
// (--wrap=NAME) to __wrap_NAME here, which reaches the old version or does
// the same job with what 2.28 has. tests/python/test_packaging.py checks the
// result on the wheel.
#include <cerrno>
#include <cstdio>
#include <ctime>

#include <pthread.h>
#include <sys/random.h>
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
MIVEX_OLD_VERSION(pthread_create, "GLIBC_2.2.5");
MIVEX_OLD_VERSION(pthread_detach, "GLIBC_2.2.5");
MIVEX_OLD_VERSION(pthread_join, "GLIBC_2.2.5");
MIVEX_OLD_VERSION(pthread_once, "GLIBC_2.2.5");
MIVEX_OLD_VERSION(pthread_key_create, "GLIBC_2.2.5");
MIVEX_OLD_VERSION(pthread_key_delete, "GLIBC_2.2.5");
MIVEX_OLD_VERSION(pthread_getspecific, "GLIBC_2.2.5");
MIVEX_OLD_VERSION(pthread_setspecific, "GLIBC_2.2.5");
MIVEX_OLD_VERSION(pthread_rwlock_rdlock, "GLIBC_2.2.5");
MIVEX_OLD_VERSION(pthread_rwlock_wrlock, "GLIBC_2.2.5");
MIVEX_OLD_VERSION(pthread_rwlock_unlock, "GLIBC_2.2.5");

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

// New in glibc 2.36 (std::random_device's default source); the kernel's
// getrandom (2.25) gives the same.
unsigned __wrap_arc4random() {
  unsigned value = 0;
  while (getrandom(&value, sizeof value, 0) != static_cast<ssize_t>(sizeof value)) {
  }
  return value;
}

// New in glibc 2.30: a wait until a time on any clock. The same wait on the
// real-time clock, which pthread_cond_timedwait takes, ends when as much time
// has passed; callers check their own clock after waking anyway.
int __wrap_pthread_cond_clockwait(pthread_cond_t* cond, pthread_mutex_t* mutex, clockid_t clock,
                                  const struct timespec* until) {
  timespec now{}, real{};
  clock_gettime(clock, &now);
  clock_gettime(CLOCK_REALTIME, &real);
  long long nanos = (until->tv_sec - now.tv_sec) * 1000000000LL + (until->tv_nsec - now.tv_nsec);
  if (nanos < 0) nanos = 0;
  nanos += real.tv_nsec;
  timespec deadline{real.tv_sec + static_cast<time_t>(nanos / 1000000000LL),
                    static_cast<long>(nanos % 1000000000LL)};
  return pthread_cond_timedwait(cond, mutex, &deadline);
}

}
