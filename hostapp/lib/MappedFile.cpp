#include "host/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Path.h"

namespace {
// What an open empty file shows: a valid address with no bytes (mmap cannot map zero bytes).
const unsigned char kEmpty[1] = {0};
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
    void* mapped = mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd); // the mapping stays valid without the descriptor
    if (mapped == MAP_FAILED) return -1;
    data_ = mapped;
    size_ = static_cast<std::size_t>(st.st_size);
    return 0;
}

const unsigned char* MappedFile::get_top() const { return static_cast<const unsigned char*>(data_); }

std::size_t MappedFile::get_size() const { return size_; }

void MappedFile::close() {
    if (data_ != nullptr && data_ != kEmpty) munmap(data_, size_);
    data_ = nullptr;
    size_ = 0;
}
