// The bridge's interrupt block: mask pairs, status, the queue with "more
// follows", and delivery in line and message-signalled modes.
#include <gtest/gtest.h>

#include "simboard/BridgeCoreBlock.h"

namespace {

using simboard::BridgeCoreBlock;
using simboard::BridgeInterruptQueue;

TEST(BridgeInterruptQueue, MaskPairsStatusAndQueueWithMoreFollows) {
  BridgeCoreBlock core;
  BridgeInterruptQueue& irq = core.interrupts();
  core.write(BridgeCoreBlock::kInterruptMaskOffset, 32, 0x54000500);
  EXPECT_EQ(core.read(BridgeCoreBlock::kInterruptMaskOffset, 32), 0u);
  irq.post(7);
  irq.push(0x00000123);  // not a notification
  irq.post(0x4005);      // key keeps 14 bits
  // Nothing requested while interrupts or the DMA source are off.
  EXPECT_EQ(core.read(BridgeCoreBlock::kInterruptStatusOffset, 32), 0u);
  core.write(BridgeCoreBlock::kInterruptMaskOffset, 32, 0x94000500);
  EXPECT_EQ(core.read(BridgeCoreBlock::kInterruptStatusOffset, 32), 0u);
  core.write(BridgeCoreBlock::kInterruptMaskOffset, 32, 0x80000200);
  EXPECT_EQ(core.read(BridgeCoreBlock::kInterruptMaskOffset, 32), 0x80000200u);
  EXPECT_EQ(core.read(BridgeCoreBlock::kInterruptStatusOffset, 32), 0x80000000u);
  EXPECT_EQ(core.read(BridgeCoreBlock::kInterruptQueueOffset, 32), 0x50000007u);
  EXPECT_EQ(core.read(BridgeCoreBlock::kInterruptQueueOffset, 32), 0x40000123u);
  EXPECT_EQ(core.read(BridgeCoreBlock::kInterruptQueueOffset, 32), 0x10000005u);
  EXPECT_EQ(core.read(BridgeCoreBlock::kInterruptQueueOffset, 32), 0u);
  EXPECT_EQ(core.read(BridgeCoreBlock::kInterruptStatusOffset, 32), 0u);

  irq.post(1);
  irq.setAllOnes(true);
  EXPECT_EQ(core.read(BridgeCoreBlock::kInterruptStatusOffset, 32), 0xFFFFFFFFu);
  EXPECT_EQ(core.read(BridgeCoreBlock::kInterruptQueueOffset, 32), 0xFFFFFFFFu);
  EXPECT_FALSE(irq.lineAsserted());
}

TEST(BridgeInterruptQueue, LineStaysAssertedUntilMaskedAndMessagesComeOnePerEntry) {
  BridgeCoreBlock core;
  BridgeInterruptQueue& irq = core.interrupts();
  core.write(BridgeCoreBlock::kInterruptMaskOffset, 32, 0x80000200);
  int raised = 0;
  irq.onDeliver([&] {
    ++raised;
    // A handler that masks, then drains one entry and re-arms.
    core.write(BridgeCoreBlock::kInterruptMaskOffset, 32, 0x40000000);
    core.read(BridgeCoreBlock::kInterruptQueueOffset, 32);
    core.write(BridgeCoreBlock::kInterruptMaskOffset, 32, 0x80000000);
  });
  irq.post(1);
  irq.post(2);
  EXPECT_TRUE(irq.lineAsserted());
  EXPECT_EQ(irq.deliverInterrupts(), 2u);
  EXPECT_EQ(raised, 2);
  EXPECT_FALSE(irq.lineAsserted());

  irq.setMessageSignalled(true);
  irq.post(3);
  irq.post(4);
  irq.post(5);
  EXPECT_EQ(irq.messagesOwed(), 3u);
  EXPECT_EQ(irq.deliverInterrupts(2), 2u);
  EXPECT_EQ(irq.deliverInterrupts(), 1u);
  EXPECT_EQ(irq.deliverInterrupts(), 0u);
}

}  // namespace
