// SPDX-License-Identifier: Apache-2.0
// The memory manager: the size-0 rules, and FreeBuffer reached through the virtual table from
// ReallocBuffer.
#include <vesk/memorymanager.h>

#include <gtest/gtest.h>

#include <vector>

// Records the blocks given back, then frees them as the generic manager does.
struct CRecordingManager : CMemoryManager_Generic {
    void FreeBuffer(void* block) override {
        m_freed.push_back(block);
        CMemoryManager_Generic::FreeBuffer(block);
    }
    std::vector<void*> m_freed;
};

TEST(MemoryManager, SizeZeroGivesNullAndFreesThroughTheVirtualTable) {
    CRecordingManager manager;
    EXPECT_EQ(manager.AllocateBuffer(0), nullptr);
    void* block = manager.ReallocBuffer(nullptr, 8);  // a new block
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(manager.ReallocBuffer(block, 0), nullptr);
    EXPECT_EQ(manager.ReallocBuffer(nullptr, 0), nullptr);
    EXPECT_EQ(manager.m_freed, (std::vector<void*>{block, nullptr}));
}
