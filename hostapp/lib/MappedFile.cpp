#include "host/MappedFile.h"

#include "platform/FileReader.h"

MappedFile::MappedFile() = default;

MappedFile::~MappedFile()
{
    close();
}

int MappedFile::open(const std::wstring& path, int /*flags*/)
{
    close();
    open_ = platform::FileReader::read(path, bytes_) == platform::FileReader::Result::Read;
    return open_ ? 0 : -1;
}

const unsigned char* MappedFile::get_top() const
{
    return open_ ? reinterpret_cast<const unsigned char*>(bytes_.data()) : nullptr;
}

std::size_t MappedFile::get_size() const
{
    return open_ ? bytes_.size() : 0;
}

void MappedFile::close()
{
    bytes_.clear();
    bytes_.shrink_to_fit();
    open_ = false;
}
