// ptfit's answer to --help.
#pragma once

namespace ptfit {

inline constexpr const char* kUsage =
    "usage: ptfit < ANSWERS\n"
    "       mpirun -np N ptfit < ANSWERS\n"
    "       ptfit --help | --version\n"
    "Fits a periodic model to a window of a series file by parallel\n"
    "tempering, as one MPI job: every process walks its own replica at a\n"
    "temperature of its ladder, and the samples at temperature 1 give the\n"
    "distribution of every parameter.\n"
    "Answers: from standard input (read by process 0), one read a line, in\n"
    "this order (quote paths):\n"
    "  modeltype                        1 to 4\n"
    "  './data/'                        directory of the series file, with\n"
    "                                   its final /\n"
    "  'run_maxima_1.dat'               the series file\n"
    "  year day hour minute             start of the window\n"
    "  year day hour minute             its end (excluded)\n"
    "  nparams nparams2                 number of parameters, unused count\n"
    "  params.txt                       parameter file: a name, a lower and\n"
    "                                   an upper bound a line\n"
    "  nblocks nmoves nskip statistics_start\n"
    "                                   blocks, moves a block, sweeps a move,\n"
    "                                   blocks before the sampling\n"
    "  samplingtype                     1 Metropolis, 2 value-weighted ratio,\n"
    "                                   11 uniform draws\n"
    "  chi2max                          upper end of the chi-square bins\n"
    "  tempering nexchange tempratio    T or F, moves between exchanges,\n"
    "                                   ratio of neighbouring temperatures\n"
    "  clones nclones                   T or F, number of ladders\n"
    "  scatter                          T or F: write scatter_0\n"
    "Reads the series file and the parameter file. Writes in the working\n"
    "directory, after every block past statistics_start, NAME.bin for every\n"
    "parameter, \"chi2.bin\" and \"reconstructed\", and with scatter T\n"
    "\"scatter_0\". Reports go to standard output. When standard error is a\n"
    "terminal, process 0 prints there a line a block with the blocks done,\n"
    "the moves per second and the time left (under Open MPI's mpirun it is\n"
    "a pipe: run one process without mpirun to see it).\n"
    "Exit status, of every process: 0 complete run, 1 an early end (message\n"
    "on standard output), 2 an answer or record that cannot be read or a\n"
    "wrong argument (message on standard error).\n";

}  // namespace ptfit
