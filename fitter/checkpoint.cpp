// The bytes of a checkpoint, and its files.
#include "checkpoint.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "atomic_file.h"
#include "regular_file.h"

namespace ptfit {

namespace {

constexpr char kMagic[8] = {'P', 'T', 'F', 'I', 'T', 'C', 'K', 'P'};
constexpr uint32_t kVersion = 1;
constexpr uint32_t kByteOrder = 0x01020304;
constexpr size_t kFrame = 32;  // magic, version, byte order, length, hash

void put_state(ByteWriter& w,
               const Global& g,
               const RunConfig& c,
               const LoopState& loop,
               const FileLengths& lengths) {
  for (uint64_t s : g.rng.s) put_u64(w, s);
  put_f64(w, g.temperature);
  put_f64(w, c.chi2cur);
  put_i32(w, c.nexattempt);
  put_i32(w, c.nexaccept);
  put_i32(w, loop.ncall);
  put_i32(w, loop.totaltime);
  put_i32(w, g.write_failures);
  put_u32(w, uint32_t(c.temperingorder.size()));
  for (int32_t level : c.temperingorder) put_i32(w, level);
  put_i32(w, g.chi2eval);
  put_f64(w, g.avchi2);
  put_f64(w, g.sigmachi2);
  put_counts(w, g.chi2bin.data() + kNbins, kNbins);
  put_u32(w, uint32_t(g.fitparams.size()));
  for (const Fitparam& p : g.fitparams) {
    put_f64(w, p.value);
    put_f64(w, p.maxstep);
    put_i32(w, p.ntried);
    put_i32(w, p.naccepted);
    put_i32(w, p.neval);
    put_f64(w, p.avval);
    put_f64(w, p.sigmaval);
    put_counts(w, p.histogram.data() + kNbins, kNbins);
  }
  put_i64(w, lengths.scatter);
  put_i64(w, lengths.chain);
}

// A reader at the start of the payload of `bytes` once the frame is right.
bool open_payload(std::string_view bytes, ByteReader& r, std::string& why) {
  if (bytes.size() < kFrame ||
      bytes.substr(0, 8) != std::string_view(kMagic, 8)) {
    why = "it is no checkpoint of ptfit";
    return false;
  }
  r.bytes = bytes;
  r.at = 8;
  const uint32_t version = get_u32(r);
  if (get_u32(r) != kByteOrder) {
    why = "it was written on a machine of another byte order";
    return false;
  }
  if (version != kVersion) {
    why = "it is of format " + std::to_string(version) + ", not " +
          std::to_string(kVersion);
    return false;
  }
  const uint64_t length = get_u64(r);
  const uint64_t hash = get_u64(r);
  if (length != bytes.size() - kFrame) {
    why = "it holds " + std::to_string(bytes.size() - kFrame) +
          " bytes after its frame instead of " + std::to_string(length);
    return false;
  }
  if (fnv1a(bytes.substr(kFrame)) != hash) {
    why = "its hash does not match: the file is damaged";
    return false;
  }
  return true;
}

CheckpointId get_id(ByteReader& r) {
  CheckpointId id;
  id.run_id = get_u64(r);
  id.mpisize = get_i32(r);
  id.rank = get_i32(r);
  id.block = get_i32(r);
  return id;
}

// The per-parameter part of the state, into a table of the same size.
void get_params(ByteReader& r, Global& g) {
  for (Fitparam& p : g.fitparams) {
    p.value = get_f64(r);
    p.maxstep = get_f64(r);
    p.ntried = get_i32(r);
    p.naccepted = get_i32(r);
    p.neval = get_i32(r);
    p.avval = get_f64(r);
    p.sigmaval = get_f64(r);
    get_counts(r, p.histogram.data() + kNbins, kNbins);
  }
}

}  // namespace

std::string checkpoint_name(int32_t rank) {
  return "checkpoint_" + std::to_string(rank);
}

std::string previous_checkpoint_name(int32_t rank) {
  return checkpoint_name(rank) + ".prev";
}

std::string encode_checkpoint(const Fingerprint& f,
                              const Global& g,
                              const RunConfig& c,
                              const LoopState& loop,
                              const FileLengths& lengths) {
  ByteWriter payload;
  put_u64(payload, loop.run_id);
  put_i32(payload, g.mpisize);
  put_i32(payload, g.mpiid);
  put_i32(payload, loop.block);
  put_fingerprint(payload, f);
  put_state(payload, g, c, loop, lengths);
  ByteWriter w;
  w.bytes.assign(kMagic, sizeof kMagic);
  put_u32(w, kVersion);
  put_u32(w, kByteOrder);
  put_u64(w, payload.bytes.size());
  put_u64(w, fnv1a(payload.bytes));
  return w.bytes + payload.bytes;
}

bool read_checkpoint_id(std::string_view bytes,
                        CheckpointId& id,
                        std::string& why) {
  ByteReader r;
  if (!open_payload(bytes, r, why)) return false;
  id = get_id(r);
  if (r.failed) why = "it ends early";
  return !r.failed;
}

bool read_checkpoint_fingerprint(std::string_view bytes,
                                 Fingerprint& f,
                                 std::string& why) {
  ByteReader r;
  if (!open_payload(bytes, r, why)) return false;
  get_id(r);
  f = get_fingerprint(r);
  if (r.failed) why = "it ends early";
  return !r.failed;
}

bool read_checkpoint_state(std::string_view bytes,
                           Global& g,
                           RunConfig& c,
                           LoopState& loop,
                           FileLengths& lengths,
                           std::string& why) {
  ByteReader r;
  if (!open_payload(bytes, r, why)) return false;
  const CheckpointId id = get_id(r);
  get_fingerprint(r);
  for (uint64_t& s : g.rng.s) s = get_u64(r);
  g.temperature = get_f64(r);
  c.chi2cur = get_f64(r);
  c.nexattempt = get_i32(r);
  c.nexaccept = get_i32(r);
  loop.ncall = get_i32(r);
  loop.totaltime = get_i32(r);
  g.write_failures = get_i32(r);
  if (get_u32(r) != c.temperingorder.size()) {
    why = "its level table does not fit this run's ladder";
    return false;
  }
  for (int32_t& level : c.temperingorder) level = get_i32(r);
  g.chi2eval = get_i32(r);
  g.avchi2 = get_f64(r);
  g.sigmachi2 = get_f64(r);
  get_counts(r, g.chi2bin.data() + kNbins, kNbins);
  if (get_u32(r) != g.fitparams.size()) {
    why = "its parameter count does not fit this run's";
    return false;
  }
  get_params(r, g);
  lengths.scatter = get_i64(r);
  lengths.chain = get_i64(r);
  if (r.failed || r.at != bytes.size()) {
    why = r.failed ? "it ends early" : "it holds more than its state";
    return false;
  }
  loop.block = id.block;
  loop.run_id = id.run_id;
  return true;
}

bool write_checkpoint(int32_t rank,
                      std::string_view bytes,
                      std::string& error) {
  const std::string path = checkpoint_name(rank);
  const std::string before = previous_checkpoint_name(rank);
  if (std::rename(path.c_str(), before.c_str()) != 0 && errno != ENOENT) {
    error =
        "cannot rename " + path + " to " + before + ": " + std::strerror(errno);
    return false;
  }
  if (!textio::write_file_atomic(path, bytes, error)) return false;
  // The renames are on disk too.
  const int dir = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const bool synced = dir >= 0 && ::fsync(dir) == 0;
  if (!synced)
    error =
        "cannot sync the working folder: " + std::string(std::strerror(errno));
  if (dir >= 0) ::close(dir);
  return synced;
}

CheckpointFile read_checkpoint_file(const std::string& path) {
  CheckpointFile f;
  std::string why;
  if (::access(path.c_str(), F_OK) != 0 && errno == ENOENT) return f;
  f.present = true;
  if (!textio::is_regular(path, why)) {
    f.why = why;
    return f;
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in && !in.eof()) {
    f.why = "it cannot be read";
    return f;
  }
  f.bytes = std::move(text).str();
  f.whole = read_checkpoint_id(f.bytes, f.id, f.why);
  if (!f.whole) f.bytes.clear();
  return f;
}

}  // namespace ptfit
