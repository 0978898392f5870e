#pragma once
#include <cstddef>
#include <string>

// A file's bytes in memory for reading. Read whole, not mapped: a file that another program
// truncates while it is in use cannot crash the reader. A file that is no regular file (a FIFO, a
// device, a folder) or is larger than the host's size limit does not open.
class MappedFile {
public:
    MappedFile();
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    // Reads the file; 0 on success (an empty file opens with size 0), non-zero otherwise.
    int open(const std::wstring& path, int flags);
    // The first byte; null when nothing is open.
    const unsigned char* get_top() const;
    // The byte count; 0 when nothing is open.
    std::size_t get_size() const;
    // Forgets the bytes; does nothing when nothing is open.
    void close();

private:
    std::string bytes_;
    bool open_ = false;
};
