// The block end's result files on a thread of their own.
#include "result_writer.h"

#include <exception>
#include <system_error>
#include <utility>

#include "freeform_out.h"

namespace ptfit {

namespace {

std::string failure_line(const std::string& path, const std::string& why) {
  return textio::free_line("error writing file " + path + ": " + why);
}

// The thread's work: every file in order; a file whose text cannot be made
// (out of memory) is dropped like one that cannot be written.
void write_all(std::vector<PendingFile>& files,
               std::vector<std::string>& failed) {
  for (PendingFile& f : files) {
    try {
      textio::atomic_write(f.file, f.text());
    } catch (const std::exception& e) {
      textio::atomic_abort(f.file);
      failed.push_back(failure_line(f.file.path, e.what()));
      continue;
    }
    if (!textio::atomic_commit(f.file)) {
      failed.push_back(failure_line(f.file.path, f.file.error));
    }
  }
}

}  // namespace

ResultWriter::~ResultWriter() {
  if (thread.joinable()) thread.join();
}

std::string queue_result(ResultWriter& w,
                         const std::string& path,
                         std::function<std::string()> text) {
  PendingFile f;
  if (!textio::atomic_open(f.file, path)) {
    return failure_line(path, f.file.error);
  }
  f.text = std::move(text);
  w.queued.push_back(std::move(f));
  return "";
}

void start_writing(ResultWriter& w) {
  w.writing = std::move(w.queued);
  w.queued.clear();
  try {
    w.thread = std::thread(write_all, std::ref(w.writing), std::ref(w.failed));
  } catch (const std::system_error&) {
    // No thread to be had: the files are written now.
    write_all(w.writing, w.failed);
  }
}

std::vector<std::string> finish_writing(ResultWriter& w) {
  if (w.thread.joinable()) w.thread.join();
  w.writing.clear();
  std::vector<std::string> lines = std::move(w.failed);
  w.failed.clear();
  return lines;
}

}  // namespace ptfit
