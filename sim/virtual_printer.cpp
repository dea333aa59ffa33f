// Placeholder until the virtual printer is built.
namespace varnalux::sim {
int Placeholder() { return 0; }
}
