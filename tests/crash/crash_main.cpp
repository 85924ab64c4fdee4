// Crashes on purpose, half-way through, after saying it has started. The
// suite expects this program to fail: if it ever passes, a test program that
// crashes would be counted as passed too (Wine's debugger ends a crashed
// process with exit code 0 unless the prefix tells it not to step in).
#include <cstdio>

int main() {
    std::puts("writing through a null pointer");
    std::fflush(stdout);
    // Volatile both ways, so the compiler neither proves the pointer null
    // nor drops the store: the crash is a real access violation.
    volatile int* volatile target = nullptr;
    *target = 1;
    std::puts("still running after the write");
    return 0;
}
