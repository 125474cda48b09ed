/* Preloaded (LD_PRELOAD) into the Wine loader of the program under test: moves the wall clock
 * by the whole seconds written in the file that RB_CLOCK_SHIFT_FILE names ("+301" puts it 301 s
 * ahead), read again at every call, so a test moves the clock while the program runs. Only
 * CLOCK_REALTIME and its coarse form move; tick counts, timers and waits keep real time.
 *
 * Built by the host's C compiler for the loader's bitness. The 32-bit Wine is built with 64-bit
 * time and asks glibc for __clock_gettime64 and __gettimeofday64, which libfaketime 0.9 does not
 * replace; the 64-bit one calls clock_gettime, gettimeofday and time. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

static long long ShiftSeconds(void) {
    const char* path = getenv("RB_CLOCK_SHIFT_FILE");
    if (path == NULL) {
        return 0;
    }
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    char text[32];
    ssize_t length = read(fd, text, sizeof(text) - 1);
    close(fd);
    if (length <= 0) {
        return 0;
    }
    text[length] = '\0';
    return strtoll(text, NULL, 10);
}

static int IsWallClock(clockid_t clock) { return clock == CLOCK_REALTIME || clock == CLOCK_REALTIME_COARSE; }

static void* Next(const char* name) { return dlsym(RTLD_NEXT, name); }

int clock_gettime(clockid_t clock, struct timespec* time) {
    static int (*next)(clockid_t, struct timespec*);
    if (next == NULL) {
        next = (int (*)(clockid_t, struct timespec*))Next("clock_gettime");
    }
    int result = next(clock, time);
    if (result == 0 && IsWallClock(clock)) {
        time->tv_sec += (time_t)ShiftSeconds();
    }
    return result;
}

int gettimeofday(struct timeval* time, void* zone) {
    static int (*next)(struct timeval*, void*);
    if (next == NULL) {
        next = (int (*)(struct timeval*, void*))Next("gettimeofday");
    }
    int result = next(time, zone);
    if (result == 0) {
        time->tv_sec += (time_t)ShiftSeconds();
    }
    return result;
}

time_t time(time_t* out) {
    static time_t (*next)(time_t*);
    if (next == NULL) {
        next = (time_t (*)(time_t*))Next("time");
    }
    time_t now = next(NULL) + (time_t)ShiftSeconds();
    if (out != NULL) {
        *out = now;
    }
    return now;
}

#if defined(__i386__)
/* glibc's 64-bit-time structures on i386: the seconds come first, as 64 bits. */
struct Timespec64 {
    long long seconds;
    long nanoseconds;
    long padding;
};
struct Timeval64 {
    long long seconds;
    long long microseconds;
};

int __clock_gettime64(clockid_t clock, struct Timespec64* time) {
    static int (*next)(clockid_t, struct Timespec64*);
    if (next == NULL) {
        next = (int (*)(clockid_t, struct Timespec64*))Next("__clock_gettime64");
    }
    int result = next(clock, time);
    if (result == 0 && IsWallClock(clock)) {
        time->seconds += ShiftSeconds();
    }
    return result;
}

int __gettimeofday64(struct Timeval64* time, void* zone) {
    static int (*next)(struct Timeval64*, void*);
    if (next == NULL) {
        next = (int (*)(struct Timeval64*, void*))Next("__gettimeofday64");
    }
    int result = next(time, zone);
    if (result == 0) {
        time->seconds += ShiftSeconds();
    }
    return result;
}
#endif
