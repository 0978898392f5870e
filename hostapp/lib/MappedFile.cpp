#include "host/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "platform/Path.h"

namespace {
// What an open empty file shows: a valid address with no bytes (mmap cannot map zero bytes).
const unsigned char kEmpty[1] = {0};
// Files up to this size are read into memory: mapping and unmapping a small file (page faults,
// and a flush of the mappings on unmap) cost more than copying it, and the host reads hundreds
// of small pages and data files in one update.
constexpr std::size_t kReadLimit = 1024 * 1024;
} // namespace

MappedFile::MappedFile() = default;

MappedFile::~MappedFile() { close(); }

int MappedFile::open(const std::wstring& path, int /*flags*/) {
    close();
    if (path.empty()) return -1;
    const int fd = ::open(platform::nativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    if (st.st_size == 0) {
        ::close(fd);
        data_ = const_cast<unsigned char*>(kEmpty);
        size_ = 0;
        return 0;
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    if (size <= kReadLimit) {
        buffer_ = std::make_unique_for_overwrite<unsigned char[]>(size);
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::read(fd, buffer_.get() + done, size - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                ::close(fd);
                buffer_.reset();
                return -1;
            }
            if (n == 0) break; // the file shrank since fstat: what is there is what it holds
            done += static_cast<std::size_t>(n);
        }
        ::close(fd);
        data_ = buffer_.get();
        size_ = done;
        return 0;
    }
    void* mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd); // the mapping stays valid without the descriptor
    if (mapped == MAP_FAILED) return -1;
    data_ = mapped;
    size_ = size;
    mapped_ = true;
    return 0;
}

const unsigned char* MappedFile::get_top() const { return static_cast<const unsigned char*>(data_); }

std::size_t MappedFile::get_size() const { return size_; }

void MappedFile::close() {
    if (mapped_) munmap(data_, size_);
    mapped_ = false;
    buffer_.reset();
    data_ = nullptr;
    size_ = 0;
}
