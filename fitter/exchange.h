// Replica exchange between neighbouring temperature levels of a ladder:
// the pieces without communication (the pair of the next attempt, the
// decision, the update of the level table, the counts). The transfers
// between the partners are in the MPI layer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "global.h"

namespace ptfit {

// Lower level of the next exchange pair: level + 1, back to 0 when it
// reaches ntemperatures - 1 (so 0 for a ladder of one or two levels).
int32_t next_level(int32_t level, int32_t ntemperatures);

// True when the pair (i1, i2) of subranks is no valid pair of a ladder of
// ntemperatures levels.
bool bad_pair(int32_t i1, int32_t i2, int32_t ntemperatures);

// The three lines printed before a run stops on a bad pair.
std::vector<std::string> bad_pair_lines(
    int32_t i1, int32_t i2, int32_t ncall, const Global& g, const RunConfig& c);

// The swap probability min(1, exp((0.5/t - 0.5/tp) * (chi - chip))) of the
// decider (t, chi its own temperature and chi-square, tp, chip the
// partner's); a NaN exponent counts as 1.
double exchange_probability(double t, double chi, double tp, double chip);

// After an accepted swap between subranks i1 and i2: the level held by i1
// goes to i2 and the other way round (the last matching level counts).
void swap_levels(std::vector<int32_t>& temperingorder, int32_t i1, int32_t i2);

// Counts an attempt of outcome -1 (not in the pair), 0 (rejected) or 1.
void tempering_statistics(RunConfig& c, int32_t outcome);

// Starting temperature of ladder level `subrank`: tempratio multiplied in
// subrank times, starting from exactly 1.
double start_temperature(double tempratio, int32_t subrank);

}  // namespace ptfit
