// The virtual printer's UDP side and its network settings.
#include "sim/virtual_printer.h"
#include "sim/virtual_printer_state.h"

namespace varnalux::sim {

bool VirtualPrinter::StartUdp(const UdpServeOptions& options) {
  if (!state_->udp) state_->udp = std::make_unique<UdpResponder>(state_->core);
  return state_->udp->Start(options);
}

void VirtualPrinter::AnswerUdpFor(const UdpServeOptions& options) {
  if (!state_->udp) state_->udp = std::make_unique<UdpResponder>(state_->core);
  state_->udp->AnswerFor(options);
}

std::vector<uint8_t> VirtualPrinter::AnswerUdp(const uint8_t* data, size_t size) {
  if (!state_->udp) return {};
  return state_->udp->Answer(data, size);
}

uint16_t VirtualPrinter::UdpPort() const { return state_->udp ? state_->udp->Port() : 0; }

std::vector<std::vector<uint8_t>> VirtualPrinter::UdpReceived() const {
  if (!state_->udp) return {};
  return state_->udp->Received();
}

NetworkSettings VirtualPrinter::Network() const {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  return state_->core.net;
}

void VirtualPrinter::SetNetwork(const NetworkSettings& settings) {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  state_->core.net = settings;
}

}  // namespace varnalux::sim
