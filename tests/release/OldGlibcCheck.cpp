// Built against the Debian 11 root as the disc's starter is: what the linked-in C++ runtime takes
// from cmake/OldGlibc.cpp works. The exception is caught only if _dl_find_object finds the frame
// tables; random_device("arc4random") draws from arc4random; shared_ptr reads __libc_single_threaded.
#include <cstdio>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>

[[gnu::noinline]] static void Fail(int code) { throw std::runtime_error("thrown " + std::to_string(code)); }

int main()
{
    try {
        Fail(7);
    } catch (const std::runtime_error& error) {
        std::random_device device("arc4random");
        const unsigned first = device(), second = device();
        const auto shared = std::make_shared<std::string>(error.what());
        const auto copy = shared;
        std::printf("%s; drew %08x %08x; %ld owners\n", copy->c_str(), first, second, shared.use_count());
        return first != second && shared.use_count() == 2 ? 0 : 1;
    }
    return 1;
}
