// Linked into each program built against the Debian 11 root (OldSysroot.cmake). The C++ runtime and
// unwinder linked in were built on this system against a newer glibc, and call three things of it
// that glibc 2.31 lacks. Each is defined here as they expect it to behave, and hidden: the program's
// own, never exported, so a newer glibc's stays its own.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <link.h>
#include <sys/random.h>

extern "C" {

// glibc 2.32: set while the process has one thread, so that reference counts may skip atomic
// operations. Never set here: the runtime always takes the atomic path, right with any threads.
[[gnu::visibility("hidden")]] char __libc_single_threaded = 0;

// glibc 2.36: a source for std::random_device. getrandom (glibc 2.25) reads the same kernel source;
// like glibc's, it aborts rather than return a number that is not random.
[[gnu::visibility("hidden")]] std::uint32_t arc4random()
{
    std::uint32_t value;
    while (getrandom(&value, sizeof value, 0) != static_cast<ssize_t>(sizeof value))
        if (errno != EINTR)
            std::abort();
    return value;
}

// glibc 2.35: the loaded object that holds an address, and its PT_GNU_EH_FRAME. GCC 12's unwinder
// asks this for every frame it unwinds and, where glibc has it, has no other way to find the frame
// tables, so without it no exception could be caught. Found by dl_iterate_phdr (glibc 2.2.5), as
// the unwinder of GCC 11 did. The layout is glibc's struct dl_find_object on x86-64; the unwinder
// reads only dlfo_eh_frame, so the link map is left out.
struct DlFindObject {
    unsigned long long flags;
    void* mapStart;
    void* mapEnd;
    void* linkMap;
    void* ehFrame;
    unsigned long long reserved[7];
};
static_assert(offsetof(DlFindObject, ehFrame) == 32 && sizeof(DlFindObject) == 96);

struct Search {
    std::uintptr_t address;
    DlFindObject* result;
};

static int FindObject(dl_phdr_info* info, std::size_t, void* data)
{
    auto* search = static_cast<Search*>(data);
    std::uintptr_t start = UINTPTR_MAX, end = 0, ehFrame = 0;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        const std::uintptr_t at = info->dlpi_addr + segment.p_vaddr;
        if (segment.p_type == PT_LOAD) {
            start = at < start ? at : start;
            end = at + segment.p_memsz > end ? at + segment.p_memsz : end;
        } else if (segment.p_type == PT_GNU_EH_FRAME) {
            ehFrame = at;
        }
    }
    if (search->address < start || search->address >= end)
        return 0;
    *search->result = {.mapStart = reinterpret_cast<void*>(start), .mapEnd = reinterpret_cast<void*>(end),
                       .ehFrame = reinterpret_cast<void*>(ehFrame)};
    return 1;
}

[[gnu::visibility("hidden")]] int _dl_find_object(void* address, DlFindObject* result)
{
    Search search{reinterpret_cast<std::uintptr_t>(address), result};
    return dl_iterate_phdr(FindObject, &search) != 0 ? 0 : -1;
}

} // extern "C"
