// The SIGBUS handler that keeps a shortened mapped file from ending the program.
#include "mapping_guard.h"

#include <array>
#include <atomic>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace dbf {
namespace {

// The guarded mappings, read by the signal handler without locks.
struct Slot
{
    std::atomic<uintptr_t> begin {0}; // 0: free, kTaken: being filled in
    std::atomic<uintptr_t> end {0};
};
constexpr size_t kSlots = 4096;
constexpr uintptr_t kTaken = 1;
std::array<Slot, kSlots> slots;

struct sigaction previousAction;
uintptr_t pageSize; // known before the handler runs: sysconf is not for signal handlers

void onBusError(int signal, siginfo_t *info, void *context)
{
    const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
    for (Slot &slot : slots) {
        const uintptr_t begin = slot.begin.load(std::memory_order_acquire);
        if (begin <= kTaken || address < begin
            || address >= slot.end.load(std::memory_order_acquire))
            continue;
        // mmap is a plain system call here, safe in a handler in practice.
        void *missing = reinterpret_cast<void *>(address / pageSize * pageSize);
        if (mmap(missing, pageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0)
            != MAP_FAILED)
            return; // the read is repeated and finds zeros
        break;
    }
    // Not ours, or no page to put in: what would have happened without the guard.
    if (previousAction.sa_flags & SA_SIGINFO) {
        previousAction.sa_sigaction(signal, info, context);
        return;
    }
    if (previousAction.sa_handler != SIG_IGN && previousAction.sa_handler != SIG_DFL) {
        previousAction.sa_handler(signal);
        return;
    }
    sigaction(SIGBUS, &previousAction, nullptr);
    raise(SIGBUS);
}

void installHandler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        pageSize = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
        struct sigaction action = {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, &previousAction);
    });
}

} // namespace

MappingGuard::MappingGuard(const void *address, size_t size)
{
    if (!address || size == 0)
        return;
    installHandler();
    for (size_t i = 0; i < kSlots; ++i) {
        uintptr_t free = 0;
        Slot &slot = slots[i];
        if (!slot.begin.compare_exchange_strong(free, kTaken))
            continue;
        slot.end.store(reinterpret_cast<uintptr_t>(address) + size);
        slot.begin.store(reinterpret_cast<uintptr_t>(address), std::memory_order_release);
        m_slot = static_cast<int>(i);
        return;
    }
}

MappingGuard::~MappingGuard()
{
    if (m_slot >= 0)
        slots[static_cast<size_t>(m_slot)].begin.store(0, std::memory_order_release);
}

} // namespace dbf
