// An empty program that every object of one layer is linked into, with only
// the layers below it: a call from the layer to one above stays undefined and
// fails the build. The program is never run.
int main() { return 0; }
