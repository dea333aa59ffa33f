// Several threads, each with its own bound link settings, talk to several
// printers at once over TCP: every thread's connection, ring and answers
// stay its own.
#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <memory>
#include <thread>
#include <vector>

#include "protocol/config_reader.h"
#include "protocol/report_exchange.h"
#include "sim/virtual_printer.h"
#include "tests/support/link_binding.h"

namespace varnalux {
namespace {

constexpr int Printers = 8;
constexpr int RoundsPerThread = 40;

TEST(LinkThreads, ConcurrentOperationsKeepTheirOwnConnections) {
  std::vector<std::unique_ptr<sim::VirtualPrinter>> printers;
  for (int i = 0; i < Printers; ++i) {
    printers.push_back(std::make_unique<sim::VirtualPrinter>());
    ASSERT_TRUE(printers.back()->StartTcp("127.0.0.1", 0));
    printers.back()->SetStatusByte(static_cast<uint8_t>(1 << i));
    printers.back()->OverrideReport("CHECKSUM", "SUM" + std::to_string(i));
  }
  std::latch start(Printers);
  std::atomic<int> wrong{0}, failed{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < Printers; ++i) {
    threads.emplace_back([&, i] {
      SerialSettings serial{};
      char parallel[ParallelNameSize] = {};
      TcpTarget tcp{};
      InitialSerialSettings(serial);
      InitialParallelName(parallel);
      InitialTcpTarget(tcp);
      CopyText(tcp.host, sizeof tcp.host, "127.0.0.1");
      tcp.port = printers[static_cast<size_t>(i)]->TcpPort();
      testing::ScopedLinkBinding binding(serial, parallel, tcp);
      start.arrive_and_wait();
      for (int round = 0; round < RoundsPerThread; ++round) {
        PrinterStatus status;
        if (QueryStatus(KindEthernet, status) != ResultOk) {
          ++failed;
          continue;
        }
        if (StatusToByte(status) != (1 << i)) ++wrong;
        if (round % 10 != 0) continue;
        PrinterConfig config;
        ResetConfig(config);
        if (ReadConfig(KindEthernet, config) != ResultOk)
          ++failed;
        else if (std::string(config.checksum) != "SUM" + std::to_string(i))
          ++wrong;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(failed.load(), 0);
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace varnalux
