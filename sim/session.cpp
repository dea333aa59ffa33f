#include "sim/session.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace varnalux::sim {

Session::Session(PrinterCore& core) : core_(core), interpreter_(core) {
  std::lock_guard<std::mutex> lock(core_.mu);
  ++core_.connections;
}

bool Session::Incoming(const uint8_t* data, size_t count, AnswerSink& sink) {
  bool drop;
  {
    std::lock_guard<std::mutex> lock(core_.mu);
    resetWanted_ = core_.fault == Fault::Reset;
    drop = resetWanted_ || core_.fault == Fault::DropOnReceive;
  }
  if (drop) {
    core_.Record(data, count);
    return false;
  }
  // Recorded after the commands ran: whoever waits for the bytes finds
  // their effect in place.
  std::vector<std::string> answers;
  interpreter_.Feed(data, count, answers);
  core_.Record(data, count);
  for (const std::string& answer : answers)
    if (!WriteAnswer(answer, sink)) return false;
  return true;
}

bool Session::WriteAnswer(const std::string& answer, AnswerSink& sink) {
  Fault fault;
  {
    std::lock_guard<std::mutex> lock(core_.mu);
    fault = core_.fault;
    // The drop happens once, on the next answer.
    if (fault == Fault::DropMidAnswer) core_.fault = Fault::None;
  }
  const auto* bytes = reinterpret_cast<const uint8_t*>(answer.data());
  if (fault == Fault::DropMidAnswer) {
    if (answer.size() / 2 > 0) sink.Write(bytes, answer.size() / 2);
    return false;
  }
  if (fault == Fault::SplitAnswers) {
    // Up to three pieces, a pause before each.
    size_t piece = std::max<size_t>(1, (answer.size() + 2) / 3);
    for (size_t at = 0; at < answer.size(); at += piece) {
      std::this_thread::sleep_for(std::chrono::milliseconds(SplitPauseMs));
      if (!sink.Write(bytes + at, std::min(piece, answer.size() - at))) return false;
    }
    return true;
  }
  return sink.Write(bytes, answer.size());
}

}  // namespace varnalux::sim
