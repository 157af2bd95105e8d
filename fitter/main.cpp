// ptfit: parallel-tempering fit of periodic models to a series file.
#include <mpi.h>

int main(int argc, char** argv) {
  MPI_Init(&argc, &argv);
  MPI_Finalize();
  return 0;
}
