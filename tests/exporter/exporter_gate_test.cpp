// The probe slots: a request waits for one until its time, then goes without.
#include <gtest/gtest.h>

#include <thread>

#include "app/exporter/probe_gate.h"

namespace varnalux {
namespace {

using Clock = ProbeGate::Clock;

TEST(ExporterGate, SlotsAreBoundedAndAWaitEndsAtItsTime) {
  ProbeGate gate(2);
  {
    GateSlot a(gate, Clock::now());
    GateSlot b(gate, Clock::now());
    EXPECT_TRUE(a.Held());
    EXPECT_TRUE(b.Held());
    const auto before = Clock::now();
    GateSlot c(gate, before + std::chrono::milliseconds(50));
    EXPECT_FALSE(c.Held());
    EXPECT_GE(Clock::now() - before, std::chrono::milliseconds(50));
  }
  // Both slots came back when their holders went.
  GateSlot d(gate, Clock::now());
  GateSlot e(gate, Clock::now());
  EXPECT_TRUE(d.Held());
  EXPECT_TRUE(e.Held());
}

TEST(ExporterGate, AWaiterTakesTheSlotLeftFree) {
  ProbeGate gate(1);
  ASSERT_TRUE(gate.Enter(Clock::now()));
  bool held = false;
  std::thread waiter([&] {
    GateSlot slot(gate, Clock::now() + std::chrono::seconds(30));
    held = slot.Held();
  });
  gate.Leave();
  waiter.join();
  EXPECT_TRUE(held);
  EXPECT_TRUE(gate.Enter(Clock::now()));
}

}  // namespace
}  // namespace varnalux
