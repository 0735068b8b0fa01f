#pragma once

// JACK's registry of running servers, as jackd2 1.9 keeps it in POSIX shared
// memory (/dev/shm/jack-shm-registry): eight slots, each the pid and name of
// one server. A server that dies without unregistering keeps its slot until
// a server of the same name starts again, and test servers' names never
// repeat; so before starting one, the tests empty the slots of servers whose
// process is gone, under the registry's own semaphore, as jackd itself does
// for a name it reuses. A registry of another layout is left alone.

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/sem.h>
#include <sys/stat.h>
#include <unistd.h>

class JackServerRegistry {
public:
    struct Server {
        pid_t pid;
        std::string name; // "jack-<uid>:<server name>:"
    };

    // Locks the registry (a few seconds at most, else throws) when there is one of the known layout.
    JackServerRegistry()
    {
        const int fd = ::open("/dev/shm/jack-shm-registry", O_RDWR | O_CLOEXEC);
        if (fd < 0) return; // no server has run since the machine started
        struct stat status{};
        if (::fstat(fd, &status) == 0 && status.st_size >= off_t(sizeof(Header))) {
            void* memory = ::mmap(nullptr, sizeof(Header), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
            if (memory != MAP_FAILED) header_ = static_cast<Header*>(memory);
        }
        ::close(fd);
        if (!header_) return;
        if (!knownLayout()) {
            release();
            return;
        }
        lock();
    }

    ~JackServerRegistry()
    {
        if (locked_) changeSemaphore(+1, nullptr);
        release();
    }

    JackServerRegistry(const JackServerRegistry&) = delete;
    JackServerRegistry& operator=(const JackServerRegistry&) = delete;

    // False when there is no registry, or one this code does not know.
    bool isReadable() const { return header_ != nullptr; }

    std::vector<Server> servers() const
    {
        std::vector<Server> result;
        if (!header_) return result;
        for (const Slot& slot : header_->servers)
            if (slot.pid != 0) result.push_back({slot.pid, std::string(slot.name, ::strnlen(slot.name, sizeof slot.name))});
        return result;
    }

    int freeSlots() const { return int(header_ ? header_->servers.size() : 0) - int(servers().size()); }

    // Empties the slots whose process is gone; a process that exists (even
    // one this user may not signal) keeps its slot.
    int dropDeadServers()
    {
        int dropped = 0;
        if (!header_) return dropped;
        for (Slot& slot : header_->servers) {
            if (slot.pid == 0 || ::kill(slot.pid, 0) == 0 || errno != ESRCH) continue;
            std::memset(&slot, 0, sizeof slot);
            ++dropped;
        }
        return dropped;
    }

private:
    // libjack's shm.h: jack_shm_server_t and jack_shm_header_t (natural alignment).
    struct Slot {
        pid_t pid;
        char name[257];
    };
    struct Header {
        std::uint32_t magic;
        std::uint16_t protocol;
        std::int32_t type; // 1: POSIX
        std::int32_t size;
        std::int32_t headerLength;
        std::int32_t entryLength;
        std::array<Slot, 8> servers;
    };
    static constexpr std::uint32_t magic = 0x4a41434b; // "JACK"
    static constexpr std::int32_t entryLength = 268;   // jack_shm_registry_t with a 255-byte name
    static constexpr std::int32_t entries = 256;
    static constexpr key_t semaphoreKey = 0x282929;

    bool knownLayout() const
    {
        return header_->magic == magic && header_->type == 1 && header_->headerLength == std::int32_t(sizeof(Header)) &&
               header_->entryLength == entryLength &&
               header_->size == std::int32_t(sizeof(Header)) + entries * entryLength;
    }

    // As libjack does: the semaphore is made on first use and given one owner;
    // SEM_UNDO gives it back if this process dies holding it.
    void lock()
    {
        semaphore_ = ::semget(semaphoreKey, 0, 0);
        if (semaphore_ < 0) {
            semaphore_ = ::semget(semaphoreKey, 1, IPC_CREAT | IPC_EXCL | 0666);
            if (semaphore_ >= 0) {
                sembuf open{0, 1, 0};
                ::semop(semaphore_, &open, 1);
            } else if (errno == EEXIST) {
                semaphore_ = ::semget(semaphoreKey, 0, 0);
            }
        }
        const timespec patience{5, 0};
        if (semaphore_ < 0 || !changeSemaphore(-1, &patience)) {
            release();
            throw std::runtime_error("JACK's server registry stayed locked (semaphore 0x282929)");
        }
        locked_ = true;
    }

    bool changeSemaphore(short by, const timespec* timeout)
    {
        sembuf change{0, by, SEM_UNDO};
        while (::semtimedop(semaphore_, &change, 1, timeout) != 0)
            if (errno != EINTR) return false;
        return true;
    }

    void release()
    {
        if (header_) ::munmap(header_, sizeof(Header));
        header_ = nullptr;
    }

    Header* header_ = nullptr;
    int semaphore_ = -1;
    bool locked_ = false;
};
