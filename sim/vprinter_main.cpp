// Placeholder until the virtual printer is built.
int main() { return 0; }
