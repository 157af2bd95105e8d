// The checkpoint of a block end on a thread of its own.
#include "checkpoint_writer.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "checkpoint.h"
#include "freeform_out.h"

namespace ptfit {

namespace {

std::string failure_line(const std::string& name, const std::string& why) {
  return textio::free_line("error writing file " + name + ": " + why);
}

void write_all(CheckpointWriter* w) {
  for (const auto& [fd, name] : w->files) {
    if (::fdatasync(fd) != 0) {
      w->failed.push_back(failure_line(
          name, std::string("cannot sync it: ") + std::strerror(errno)));
      return;
    }
  }
  std::string error;
  if (!write_checkpoint(w->rank, w->bytes, error)) {
    w->failed.push_back(failure_line(checkpoint_name(w->rank), error));
  }
}

}  // namespace

CheckpointWriter::~CheckpointWriter() {
  if (thread.joinable()) thread.join();
}

void start_checkpoint(CheckpointWriter& w,
                      int32_t rank,
                      std::string bytes,
                      std::vector<SyncedFile> files) {
  w.rank = rank;
  w.bytes = std::move(bytes);
  w.files = std::move(files);
  try {
    w.thread = std::thread(write_all, &w);
  } catch (const std::system_error&) {
    // No thread to be had: the checkpoint is written now.
    write_all(&w);
  }
}

std::vector<std::string> finish_checkpoint(CheckpointWriter& w) {
  if (w.thread.joinable()) w.thread.join();
  std::vector<std::string> lines = std::move(w.failed);
  w.failed.clear();
  return lines;
}

}  // namespace ptfit
