// ionoscan: RSF ionograms to "_maxima_" series files.
int main() { return 0; }
