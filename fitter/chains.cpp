// The chain files: their lines, and their writing on a thread of their own.
#include "chains.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "exchange.h"
#include "freeform_fast.h"
#include "freeform_in.h"

namespace ptfit {
namespace {

// Lines handed to the thread at a time (and at every block end).
constexpr size_t kChunkLines = 2048;

size_t stride(const ChainWriter& w) { return 2 + size_t(w.nvalues); }

// Writes the spelling of x at p (with room for all of Spelled::text),
// reusing the last one's when x has not changed; returns the end.
char* put_value(char* p, double x, Spelled& last) {
  const uint64_t bits = std::bit_cast<uint64_t>(x);
  if (!last.valid || last.bits != bits) {
    last.length = uint8_t(textio::spell_real64(last.text, x) - last.text);
    last.bits = bits;
    last.valid = true;
  }
  std::memcpy(p, last.text, sizeof last.text);  // a fixed size copies fast
  return p + last.length;
}

// Writes all of `text` at the end of the file. On a failure the file is cut
// back to its length before, so that it ends with a whole line.
bool write_whole(int fd, const char* text, size_t size, std::string& error) {
  const off_t before = ::lseek(fd, 0, SEEK_END);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, text + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? std::strerror(errno) : "nothing written";
      if (before >= 0 && ::ftruncate(fd, before) != 0) {
        error += " (and the last lines are cut short)";
      }
      return false;
    }
    done += size_t(n);
  }
  return true;
}

// The writing thread: spells and writes the chunks in the order handed
// over, until told to stop with nothing left.
void write_chunks(ChainWriter* w) {
  const size_t room = chain_line_room(w->nvalues, w->ids.size());
  std::vector<char> text;
  std::vector<Spelled> last(size_t(w->nvalues) + 1);
  std::unique_lock<std::mutex> hold(w->lock);
  for (;;) {
    w->wake.wait(hold, [w] { return !w->queue.empty() || w->stop; });
    if (w->queue.empty()) return;
    ChainChunk chunk = std::move(w->queue.front());
    w->queue.pop_front();
    w->busy = true;
    const bool failed = !w->error.empty();
    hold.unlock();
    std::string error;
    if (!failed) {
      const size_t nlines = chunk.used / stride(*w);
      if (text.size() < nlines * room) text.resize(nlines * room);
      const char* end = chain_lines(text.data(),
                                    chunk.block,
                                    w->ids,
                                    chunk.raw.data(),
                                    nlines,
                                    w->nvalues,
                                    last);
      write_whole(w->fd, text.data(), size_t(end - text.data()), error);
    }
    chunk.used = 0;
    hold.lock();
    if (!error.empty()) w->error = error;
    w->spare.push_back(std::move(chunk));
    w->busy = false;
    w->idle.notify_all();
  }
}

// Hands the lines recorded so far to the thread.
void hand_over(ChainWriter& w) {
  std::lock_guard<std::mutex> hold(w.lock);
  ChainChunk next;
  if (!w.spare.empty()) {
    next = std::move(w.spare.back());
    w.spare.pop_back();
  } else {
    next.raw.resize(w.current.raw.size());
  }
  next.block = w.current.block;
  w.queue.push_back(std::move(w.current));
  w.current = std::move(next);
  w.wake.notify_one();
}

}  // namespace

ChainWriter::~ChainWriter() {
  if (thread.joinable()) {
    {
      std::lock_guard<std::mutex> hold(lock);
      stop = true;
    }
    wake.notify_one();
    thread.join();
  }
  if (fd >= 0) ::close(fd);
}

std::string chain_name(int32_t mpiid) {
  return "chain_" + std::to_string(mpiid);
}

std::string chain_header(const Global& g) {
  std::string text = "block\tmove\tladder\tprocess\tchi2";
  for (const Fitparam& p : g.fitparams) {
    if (p.vary == 0) continue;
    std::string name(textio::trimmed(p.name));
    for (char& ch : name) ch = ch == '\t' ? ' ' : ch;
    text += '\t' + name;
  }
  return text + '\n';
}

int32_t chain_ladder(int32_t mpiid, const RunConfig& c) {
  if (!c.tempering) return mpiid;
  for (int32_t r = 1; r < c.ntemperatures; ++r) {
    if (start_temperature(c.tempratio, r) == 1.0) return mpiid;
  }
  return c.colour;
}

size_t chain_line_room(int32_t nvalues, size_t nids) {
  // block and tab, move, ids, then chi2 and every value after a tab, the
  // newline; the pieces are copied in fixed sizes that cover them
  return 16 + 11 + std::max<size_t>(nids, 32) +
         (1 + size_t(nvalues)) * (1 + sizeof(Spelled::text)) + 1;
}

char* chain_lines(char* out,
                  int32_t block,
                  const std::string& ids,
                  const double* raw,
                  size_t nlines,
                  int32_t nvalues,
                  std::vector<Spelled>& last) {
  char head[16] = {};
  char* head_end = std::to_chars(head, head + sizeof head - 1, block).ptr;
  *head_end++ = '\t';
  const size_t nhead = size_t(head_end - head);
  char id[32] = {};
  const bool short_ids = ids.size() <= sizeof id;
  if (short_ids) std::memcpy(id, ids.data(), ids.size());
  const size_t n = 2 + size_t(nvalues);
  for (size_t i = 0; i < nlines; ++i, raw += n) {
    std::memcpy(out, head, sizeof head);
    out = std::to_chars(out + nhead, out + nhead + 11, int32_t(raw[0])).ptr;
    std::memcpy(
        out, short_ids ? id : ids.data(), short_ids ? sizeof id : ids.size());
    out = put_value(out + ids.size(), raw[1], last[0]);
    for (int32_t v = 0; v < nvalues; ++v) {
      *out++ = '\t';
      out = put_value(out, raw[2 + v], last[1 + size_t(v)]);
    }
    *out++ = '\n';
  }
  return out;
}

namespace {

// The table of varied parameters and the ids of the lines; then the
// thread starts and lines are recorded.
void start(ChainWriter& w, const Global& g, const RunConfig& c) {
  for (size_t j = 0; j < g.fitparams.size(); ++j) {
    if (g.fitparams[j].vary != 0) w.varied.push_back(j);
  }
  w.nvalues = int32_t(w.varied.size());
  w.ids = '\t' + std::to_string(chain_ladder(g.mpiid, c)) + '\t' +
          std::to_string(g.mpiid) + '\t';
  w.current.raw.resize(kChunkLines * stride(w));
  w.thread = std::thread(write_chunks, &w);
  w.active = true;
}

}  // namespace

bool chain_open(ChainWriter& w, const Global& g, const RunConfig& c) {
  w.path = chain_name(g.mpiid);
  w.fd = ::open(w.path.c_str(),
                O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_APPEND,
                0666);
  if (w.fd < 0) {
    w.error = std::strerror(errno);
    return false;
  }
  const std::string header = chain_header(g);
  if (!write_whole(w.fd, header.data(), header.size(), w.error)) {
    ::close(w.fd);
    w.fd = -1;
    return false;
  }
  start(w, g, c);
  return true;
}

bool chain_reopen(ChainWriter& w,
                  const Global& g,
                  const RunConfig& c,
                  int64_t length) {
  w.path = chain_name(g.mpiid);
  w.fd = ::open(w.path.c_str(), O_WRONLY | O_CLOEXEC | O_APPEND);
  struct stat st;
  if (w.fd < 0 || ::fstat(w.fd, &st) != 0) {
    w.error = "cannot open " + w.path + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode) || st.st_size < length) {
    w.error = w.path + " holds " + std::to_string(st.st_size) +
              " bytes, fewer than the " + std::to_string(length) +
              " of the checkpoint";
    return false;
  }
  if (::ftruncate(w.fd, length) != 0) {
    w.error = "cannot cut " + w.path + " back: " + std::strerror(errno);
    return false;
  }
  start(w, g, c);
  return true;
}

int64_t chain_length(const ChainWriter& w) {
  if (!w.active) return -1;
  return int64_t(::lseek(w.fd, 0, SEEK_END));
}

void chain_record(
    ChainWriter& w, int32_t block, int32_t move, double chi2, const Global& g) {
  if (!w.active) return;
  if (w.current.block != block) {
    if (w.current.used > 0) hand_over(w);
    w.current.block = block;
  }
  double* raw = w.current.raw.data() + w.current.used;
  raw[0] = double(move);
  raw[1] = chi2;
  for (size_t v = 0; v < w.varied.size(); ++v) {
    raw[2 + v] = g.fitparams[w.varied[v]].value;
  }
  w.current.used += stride(w);
  if (w.current.used == w.current.raw.size()) hand_over(w);
}

std::string chain_block_end(ChainWriter& w) {
  if (!w.active) return "";
  if (w.current.used > 0) hand_over(w);
  std::unique_lock<std::mutex> hold(w.lock);
  w.idle.wait(hold, [&w] { return w.queue.empty() && !w.busy; });
  if (w.error.empty() || w.reported) return "";
  w.reported = true;
  w.active = false;
  return " error writing file " + w.path + ": " + w.error;
}

void remove_stale_chains(int32_t mpisize) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::directory_iterator it(".", ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const fs::directory_entry& entry = *it;
    const std::string name = entry.path().filename().string();
    if (name.rfind("chain_", 0) != 0 || name.size() == 6) continue;
    const std::string digits = name.substr(6);
    if (digits.find_first_not_of("0123456789") != std::string::npos) continue;
    if (digits.size() > 1 && digits[0] == '0') continue;
    int64_t k = 0;
    const auto r =
        std::from_chars(digits.data(), digits.data() + digits.size(), k);
    if (r.ec == std::errc() && k < mpisize) continue;
    std::error_code ignored;
    if (entry.is_directory(ignored)) continue;
    fs::remove(entry.path(), ignored);
  }
}

}  // namespace ptfit
