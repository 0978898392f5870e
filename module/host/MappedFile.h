#pragma once
#include <cstddef>
#include <memory>
#include <string>

// A file mapped into memory for reading.
class MappedFile {
public:
    MappedFile();
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    // Maps the file; 0 on success (an empty file opens with size 0), non-zero otherwise.
    int open(const std::wstring& path, int flags);
    // The first byte; null when nothing is mapped.
    const unsigned char* get_top() const;
    // The byte count; 0 when nothing is mapped.
    std::size_t get_size() const;
    // Unmaps the file; does nothing when nothing is mapped.
    void close();

private:
    void* data_ = nullptr;
    std::size_t size_ = 0;
    // Whether data_ is a mapping (else it points into buffer_ or at nothing).
    bool mapped_ = false;
    // A small file's bytes, read rather than mapped.
    std::unique_ptr<unsigned char[]> buffer_;
};
