// Resuming from checkpoints, collectively.
#include "mpi_checkpoint.h"

#include <unistd.h>

#include <array>
#include <bit>
#include <chrono>
#include <random>
#include <vector>

#include "checkpoint_set.h"
#include "freeform_out.h"
#include "getdata.h"
#include "lineout.h"
#include "mpi_comm.h"

namespace ptfit {

namespace {

void say_error(std::ostream& out, const std::string& words) {
  put_line(out, textio::free_line("error: cannot resume: " + words));
}

// Process 0's choice from what every process found, checked against the
// fingerprint of this run.
SetChoice choose(const Global& g,
                 const std::vector<int64_t>& words,
                 const CheckpointFile* mine[2],
                 Fingerprint& now) {
  std::vector<Found> found;
  for (int32_t r = 0; r < g.mpisize; ++r) {
    found.push_back(found_from_words(words.data() + kFoundWords * r));
  }
  SetChoice choice = choose_checkpoints(found);
  if (choice.kind != SetChoice::Kind::kResume) return choice;
  const int slot = slot_holding(found[0], choice.run_id, choice.block);
  Fingerprint there;
  std::string why;
  if (!read_checkpoint_fingerprint(mine[slot]->bytes, there, why)) {
    choice.kind = SetChoice::Kind::kRefused;
    choice.message = why;
    return choice;
  }
  const std::string differs = fingerprint_difference(there, now);
  if (!differs.empty()) {
    choice.kind = SetChoice::Kind::kRefused;
    choice.message = differs + " (checkpoints of block " +
                     std::to_string(choice.block) + ")";
  }
  now.seed = there.seed;
  return choice;
}

// Restores this process's state from `file`; false after printing why not.
bool restore(Global& g,
             RunConfig& c,
             Data& d,
             const CheckpointFile& file,
             const std::string& name,
             LoopState& loop,
             FileLengths& lengths,
             std::ostream& out) {
  std::string why;
  if (!read_checkpoint_state(file.bytes, g, c, loop, lengths, why)) {
    say_error(out, name + ": " + why);
    return false;
  }
  // The walk's chi-square of the restored values, with a new cache, is the
  // one the walk carried.
  const double recorded = c.chi2cur;
  const double chi2 = chi2_fast(g, d);
  if (std::bit_cast<uint64_t>(chi2) != std::bit_cast<uint64_t>(recorded)) {
    say_error(out,
              name + ": the chi-square of its state is " +
                  textio::ff_real64(chi2) + ", it recorded " +
                  textio::ff_real64(recorded));
    return false;
  }
  return true;
}

}  // namespace

Status resume_from_checkpoints(Global& g,
                               RunConfig& c,
                               Data& d,
                               Fingerprint& now,
                               LoopState& loop,
                               FileLengths& lengths,
                               bool& resumed,
                               std::ostream& out) {
  const bool root = g.mpiid == 0;
  resumed = false;
  const std::string names[2] = {checkpoint_name(g.mpiid),
                                previous_checkpoint_name(g.mpiid)};
  const CheckpointFile newest = read_checkpoint_file(names[0]);
  const CheckpointFile before = read_checkpoint_file(names[1]);
  const CheckpointFile* mine[2] = {&newest, &before};
  for (int i = 0; i < 2; ++i) {
    if (mine[i]->present && !mine[i]->whole) {
      put_line(out,
               textio::free_line("note: " + names[i] +
                                 " is not used: " + mine[i]->why));
    }
  }
  const std::array<int64_t, kFoundWords> words =
      found_words(found_of(newest, before));
  std::vector<int64_t> all(root ? size_t(kFoundWords) * g.mpisize : 0);
  gather_to_root(words.data(), kFoundWords, all.data());
  std::array<int64_t, 3> decision{};  // kind, block, run id
  SetChoice choice;
  if (root) {
    choice = choose(g, all, mine, now);
    decision = {static_cast<int64_t>(choice.kind),
                choice.block,
                static_cast<int64_t>(choice.run_id)};
  }
  bcast(decision.data(), 3);
  const auto kind = static_cast<SetChoice::Kind>(decision[0]);
  if (kind == SetChoice::Kind::kFresh) return {};
  if (kind == SetChoice::Kind::kRefused) {
    if (root) say_error(out, choice.message);
    return Status::stop("");
  }
  const int32_t block = static_cast<int32_t>(decision[1]);
  const uint64_t run_id = static_cast<uint64_t>(decision[2]);
  const int slot = slot_holding(found_of(newest, before), run_id, block);
  bool ok = slot >= 0;
  if (!ok) {
    say_error(out, "no checkpoint of block " + std::to_string(block));
  } else {
    ok = restore(g, c, d, *mine[slot], names[slot], loop, lengths, out);
  }
  if (!all_ok(ok)) return Status::stop("");
  resumed = true;
  return {};
}

uint64_t share_run_id(const Global& g) {
  int64_t id = 0;
  if (g.mpiid == 0) {
    uint64_t v = 0;
    try {
      std::random_device device;
      v = (uint64_t(device()) << 32) ^ device();
    } catch (const std::exception&) {
      // No source of entropy: the clock and the process id will do.
    }
    v ^= uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    v ^= uint64_t(::getpid()) << 40;
    id = static_cast<int64_t>(v);
  }
  bcast(&id, 1);
  return static_cast<uint64_t>(id);
}

bool all_ok(bool ok) { return sum_all(int32_t(ok ? 0 : 1)) == 0; }

}  // namespace ptfit
