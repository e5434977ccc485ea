// The memory manager: the size-0 rules, resizing, and FreeBuffer reached through the virtual
// table from ReallocBuffer.
#include <vesk/memorymanager.h>

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

// Records the blocks given back, then frees them as the generic manager does.
class CRecordingManager : public CMemoryManager_Generic {
  public:
    void FreeBuffer(void* block) override {
        m_freed.push_back(block);
        CMemoryManager_Generic::FreeBuffer(block);
    }
    std::vector<void*> m_freed;
};

TEST(MemoryManager, SizeZeroGivesNullAndFreesThroughTheVirtualTable) {
    CRecordingManager manager;
    Vesk::CMemoryManager& base = manager;
    EXPECT_EQ(base.AllocateBuffer(0), nullptr);
    void* block = base.AllocateBuffer(16);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(base.ReallocBuffer(block, 0), nullptr);
    EXPECT_EQ(base.ReallocBuffer(nullptr, 0), nullptr);
    EXPECT_EQ(manager.m_freed, (std::vector<void*>{block, nullptr}));
    base.FreeBuffer(nullptr);  // no effect (asan would report a bad free)
}

TEST(MemoryManager, ReallocKeepsContentsAndNullBlockAllocates) {
    Vesk::CMemoryManager& manager = Vesk::CMemoryManager::GetInstance();
    char* block = static_cast<char*>(manager.ReallocBuffer(nullptr, 8));
    ASSERT_NE(block, nullptr);
    std::memcpy(block, "1234567", 8);
    block = static_cast<char*>(manager.ReallocBuffer(block, 100000));
    ASSERT_NE(block, nullptr);
    EXPECT_STREQ(block, "1234567");
    block[99999] = 'z';  // the whole new size is usable (asan checks the bound)
    block = static_cast<char*>(manager.ReallocBuffer(block, 3));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(std::memcmp(block, "123", 3), 0);
    manager.FreeBuffer(block);
}

TEST(MemoryManager, GetInstanceIsOneGenericManagerOnEveryThread) {
    Vesk::CMemoryManager* other = nullptr;
    std::thread([&other] { other = &Vesk::CMemoryManager::GetInstance(); }).join();
    EXPECT_EQ(other, &Vesk::CMemoryManager::GetInstance());
    EXPECT_NE(dynamic_cast<CMemoryManager_Generic*>(other), nullptr);
}

}  // namespace
