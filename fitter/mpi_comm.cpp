// MPI calls of ptfit. Errors are left to MPI's default handler.
#include "mpi_comm.h"

#include <array>
#include <cstdlib>

namespace ptfit {

void mpi_start(int* argc, char*** argv, int32_t& mpiid, int32_t& mpisize) {
  // Process 0 writes its result files on a second thread, which makes no
  // MPI call.
  int provided = 0;
  MPI_Init_thread(argc, argv, MPI_THREAD_FUNNELED, &provided);
  int rank = 0;
  int size = 1;
  MPI_Comm_rank(MPI_COMM_WORLD, &rank);
  MPI_Comm_size(MPI_COMM_WORLD, &size);
  mpiid = rank;
  mpisize = size;
}

void mpi_stop() { MPI_Finalize(); }

void mpi_abort(int code) {
  MPI_Abort(MPI_COMM_WORLD, code);
  std::abort();  // not reached
}

void barrier() { MPI_Barrier(MPI_COMM_WORLD); }
void barrier(MPI_Comm comm) { MPI_Barrier(comm); }

void bcast(int32_t& v) { MPI_Bcast(&v, 1, MPI_INT32_T, 0, MPI_COMM_WORLD); }
void bcast(double& v) { MPI_Bcast(&v, 1, MPI_DOUBLE, 0, MPI_COMM_WORLD); }

void bcast(bool& v) {
  int32_t i = v ? 1 : 0;
  bcast(i);
  v = i != 0;
}

void bcast(std::string& s, int length) {
  s.resize(static_cast<size_t>(length), ' ');
  MPI_Bcast(s.data(), length, MPI_CHAR, 0, MPI_COMM_WORLD);
}

void bcast(double* v, int n) { MPI_Bcast(v, n, MPI_DOUBLE, 0, MPI_COMM_WORLD); }

void bcast(int64_t* v, int n) {
  MPI_Bcast(v, n, MPI_INT64_T, 0, MPI_COMM_WORLD);
}

void gather_to_root(const int64_t* in, int n, int64_t* out) {
  MPI_Gather(in, n, MPI_INT64_T, out, n, MPI_INT64_T, 0, MPI_COMM_WORLD);
}

void bcast(int32_t* v, int n, int root, MPI_Comm comm) {
  MPI_Bcast(v, n, MPI_INT32_T, root, comm);
}

double sum_all(double v) {
  double s = 0;
  MPI_Allreduce(&v, &s, 1, MPI_DOUBLE, MPI_SUM, MPI_COMM_WORLD);
  return s;
}

int32_t sum_all(int32_t v) {
  int32_t s = 0;
  MPI_Allreduce(&v, &s, 1, MPI_INT32_T, MPI_SUM, MPI_COMM_WORLD);
  return s;
}

void sum_to_root(const double* in, double* out, int n) {
  MPI_Reduce(in, out, n, MPI_DOUBLE, MPI_SUM, 0, MPI_COMM_WORLD);
}

MPI_Comm split_world(int32_t colour, int32_t key) {
  MPI_Comm comm = MPI_COMM_NULL;
  MPI_Comm_split(MPI_COMM_WORLD, colour, key, &comm);
  return comm;
}

void free_comm(MPI_Comm& comm) {
  if (comm != MPI_COMM_NULL) MPI_Comm_free(&comm);
}

void swap_states(MPI_Comm comm,
                 int32_t partner,
                 double chi2,
                 double temperature,
                 double& partner_chi2,
                 double& partner_temperature) {
  std::array<MPI_Request, 4> requests{};
  std::array<MPI_Status, 4> statuses{};
  MPI_Isend(&chi2, 1, MPI_DOUBLE, partner, kTagChi2, comm, &requests[0]);
  MPI_Irecv(
      &partner_chi2, 1, MPI_DOUBLE, partner, kTagChi2, comm, &requests[1]);
  MPI_Isend(&temperature,
            1,
            MPI_DOUBLE,
            partner,
            kTagTemperature,
            comm,
            &requests[2]);
  MPI_Irecv(&partner_temperature,
            1,
            MPI_DOUBLE,
            partner,
            kTagTemperature,
            comm,
            &requests[3]);
  MPI_Waitall(4, requests.data(), statuses.data());
}

void send_outcome(MPI_Comm comm, int32_t partner, int32_t outcome) {
  MPI_Send(&outcome, 1, MPI_INT32_T, partner, kTagOutcome, comm);
}

int32_t receive_outcome(MPI_Comm comm, int32_t partner) {
  int32_t outcome = 0;
  MPI_Recv(
      &outcome, 1, MPI_INT32_T, partner, kTagOutcome, comm, MPI_STATUS_IGNORE);
  return outcome;
}

}  // namespace ptfit
