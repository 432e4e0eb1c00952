// Preloaded into the FUSE server that serves a disc image (fuseiso), it makes the image read as an
// optical drive reads it: every read of the image waits as long as the drive would take, and is logged.
// The drive model, set by AUTORUN_DRIVE as comma-separated key=value pairs:
//   image=PATH      the image file whose reads are throttled (required)
//   rate=B          bytes a second the drive reads once it is at the data (1.5e6: a 24x CD at its inner edge)
//   access=MIN-MAX  seconds to move to data elsewhere, drawn evenly from the range (0.100-0.110)
//   buffer=B        the drive's read-ahead buffer (2097152): after a request the drive goes on reading
//                   sequentially into it while it is idle, so a later request for that data costs nothing
//   gap=B           data this far past what the drive has read is read through rather than sought (65536)
//   log=PATH        a line for each request: "<offset> <bytes> <seconds waited> <seek 0|1>"
// The drive serves one request at a time, as a real one does.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

static char image[4096];
static double rate = 1.5e6, access_min = 0.100, access_max = 0.110;
static double buffer = 2097152, gap = 65536;
static FILE* log_file;
static ino_t image_inode;
static dev_t image_device;
static int configured;

static pthread_mutex_t drive = PTHREAD_MUTEX_INITIALIZER;
// What the drive holds: [held_from, held_to) was read by the drive; it kept reading on from streamed_to
// at `rate` since `idle_since`, until its buffer is full.
static double held_from = -1, held_to = -1, idle_since;
// When the drive is done with what it was asked so far. Each wait ends at a time on this clock rather
// than after a length of its own, so the sleeps' overshoot does not add up over thousands of reads.
static double busy_until;
// Where each throttled descriptor stands, for read() after lseek().
static off_t position[1024];
static unsigned char throttled[1024];

static double now_seconds(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

__attribute__((constructor)) static void configure(void)
{
    const char* model = getenv("AUTORUN_DRIVE");
    if (model == NULL)
        return;
    char copy[8192];
    snprintf(copy, sizeof copy, "%s", model);
    char* saveptr = NULL;
    for (char* item = strtok_r(copy, ",", &saveptr); item != NULL; item = strtok_r(NULL, ",", &saveptr)) {
        char* value = strchr(item, '=');
        if (value == NULL)
            continue;
        *value++ = '\0';
        if (strcmp(item, "image") == 0)
            snprintf(image, sizeof image, "%s", value);
        else if (strcmp(item, "rate") == 0)
            rate = atof(value);
        else if (strcmp(item, "access") == 0 && sscanf(value, "%lf-%lf", &access_min, &access_max) < 1)
            access_min = access_max = 0.1;
        else if (strcmp(item, "buffer") == 0)
            buffer = atof(value);
        else if (strcmp(item, "gap") == 0)
            gap = atof(value);
        else if (strcmp(item, "log") == 0)
            log_file = fopen(value, "a");
    }
    if (access_max < access_min)
        access_max = access_min;
    struct stat info;
    if (image[0] != '\0' && stat(image, &info) == 0 && rate > 0) {
        image_inode = info.st_ino;
        image_device = info.st_dev;
        configured = 1;
    }
    srand48((long)getpid());
}

static void note_descriptor(int fd)
{
    if (!configured || fd < 0 || fd >= (int)sizeof throttled)
        return;
    struct stat info;
    throttled[fd] = fstat(fd, &info) == 0 && info.st_ino == image_inode && info.st_dev == image_device;
    position[fd] = 0;
}

// Waits as the drive would to deliver [offset, offset + size).
static void wait_for_drive(off_t offset, size_t size)
{
    if (size == 0)
        return;
    pthread_mutex_lock(&drive);
    const double asked = now_seconds();
    const double start = asked > busy_until ? asked : busy_until;
    const double from = (double)offset, to = (double)offset + (double)size;
    // While idle the drive has gone on reading into its buffer.
    double ahead = held_to;
    if (held_to >= 0) {
        ahead = held_to + (start - idle_since) * rate;
        if (ahead > held_to + buffer)
            ahead = held_to + buffer;
    }
    double cost = 0;
    int seek = 0;
    if (held_to >= 0 && from >= held_from && from <= ahead + gap) {
        // In the buffer, or close enough past it to read through.
        if (to > ahead)
            cost = (to - ahead) / rate;
        if (to > ahead)
            held_to = to;
        else
            held_to = ahead;
    } else {
        seek = 1;
        cost = access_min + drand48() * (access_max - access_min) + (to - from) / rate;
        held_from = from;
        held_to = to;
    }
    if (held_to - held_from > buffer)
        held_from = held_to - buffer;
    busy_until = start + cost;
    idle_since = busy_until;
    if (busy_until > asked) {
        const struct timespec until = {(time_t)busy_until, (long)((busy_until - (double)(time_t)busy_until) * 1e9)};
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, NULL) == EINTR) {
        }
    }
    if (log_file != NULL) {
        fprintf(log_file, "%lld %zu %.6f %d\n", (long long)offset, size, cost, seek);
        fflush(log_file);
    }
    pthread_mutex_unlock(&drive);
}

#define REAL(name, type) static type real_##name; if (real_##name == NULL) real_##name = (type)dlsym(RTLD_NEXT, #name)

int open(const char* path, int flags, ...)
{
    typedef int (*open_fn)(const char*, int, ...);
    REAL(open, open_fn);
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0;
    va_end(args);
    const int fd = real_open(path, flags, mode);
    note_descriptor(fd);
    return fd;
}

int open64(const char* path, int flags, ...)
{
    typedef int (*open_fn)(const char*, int, ...);
    REAL(open64, open_fn);
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0;
    va_end(args);
    const int fd = real_open64(path, flags, mode);
    note_descriptor(fd);
    return fd;
}

int openat(int dirfd, const char* path, int flags, ...)
{
    typedef int (*openat_fn)(int, const char*, int, ...);
    REAL(openat, openat_fn);
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0;
    va_end(args);
    const int fd = real_openat(dirfd, path, flags, mode);
    note_descriptor(fd);
    return fd;
}

static int is_throttled(int fd)
{
    return configured && fd >= 0 && fd < (int)sizeof throttled && throttled[fd];
}

off_t lseek(int fd, off_t offset, int whence)
{
    typedef off_t (*lseek_fn)(int, off_t, int);
    REAL(lseek, lseek_fn);
    const off_t result = real_lseek(fd, offset, whence);
    if (result >= 0 && is_throttled(fd))
        position[fd] = result;
    return result;
}

off_t lseek64(int fd, off_t offset, int whence) __attribute__((alias("lseek")));

ssize_t read(int fd, void* data, size_t size)
{
    typedef ssize_t (*read_fn)(int, void*, size_t);
    REAL(read, read_fn);
    if (!is_throttled(fd))
        return real_read(fd, data, size);
    const off_t at = position[fd];
    const ssize_t got = real_read(fd, data, size);
    if (got > 0) {
        wait_for_drive(at, (size_t)got);
        position[fd] = at + got;
    }
    return got;
}

ssize_t pread(int fd, void* data, size_t size, off_t offset)
{
    typedef ssize_t (*pread_fn)(int, void*, size_t, off_t);
    REAL(pread, pread_fn);
    const ssize_t got = real_pread(fd, data, size, offset);
    if (got > 0 && is_throttled(fd))
        wait_for_drive(offset, (size_t)got);
    return got;
}

ssize_t pread64(int fd, void* data, size_t size, off_t offset) __attribute__((alias("pread")));
