// Collective procedures of ptfit over the thin MPI layer.
#include "mpi_ptfit.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "exchange.h"
#include "freeform_out.h"
#include "getdata.h"
#include "lineout.h"
#include "mpi_comm.h"
#include "report.h"
#include "results.h"
#include "startup.h"

namespace ptfit {

namespace {

// Process 0 queues a result file, its text made later from the copies
// that `text` holds; a file that cannot be opened is reported now, counted
// in g.write_failures (the run ends with status 1) and the run goes on.
void queue_file(Global& g,
                ResultWriter& writer,
                const std::string& path,
                std::function<std::string()> text,
                std::ostream& out) {
  const std::string error = queue_result(writer, path, std::move(text));
  if (error.empty()) return;
  put_line(out, error);
  ++g.write_failures;
}

}  // namespace

int32_t share_stop(int32_t flag) {
  bcast(flag);
  return flag;
}

void bcastdata(const Global& g, Data& d, std::ostream& out) {
  const bool root = g.mpiid == 0;
  if (root)
    put_line(out, textio::free_line("data will be broadcasted to", g.mpisize));
  if (g.mpisize == 1) return;
  bcast(d.modeltype);
  bcast(d.ndata);
  barrier();
  if (!root) d.simdata.assign(3 * static_cast<size_t>(d.ndata), 0.0);
  barrier();
  for (int col = 0; col < 3; ++col) {
    bcast(d.simdata.data() + static_cast<size_t>(col) * d.ndata, d.ndata);
  }
  if (root) put_line(out, textio::free_line("data was broatcasted"));
  barrier();
}

void bcastparams(Global& g, RunConfig& c) {
  const bool root = g.mpiid == 0;
  bcast(g.nparams);
  bcast(g.nparams2);
  barrier();
  if (!root) {
    g.fitparams.clear();
    for (int32_t i = 0; i < g.nparams; ++i)
      g.fitparams.push_back(new_fitparam());
  }
  barrier();
  for (Fitparam& p : g.fitparams) {
    bcast(p.name, 20);
    bcast(p.range.data(), 2);
  }
  barrier();
  bcast(g.nblocks);
  bcast(c.samplingtype);
  bcast(c.statistics_start);
  bcast(c.chi2max);
  bcast(g.nmoves);
  bcast(c.nclones);
  bcast(g.nskip);
  bcast(c.tempering);
  bcast(c.clones);
  bcast(c.tempratio);
  bcast(c.nexchange);
  bcast(c.scatter);
}

int32_t evalexchange(Global& g,
                     RunConfig& c,
                     Data& d,
                     MPI_Comm subcomm,
                     int32_t i1,
                     int32_t i2,
                     int32_t& ncall,
                     std::ostream& out) {
  ncall += 1;
  int32_t outcome = -1;
  if (bad_pair(i1, i2, c.ntemperatures)) {
    put_lines(out, bad_pair_lines(i1, i2, ncall, g, c));
    out.flush();
    mpi_abort(1);
  }
  if (c.subrank == i1 || c.subrank == i2) {
    outcome = 0;
    const int32_t partner = c.subrank == i1 ? i2 : i1;
    double pchi2 = 0;
    double ptemp = 0;
    swap_states(subcomm, partner, c.chi2cur, g.temperature, pchi2, ptemp);
    if (c.subrank == i1) {
      const double prob =
          exchange_probability(g.temperature, c.chi2cur, ptemp, pchi2);
      const double u = random(g.rng);
      outcome = prob > u ? 1 : 0;
      send_outcome(subcomm, i2, outcome);
    } else {
      outcome = receive_outcome(subcomm, i1);
    }
    if (outcome == 1) {
      g.temperature = ptemp;
      c.chi2cur = chi2_fast(g, d);
      if (c.subrank == i1) swap_levels(c.temperingorder, i1, i2);
    }
  }
  barrier(subcomm);
  bcast(c.temperingorder.data(), c.ntemperatures, i1, subcomm);
  return outcome;
}

void plotbins(Global& g, ResultWriter& writer, std::ostream& out) {
  const bool root = g.mpiid == 0;
  std::vector<double> buffer(root ? kNbins : 0);
  barrier();
  for (Fitparam& p : g.fitparams) {
    if (p.vary == 0) continue;
    sum_to_root(&hist_count(p, 1), buffer.data(), kNbins);
    if (root) {
      queue_file(
          g,
          writer,
          histogram_name(p),
          [p, buffer] { return histogram_text(p, buffer); },
          out);
    }
  }
  sum_to_root(g.chi2bin.data() + kNbins, buffer.data(), kNbins);
  if (root) {
    queue_file(
        g,
        writer,
        "chi2.bin",
        [bins = g.chi2bin, buffer] { return chi2bin_text(bins, buffer); },
        out);
  }
  barrier();
}

void special_plotbins(Global& g,
                      const Data& d,
                      ResultWriter& writer,
                      std::ostream& out) {
  const size_t n = g.fitparams.size();
  std::vector<double> sums(n);
  std::vector<int32_t> counts(n);
  std::vector<double> current(n);
  for (size_t j = 0; j < n; ++j) {
    sums[j] = sum_all(g.fitparams[j].avval);
    counts[j] = sum_all(g.fitparams[j].neval);
    current[j] = g.fitparams[j].value;
  }
  if (g.mpiid == 0) {
    Data model;
    model.modeltype = d.modeltype;
    model.ndata = d.ndata;
    model.simdata = d.simdata;
    queue_file(
        g,
        writer,
        "reconstructed",
        [model, means = mean_values(sums, counts, current)] {
          return reconstructed_text(model, means);
        },
        out);
  }
  barrier();
}

void block_report(const Global& g,
                  const RunConfig& c,
                  Data& d,
                  int32_t k,
                  std::ostream& out) {
  const bool root = g.mpiid == 0;
  const bool sampling = k > c.statistics_start;
  Chi2Sums sums;
  sums.n = sum_all(g.chi2eval);
  sums.s = sum_all(g.avchi2);
  sums.q = sum_all(g.sigmachi2);
  std::vector<std::string> lines;
  if (root) {
    const double chi2now = sampling ? 0.0 : chi2(g, d);
    lines = report_head(k, g.nmoves, sampling, sums, chi2now);
  }
  for (const Fitparam& p : g.fitparams) {
    double a = p.avval;
    double b = p.sigmaval;
    int32_t m = p.neval;
    if (sampling && g.mpisize > 1) {
      a = sum_all(p.avval);
      b = sum_all(p.sigmaval);
      m = sum_all(p.neval);
    }
    if (root) lines.push_back(report_param_line(p, sampling, a, b, m));
  }
  if (root) put_lines(out, lines);
}

}  // namespace ptfit
