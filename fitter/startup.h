// Start-up of a run apart from its communication: process 0's run dialogue
// (parameter count, parameter file, run configuration), the ladder layout,
// and the starting state of every parameter record and of the chi-square
// histogram.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "freeform_in.h"
#include "global.h"
#include "status.h"

namespace ptfit {

// A fresh parameter record with the defaults (name all blanks).
Fitparam new_fitparam();

// Process 0's run dialogue on `in`: the parameter count, the parameter file
// and its records, then the six reads of the run configuration; with a
// single process tempering and clones are switched off and there is one
// ladder of one level. Prompts go to `out`. Ends with the status of the
// first read that fails or of read_paramsfile.
Status run_dialogue(textio::LineSource& in,
                    std::ostream& out,
                    int32_t mpisize,
                    Global& g,
                    RunConfig& c);

// Reads g.nparams records (name, lower and upper bound) from the parameter
// file g.paramsfile into a new table g.fitparams. The table is built only
// when every record was read. A stop when the file cannot be opened or ends
// before the last record; an input error when a record cannot be read.
Status read_paramsfile(Global& g);

// Checks at start-up that no parameter's lower bound lies above its upper
// bound (equal bounds fix the value). False with a one-line message naming
// the first such parameter and its bounds.
bool check_ranges(const Global& g, std::string& message);

// Whether parameter j (1-based) of `modeltype` is a period, as the models
// of getdata.h use it: the second of every sinusoid of model 1 (3, 6, 9,
// ...), p2 of models 2 and 3, the second and fourth of every product of
// model 4 (3, 5, 8, 10, ...). Other model types have none.
bool is_period(int32_t modeltype, int32_t j);

// Checks at start-up what the model and the result files need of every
// parameter: bounds that are finite numbers, with a finite width and
// centre; a period's range without 0 (the model divides by it); a name
// that is a plain file name, since NAME.bin is written in the working
// folder (not empty, not "." or "..", no slash, no NUL); no two parameters
// of one name (their histograms would overwrite each other). False with a
// one-line message naming the first parameter that fails.
bool check_parameters(int32_t modeltype, const Global& g, std::string& message);

// Checks the run configuration at start-up: a finite chi2max (the upper end
// of the chi-square histogram), and with tempering a positive finite
// tempratio (the ladder's temperatures) and an nexchange of at least 1
// (moves between exchange attempts). False with a one-line message.
bool check_run_config(const RunConfig& c, std::string& message);

// The ladder layout for `mpisize` processes in c.nclones ladders: sets
// ntemperatures, clears clones with a single ladder and tempering with
// ladders of one level. False when nclones is not positive or does not
// divide mpisize (nothing is changed then).
bool layout_ladders(int32_t mpisize, RunConfig& c);

// The message every process prints before ending on a bad ladder count.
inline constexpr const char* kLadderError =
    "ERROR: ntemperatures*nclones .ne. mpisize";

// Colour (ladder) and subrank (level) of world rank `mpiid`.
void place_in_ladder(int32_t mpiid, RunConfig& c);

// Starting state of every record: bin positions over the range, counts and
// sums 0, maxstep a hundredth of the range, value its centre. Then the
// chi-square sums and histogram (positions 0..chi2max).
void init_parameters(Global& g, const RunConfig& c);

}  // namespace ptfit
