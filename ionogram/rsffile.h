// Reading RSF files into memory for the decoders: the first bytes of a file
// (its first header) or the whole file, in large blocks, into a buffer the
// caller keeps from file to file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ionoscan {

enum class FileStatus { kOk, kCannotOpen, kReadError };

// Reads at most `limit` bytes from the start of `path` into `buf` (resized
// to the bytes read). Fewer only at the end of the file. Only a regular
// file can be opened (see regular_file.h): a directory, a pipe or a device
// cannot. On failure `why` holds the reason, if given.
FileStatus read_file_bytes(const std::string& path,
                           std::size_t limit,
                           std::vector<uint8_t>& buf,
                           std::string* why = nullptr);

// Reads the whole of `path` into `buf`.
inline FileStatus read_whole_file(const std::string& path,
                                  std::vector<uint8_t>& buf,
                                  std::string* why = nullptr) {
  return read_file_bytes(path, SIZE_MAX, buf, why);
}

}  // namespace ionoscan
