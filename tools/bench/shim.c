// Preloaded into a Qt or GTK program, or into Wine running a Windows one, to note, with CLOCK_MONOTONIC
// times, when it maps a window and when it puts pixels to the X server, so the benchmark can see
// both without changing the program. Lines "<nanoseconds> <call> <drawable> <pid> <cpu nanoseconds>"
// go to the file named by AUTORUN_BENCH_SHIM_LOG: the pid tells the program from processes it
// starts, and the process's CPU time so far is a figure the machine's load moves less than the clock.
// Qt's xcb backing store puts images with xcb_shm_put_image, or xcb_image_put (which calls
// xcb_put_image) into a pixmap followed by xcb_copy_area; requests reach the server at xcb_flush.
// Wine's X11 driver goes through Xlib instead: XMapWindow, and XShmPutImage (XPutImage without
// MIT-SHM) of the window surface onto the window. Xlib hands its buffer to libxcb with xcb_writev,
// on XFlush or any round trip, so that is when its requests reach the server. GTK 3 goes through
// Xlib too: cairo-xlib draws into a shared-memory pixmap and puts it onto the window with XCopyArea.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>
#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>
#include <sys/uio.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

// glibc 2.34 moved these into libc under a new version; by their first one the shim, built here,
// still loads in the older systems drive.sh starts the disc on (Debian 11 has glibc 2.31).
#if defined(__x86_64__)
__asm__(".symver dlsym,dlsym@GLIBC_2.2.5");
__asm__(".symver dlopen,dlopen@GLIBC_2.2.5");
#endif

static int log_fd = -1;
static atomic_int paint_pending;

__attribute__((constructor)) static void open_log(void)
{
    const char* path = getenv("AUTORUN_BENCH_SHIM_LOG");
    if (path != NULL && *path != '\0')
        log_fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

static void note(const char* call, unsigned long drawable)
{
    if (log_fd < 0)
        return;
    struct timespec now, cpu;
    clock_gettime(CLOCK_MONOTONIC, &now);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    char line[128];
    const int length = snprintf(line, sizeof line, "%lld %s %lu %d %lld\n",
                                (long long)now.tv_sec * 1000000000LL + now.tv_nsec, call, drawable, (int)getpid(),
                                (long long)cpu.tv_sec * 1000000000LL + cpu.tv_nsec);
    // One write per line: O_APPEND keeps lines from different threads whole.
    if (length > 0 && write(log_fd, line, (size_t)length) < 0)
        log_fd = -1;
}

// The real function. Qt's xcb plugin and Wine's X11 driver are loaded privately, so the libraries
// only they need (libxcb-shm, libX11, libXext) may not be in the global scope RTLD_NEXT searches:
// those are asked for by name.
static void* next(const char* name, const char* library)
{
    void* real = dlsym(RTLD_NEXT, name);
    if (real == NULL) {
        void* handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
        if (handle != NULL)
            real = dlsym(handle, name);
    }
    if (real == NULL) {
        fprintf(stderr, "bench shim: %s not found\n", name);
        abort();
    }
    return real;
}

typedef xcb_void_cookie_t (*map_window_fn)(xcb_connection_t*, xcb_window_t);
typedef xcb_void_cookie_t (*put_image_fn)(xcb_connection_t*, uint8_t, xcb_drawable_t, xcb_gcontext_t, uint16_t,
                                          uint16_t, int16_t, int16_t, uint8_t, uint8_t, uint32_t, const uint8_t*);
typedef xcb_void_cookie_t (*shm_put_image_fn)(xcb_connection_t*, xcb_drawable_t, xcb_gcontext_t, uint16_t, uint16_t,
                                              uint16_t, uint16_t, uint16_t, uint16_t, int16_t, int16_t, uint8_t,
                                              uint8_t, uint8_t, xcb_shm_seg_t, uint32_t);
typedef xcb_void_cookie_t (*copy_area_fn)(xcb_connection_t*, xcb_drawable_t, xcb_drawable_t, xcb_gcontext_t, int16_t,
                                          int16_t, int16_t, int16_t, uint16_t, uint16_t);
typedef int (*flush_fn)(xcb_connection_t*);

xcb_void_cookie_t xcb_map_window(xcb_connection_t* c, xcb_window_t window)
{
    static map_window_fn real;
    if (real == NULL)
        real = (map_window_fn)next("xcb_map_window", "libxcb.so.1");
    note("map", window);
    return real(c, window);
}

xcb_void_cookie_t xcb_put_image(xcb_connection_t* c, uint8_t format, xcb_drawable_t drawable, xcb_gcontext_t gc,
                                uint16_t width, uint16_t height, int16_t dst_x, int16_t dst_y, uint8_t left_pad,
                                uint8_t depth, uint32_t data_len, const uint8_t* data)
{
    static put_image_fn real;
    if (real == NULL)
        real = (put_image_fn)next("xcb_put_image", "libxcb.so.1");
    xcb_void_cookie_t cookie =
        real(c, format, drawable, gc, width, height, dst_x, dst_y, left_pad, depth, data_len, data);
    note("put_image", drawable);
    atomic_store(&paint_pending, 1);
    return cookie;
}

xcb_void_cookie_t xcb_shm_put_image(xcb_connection_t* c, xcb_drawable_t drawable, xcb_gcontext_t gc,
                                    uint16_t total_width, uint16_t total_height, uint16_t src_x, uint16_t src_y,
                                    uint16_t src_width, uint16_t src_height, int16_t dst_x, int16_t dst_y,
                                    uint8_t depth, uint8_t format, uint8_t send_event, xcb_shm_seg_t shmseg,
                                    uint32_t offset)
{
    static shm_put_image_fn real;
    if (real == NULL)
        real = (shm_put_image_fn)next("xcb_shm_put_image", "libxcb-shm.so.0");
    xcb_void_cookie_t cookie = real(c, drawable, gc, total_width, total_height, src_x, src_y, src_width, src_height,
                                    dst_x, dst_y, depth, format, send_event, shmseg, offset);
    note("shm_put_image", drawable);
    atomic_store(&paint_pending, 1);
    return cookie;
}

xcb_void_cookie_t xcb_copy_area(xcb_connection_t* c, xcb_drawable_t src_drawable, xcb_drawable_t dst_drawable,
                                xcb_gcontext_t gc, int16_t src_x, int16_t src_y, int16_t dst_x, int16_t dst_y,
                                uint16_t width, uint16_t height)
{
    static copy_area_fn real;
    if (real == NULL)
        real = (copy_area_fn)next("xcb_copy_area", "libxcb.so.1");
    xcb_void_cookie_t cookie = real(c, src_drawable, dst_drawable, gc, src_x, src_y, dst_x, dst_y, width, height);
    note("copy_area", dst_drawable);
    atomic_store(&paint_pending, 1);
    return cookie;
}

int xcb_flush(xcb_connection_t* c)
{
    static flush_fn real;
    if (real == NULL)
        real = (flush_fn)next("xcb_flush", "libxcb.so.1");
    const int result = real(c);
    // Only flushes that send pixels matter; Qt flushes far more often than it paints.
    if (atomic_exchange(&paint_pending, 0))
        note("flush", 0);
    return result;
}

// Xlib, for Wine and GTK.

// GDK maps a 1x1 InputOnly child of each top-level window, for keyboard focus, before the window
// itself: such a window is never painted, so its map is not noted. Few are alive at once.
static Window input_only[64];
static atomic_uint input_only_next;

static int is_input_only(Window window)
{
    for (size_t i = 0; i < sizeof input_only / sizeof *input_only; ++i)
        if (input_only[i] == window)
            return 1;
    return 0;
}

Window XCreateWindow(Display* display, Window parent, int x, int y, unsigned int width, unsigned int height,
                     unsigned int border_width, int depth, unsigned int class, Visual* visual, unsigned long value_mask,
                     XSetWindowAttributes* attributes)
{
    static __typeof__(&XCreateWindow) real;
    if (real == NULL)
        real = (__typeof__(&XCreateWindow))next("XCreateWindow", "libX11.so.6");
    const Window window =
        real(display, parent, x, y, width, height, border_width, depth, class, visual, value_mask, attributes);
    if (class == InputOnly)
        input_only[atomic_fetch_add(&input_only_next, 1) % (sizeof input_only / sizeof *input_only)] = window;
    return window;
}

static void note_paint(const char* call, unsigned long drawable)
{
    note(call, drawable);
    atomic_store(&paint_pending, 1);
}

int XMapWindow(Display* display, Window window)
{
    static __typeof__(&XMapWindow) real;
    if (real == NULL)
        real = (__typeof__(&XMapWindow))next("XMapWindow", "libX11.so.6");
    if (!is_input_only(window))
        note("map", window);
    return real(display, window);
}

int XMapRaised(Display* display, Window window)
{
    static __typeof__(&XMapRaised) real;
    if (real == NULL)
        real = (__typeof__(&XMapRaised))next("XMapRaised", "libX11.so.6");
    if (!is_input_only(window))
        note("map", window);
    return real(display, window);
}

int XPutImage(Display* display, Drawable drawable, GC gc, XImage* image, int src_x, int src_y, int dst_x, int dst_y,
              unsigned int width, unsigned int height)
{
    static __typeof__(&XPutImage) real;
    if (real == NULL)
        real = (__typeof__(&XPutImage))next("XPutImage", "libX11.so.6");
    const int result = real(display, drawable, gc, image, src_x, src_y, dst_x, dst_y, width, height);
    note_paint("put_image", drawable);
    return result;
}

Bool XShmPutImage(Display* display, Drawable drawable, GC gc, XImage* image, int src_x, int src_y, int dst_x,
                  int dst_y, unsigned int width, unsigned int height, Bool send_event)
{
    static __typeof__(&XShmPutImage) real;
    if (real == NULL)
        real = (__typeof__(&XShmPutImage))next("XShmPutImage", "libXext.so.6");
    const Bool result = real(display, drawable, gc, image, src_x, src_y, dst_x, dst_y, width, height, send_event);
    note_paint("shm_put_image", drawable);
    return result;
}

int XCopyArea(Display* display, Drawable src, Drawable dst, GC gc, int src_x, int src_y, unsigned int width,
              unsigned int height, int dst_x, int dst_y)
{
    static __typeof__(&XCopyArea) real;
    if (real == NULL)
        real = (__typeof__(&XCopyArea))next("XCopyArea", "libX11.so.6");
    const int result = real(display, src, dst, gc, src_x, src_y, width, height, dst_x, dst_y);
    note_paint("copy_area", dst);
    return result;
}

int xcb_writev(xcb_connection_t* c, struct iovec* vector, int count, uint64_t requests)
{
    static __typeof__(&xcb_writev) real;
    if (real == NULL)
        real = (__typeof__(&xcb_writev))next("xcb_writev", "libxcb.so.1");
    const int result = real(c, vector, count, requests);
    if (atomic_exchange(&paint_pending, 0))
        note("flush", 0);
    return result;
}
