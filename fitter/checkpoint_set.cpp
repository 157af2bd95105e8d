// The choice of the checkpoints to resume from.
#include "checkpoint_set.h"

#include <algorithm>

namespace ptfit {

namespace {

using State = SlotFound::State;

// What a process holds, for a message: "blocks 5 and 4", "block 1",
// "block 3 of another run", "none".
std::string held_text(const Found& f, uint64_t run_id) {
  std::string text;
  for (const SlotFound& s : f.slot) {
    if (s.state != State::kWhole) continue;
    text += text.empty() ? "block " : " and ";
    text += std::to_string(s.id.block);
    if (s.id.run_id != run_id) text += " of another run";
  }
  if (text.find(" and ") != std::string::npos) text.insert(5, "s");
  return text.empty() ? "none" : text;
}

bool holds(const Found& f, int32_t rank, const CheckpointId& want) {
  for (const SlotFound& s : f.slot) {
    if (s.state == State::kWhole && s.id.run_id == want.run_id &&
        s.id.block == want.block && s.id.rank == rank &&
        s.id.mpisize == want.mpisize) {
      return true;
    }
  }
  return false;
}

}  // namespace

Found found_of(const CheckpointFile& newest, const CheckpointFile& before) {
  Found f;
  const CheckpointFile* files[2] = {&newest, &before};
  for (int i = 0; i < 2; ++i) {
    if (!files[i]->present) continue;
    f.slot[i].state = files[i]->whole ? State::kWhole : State::kDamaged;
    if (files[i]->whole) f.slot[i].id = files[i]->id;
  }
  return f;
}

std::array<int64_t, kFoundWords> found_words(const Found& f) {
  std::array<int64_t, kFoundWords> w{};
  for (int i = 0; i < 2; ++i) {
    const SlotFound& s = f.slot[i];
    int64_t* out = w.data() + 5 * i;
    out[0] = static_cast<int32_t>(s.state);
    out[1] = static_cast<int64_t>(s.id.run_id);
    out[2] = s.id.mpisize;
    out[3] = s.id.rank;
    out[4] = s.id.block;
  }
  return w;
}

Found found_from_words(const int64_t* words) {
  Found f;
  for (int i = 0; i < 2; ++i) {
    const int64_t* in = words + 5 * i;
    SlotFound& s = f.slot[i];
    s.state = in[0] == 1 ? State::kWhole
                         : (in[0] == 2 ? State::kDamaged : State::kMissing);
    s.id.run_id = static_cast<uint64_t>(in[1]);
    s.id.mpisize = static_cast<int32_t>(in[2]);
    s.id.rank = static_cast<int32_t>(in[3]);
    s.id.block = static_cast<int32_t>(in[4]);
  }
  return f;
}

SetChoice choose_checkpoints(const std::vector<Found>& found) {
  SetChoice choice;
  const int32_t mpisize = static_cast<int32_t>(found.size());
  const bool any = std::any_of(found.begin(), found.end(), [](const Found& f) {
    return f.slot[0].state != State::kMissing ||
           f.slot[1].state != State::kMissing;
  });
  if (!any) return choice;
  choice.kind = SetChoice::Kind::kRefused;
  const std::string afresh =
      " (remove the files checkpoint_* to start the run afresh)";
  // Process 0's whole files, the newest block first.
  std::vector<CheckpointId> candidates;
  for (const SlotFound& s : found[0].slot) {
    if (s.state == State::kWhole && s.id.rank == 0) candidates.push_back(s.id);
  }
  std::sort(candidates.begin(),
            candidates.end(),
            [](const CheckpointId& a, const CheckpointId& b) {
              return a.block > b.block;
            });
  if (candidates.empty()) {
    choice.message =
        "process 0 has no whole checkpoint, other processes "
        "have checkpoint files" +
        afresh;
    return choice;
  }
  if (candidates[0].mpisize != mpisize) {
    choice.message = "the checkpoints are of a run of " +
                     std::to_string(candidates[0].mpisize) +
                     " processes, this run has " + std::to_string(mpisize);
    return choice;
  }
  for (const CheckpointId& want : candidates) {
    bool all = true;
    for (int32_t r = 0; r < mpisize && all; ++r) all = holds(found[r], r, want);
    if (all) {
      choice.kind = SetChoice::Kind::kResume;
      choice.block = want.block;
      choice.run_id = want.run_id;
      return choice;
    }
  }
  choice.message = "no block has a checkpoint of every process (process 0: " +
                   held_text(found[0], candidates[0].run_id);
  for (int32_t r = 1; r < mpisize; ++r) {
    if (!holds(found[r], r, candidates[0])) {
      choice.message += "; process " + std::to_string(r) + ": " +
                        held_text(found[r], candidates[0].run_id);
    }
  }
  choice.message += ")" + afresh;
  return choice;
}

int slot_holding(const Found& f, uint64_t run_id, int32_t block) {
  for (int i = 0; i < 2; ++i) {
    const SlotFound& s = f.slot[i];
    if (s.state == State::kWhole && s.id.run_id == run_id &&
        s.id.block == block) {
      return i;
    }
  }
  return -1;
}

}  // namespace ptfit
