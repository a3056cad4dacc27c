// A preload module that counts heap allocations: every call of malloc, calloc and realloc
// (operator new reaches malloc) in the process it is loaded into. At exit it writes
// "<count>\n" to the file named by OXSDK_ALLOC_COUNT_FILE, when that is set.
//
//   LD_PRELOAD=liboxsdk_alloc_count.so OXSDK_ALLOC_COUNT_FILE=/tmp/n program
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
}

namespace {

std::atomic<unsigned long> allocations{0};

__attribute__((destructor)) void WriteCount() {
    const char* path = std::getenv("OXSDK_ALLOC_COUNT_FILE");
    if (path == nullptr) return;
    char text[32];
    char* end = text + sizeof text;
    char* at = end;
    *--at = '\n';
    unsigned long count = allocations.load();
    do {
        *--at = static_cast<char>('0' + count % 10);
        count /= 10;
    } while (count != 0);
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return;
    if (write(fd, at, static_cast<std::size_t>(end - at)) < 0) {
        // Nothing to do: the reader finds no count.
    }
    close(fd);
}

}  // namespace

extern "C" {

void* malloc(std::size_t size) noexcept {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) noexcept {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(count, size);
}

void* realloc(void* block, std::size_t size) noexcept {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(block, size);
}

}  // extern "C"
