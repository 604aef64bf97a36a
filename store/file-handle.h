// A small owner of a POSIX file descriptor with whole-buffer reads and
// writes, for the archive and its working files. Functions report failure
// by their return value and leave errno set; they never throw.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

namespace rv
{

class FileHandle
{
public:
    FileHandle() = default;
    ~FileHandle() { Close(); }
    FileHandle(FileHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // flags as for open(2); files are created with mode 0644 less the umask.
    bool Open(const std::filesystem::path& path, int flags);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }

    // Writes all bytes at the current position / at offset; false on a short write.
    bool Write(std::string_view bytes);
    bool WriteAt(std::uint64_t offset, std::string_view bytes);
    // Reads up to count bytes at offset; returns the number read, -1 on error.
    long long ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const;
    // Size in bytes, -1 on error.
    long long Size() const;
    bool Truncate(std::uint64_t size);
    bool SeekToEnd();

private:
    int fd_ = -1;
};

} // namespace rv
