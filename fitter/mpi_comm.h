// The thin MPI layer of ptfit: start and end, barriers, broadcasts from
// process 0, sums over all processes, the split into ladder communicators
// and the point-to-point transfers of a replica exchange. Every MPI call of
// the program is made in the mpi_*.cpp files; nothing here decides anything.
#pragma once

#include <mpi.h>

#include <cstdint>
#include <string>

namespace ptfit {

// Message tags of the replica exchange.
constexpr int kTagChi2 = 1;         // the partners' chi-square values
constexpr int kTagTemperature = 2;  // the partners' temperatures
constexpr int kTagOutcome = 2;      // the decider's outcome to its partner

// Starts MPI and gives the world rank and size.
void mpi_start(int* argc, char*** argv, int32_t& mpiid, int32_t& mpisize);
// Shuts MPI down.
void mpi_stop();
// Ends every process of the job with `code` (for a broken invariant).
[[noreturn]] void mpi_abort(int code);

// Barrier on the world communicator or on `comm`.
void barrier();
void barrier(MPI_Comm comm);

// Broadcasts from process 0 over the world communicator.
void bcast(int32_t& v);
void bcast(double& v);
void bcast(bool& v);
// A character variable of `length` bytes (resized to it on the receivers).
void bcast(std::string& s, int length);
void bcast(double* v, int n);
void bcast(int64_t* v, int n);
// `n` integers from `root` over `comm`.
void bcast(int32_t* v, int n, int root, MPI_Comm comm);

// Sums over the world communicator, the result on every process.
double sum_all(double v);
int32_t sum_all(int32_t v);
// `n` integers of every process into `out` on process 0, in rank order
// (n times the number of processes; `out` is not read on the others).
void gather_to_root(const int64_t* in, int n, int64_t* out);
// Sums `n` doubles of every process into `out` on process 0 (`out` is not
// read on the other processes).
void sum_to_root(const double* in, double* out, int n);

// Splits the world communicator by `colour`, ranked by `key`.
MPI_Comm split_world(int32_t colour, int32_t key);
void free_comm(MPI_Comm& comm);

// The four transfers of an exchange, in flight together: sends `chi2` and
// `temperature` to `partner` in `comm` and receives the partner's.
void swap_states(MPI_Comm comm,
                 int32_t partner,
                 double chi2,
                 double temperature,
                 double& partner_chi2,
                 double& partner_temperature);
// The decider's outcome: a blocking send, and its receipt.
void send_outcome(MPI_Comm comm, int32_t partner, int32_t outcome);
int32_t receive_outcome(MPI_Comm comm, int32_t partner);

}  // namespace ptfit
