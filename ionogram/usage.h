// ionoscan's answer to --help.
#pragma once

namespace ionoscan {

inline constexpr const char* kUsage =
    "usage: ionoscan\n"
    "       ionoscan --help | --version\n"
    "Decodes the RSF ionogram files of a list (one sounding a file) and\n"
    "writes for every frequency band a series file: per time step the mean\n"
    "virtual height of the strongest echoes in a height window, smoothed\n"
    "over 7 steps, and their spread.\n"
    "Answers: from the file \"input\" in the working directory, one a line,\n"
    "in this order (quote a path that holds a slash):\n"
    "  logo          prefix of the output files\n"
    "  list          the file that lists the RSF files, one a line\n"
    "  dt            time step, minutes (at most 60)\n"
    "  nbands        number of frequency bands (0 to 99), then a line a band:\n"
    "  f1 f2         its lower (included) and upper frequency, MHz\n"
    "  polmode       1 X mode, 2 O mode, 3 both\n"
    "  msignl        0 takes each group's most frequent amplitude off\n"
    "  mscale        0 counts every sample as 1, other values weigh it by\n"
    "                its amplitude\n"
    "  minh maxh     height window, km\n"
    "  avh           echoed only\n"
    "  navg          number of maxima to average\n"
    "Reads \"input\", the list and the RSF files it names. Writes\n"
    "LOGO_maxima_B.dat for every band B in the working directory, all of\n"
    "them after a complete run, none otherwise. The dialogue goes to standard\n"
    "output; when standard error is a terminal, it shows a progress bar over\n"
    "the files being sampled.\n"
    "Exit status: 0 complete run, 1 a stop or a refused run (message on\n"
    "standard output), 2 an answer that cannot be read, an RSF file that ends\n"
    "inside a block or a wrong argument (message on standard error).\n";

}  // namespace ionoscan
