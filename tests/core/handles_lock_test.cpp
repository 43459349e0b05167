// Handle encoding and table rules, and the ApiLock's recursion and ordering.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "runtime/core/api_lock.h"
#include "runtime/core/handles.h"

namespace {

struct TestRecord {
    int check;
    int payload;
};

// A table made for one test: its slot array goes back when the test ends (static
// tables keep theirs for the process).
struct SlotArrayFreed {
    HandleTable* table;
    ~SlotArrayFreed() { free(table->slots); }
};

TEST(Handles, EncodingOfTheExamples) {
    EXPECT_EQ(EncodeHandle(HandleKindGraph, 0, 0), 0x08000000);
    EXPECT_EQ(EncodeHandle(HandleKindSound, 0, 0), 0x10000000);
    HandleTable graphs = HANDLE_TABLE_INIT(HandleKindGraph, 32768, HandleAfterEnd, 0x8000);
    SlotArrayFreed graphsSlots{&graphs};
    void* rec = nullptr;
    int h = MakeHandle(&graphs, sizeof(TestRecord), &rec, nullptr);
    EXPECT_EQ(h, 0x08000000);
    EXPECT_EQ(LookupHandle(&graphs, h), rec);
    int h2 = MakeHandle(&graphs, sizeof(TestRecord), nullptr, nullptr);
    EXPECT_EQ(h2, 0x08010001); // check 1, slot 1
    FreeHandle(&graphs, h);
    FreeHandle(&graphs, h2);
}

TEST(Handles, RejectsStaleForeignAndMalformedHandles) {
    HandleTable graphs = HANDLE_TABLE_INIT(HandleKindGraph, 32768, HandleAfterEnd, 0x8000);
    SlotArrayFreed graphsSlots{&graphs};
    int h = MakeHandle(&graphs, sizeof(TestRecord), nullptr, nullptr);
    EXPECT_EQ(LookupHandle(&graphs, -1), nullptr);
    EXPECT_EQ(LookupHandle(&graphs, h | 0x8000), nullptr);                    // bit 15 of the slot
    EXPECT_EQ(LookupHandle(&graphs, (h & ~0x78000000) | (2 << 27)), nullptr); // says sound
    EXPECT_EQ(FreeHandle(&graphs, h), 0);
    EXPECT_EQ(FreeHandle(&graphs, h), -1);
    int again = MakeHandle(&graphs, sizeof(TestRecord), nullptr, nullptr);
    EXPECT_EQ(again & 0xFFFF, h & 0xFFFF); // same slot
    EXPECT_NE(again, h);                   // other check bits
    EXPECT_EQ(LookupHandle(&graphs, h), nullptr);
    EXPECT_NE(LookupHandle(&graphs, again), nullptr);
    FreeHandle(&graphs, again);

    HandleTable sounds = HANDLE_TABLE_INIT(HandleKindSound, 4096, HandleAfterEnd, 0);
    SlotArrayFreed soundsSlots{&sounds};
    int s = MakeHandle(&sounds, sizeof(TestRecord), nullptr, nullptr);
    EXPECT_EQ(LookupHandle(&graphs, s), nullptr);
    EXPECT_EQ(LookupHandle(&sounds, s | 4096), nullptr); // slot beyond the capacity
    FreeHandle(&sounds, s);
}

TEST(Handles, CheckNumbersWrapAt2048) {
    HandleTable t = HANDLE_TABLE_INIT(HandleKindSound, 4096, HandleAfterEnd, 0);
    SlotArrayFreed tSlots{&t};
    int last = -1;
    for (int i = 0; i < 2049; i++) {
        int h = MakeHandle(&t, sizeof(TestRecord), nullptr, nullptr);
        if (i == 2047) EXPECT_EQ((h >> 16) & 0x7FF, 2047);
        if (i == 2048) EXPECT_EQ((h >> 16) & 0x7FF, 0);
        ASSERT_EQ(FreeHandle(&t, h), 0);
        last = h;
    }
    EXPECT_EQ(last & 0xFFFF, 0); // an emptied table starts at slot 0 again
}

TEST(Handles, SlotEndRules) {
    HandleTable t = HANDLE_TABLE_INIT(HandleKindGraph, 32768, HandleAfterEnd, 0x8000);
    SlotArrayFreed tSlots{&t};
    int h0 = MakeHandle(&t, sizeof(TestRecord), nullptr, nullptr);
    int h1 = MakeHandle(&t, sizeof(TestRecord), nullptr, nullptr);
    int h2 = MakeHandle(&t, sizeof(TestRecord), nullptr, nullptr);
    FreeHandle(&t, h2);
    EXPECT_EQ(t.slotEnd, 2);
    int h2b = MakeHandle(&t, sizeof(TestRecord), nullptr, nullptr);
    EXPECT_EQ(h2b & 0xFFFF, 2);
    FreeHandle(&t, h1);
    EXPECT_EQ(t.slotEnd, 3);
    int h3 = MakeHandle(&t, sizeof(TestRecord), nullptr, nullptr);
    EXPECT_EQ(h3 & 0xFFFF, 3);
    // Freeing the top slots moves slotEnd down past the holes.
    FreeHandle(&t, h3);
    FreeHandle(&t, h2b);
    EXPECT_EQ(t.slotEnd, 1);
    FreeHandle(&t, h0);
    EXPECT_EQ(t.slotEnd, 0);
    EXPECT_EQ(t.usedCount, 0);
}

TEST(Handles, FullTablesReuseFreedSlotsAndReportFull) {
    HandleTable t = HANDLE_TABLE_INIT(HandleKindSurface, 8, HandleAfterEnd, 0);
    SlotArrayFreed tSlots{&t};
    std::vector<int> hs;
    for (int i = 0; i < 8; i++) hs.push_back(MakeHandle(&t, sizeof(TestRecord), nullptr, nullptr));
    int full = 0;
    EXPECT_EQ(MakeHandle(&t, sizeof(TestRecord), nullptr, &full), -1);
    EXPECT_EQ(full, 1);
    FreeHandle(&t, hs[3]);
    int h = MakeHandle(&t, sizeof(TestRecord), nullptr, &full);
    EXPECT_EQ(h & 0xFFFF, 3);
    EXPECT_EQ(full, 0);
    for (int i = 0; i < 8; i++) FreeHandle(&t, i == 3 ? h : hs[i]);
}

TEST(Handles, FontsTakeTheLowestFreeSlot) {
    HandleTable fonts = HANDLE_TABLE_INIT(HandleKindFont, 40, HandleFirstFree, 0);
    SlotArrayFreed fontsSlots{&fonts};
    int h[4];
    for (int i = 0; i < 4; i++) h[i] = MakeHandle(&fonts, sizeof(TestRecord), nullptr, nullptr);
    EXPECT_EQ(h[3] & 0xFFFF, 3);
    FreeHandle(&fonts, h[1]);
    int n = MakeHandle(&fonts, sizeof(TestRecord), nullptr, nullptr);
    EXPECT_EQ(n & 0xFFFF, 1);
    EXPECT_EQ(HandleOfSlot(&fonts, 1), n);
    EXPECT_EQ(HandleOfSlot(&fonts, 5), -1);
    for (int i : {h[0], n, h[2], h[3]}) FreeHandle(&fonts, i);
}

TEST(ApiLock, RecursionOnOneThreadDoesNotBlock) {
    EnterApiLock();
    EnterApiLock();
    EXPECT_EQ(ApiLockDepth(), 2);
    LeaveApiLock();
    LeaveApiLock();
    EXPECT_EQ(ApiLockDepth(), 0);
}

// Waits until the lock's queue holds n threads.
void WaitForWaiters(int n) {
    while (ApiLockWaiterCount() < n) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST(ApiLock, ThreadsGetTheLockInArrivalOrder) {
    std::mutex orderGuard;
    std::vector<char> order;
    EnterApiLock();
    std::vector<std::thread> threads;
    for (char name : {'A', 'B', 'C'}) {
        int before = ApiLockWaiterCount();
        threads.emplace_back([&, name] {
            EnterApiLock();
            {
                std::lock_guard<std::mutex> g(orderGuard);
                order.push_back(name);
            }
            LeaveApiLock();
        });
        WaitForWaiters(before + 1);
    }
    LeaveApiLock();
    for (auto& t : threads) t.join();
    EXPECT_EQ(std::string(order.begin(), order.end()), "ABC");
    EXPECT_EQ(ApiLockWaiterCount(), 0);
}

TEST(ApiLock, HolderBlocksOthersUntilItsLastLeave) {
    std::atomic<int> entered{0};
    EnterApiLock();
    EnterApiLock();
    std::thread t([&] {
        EnterApiLock();
        entered = 1;
        LeaveApiLock();
    });
    WaitForWaiters(1);
    LeaveApiLock();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(entered.load(), 0);
    LeaveApiLock();
    t.join();
    EXPECT_EQ(entered.load(), 1);
}

TEST(ApiLock, TheThreadBeyondAFullQueuePollsInsteadOfQueueing) {
    // 4096 threads fill the queue; one more must wait without an entry.
    const int kQueue = 4096;
    std::atomic<int> done{0};
    EnterApiLock();
    std::vector<std::thread> threads;
    threads.reserve(kQueue + 1);
    for (int i = 0; i < kQueue; i++) {
        threads.emplace_back([&] {
            EnterApiLock();
            done++;
            LeaveApiLock();
        });
    }
    WaitForWaiters(kQueue);
    std::atomic<int> extraIn{0};
    threads.emplace_back([&] {
        EnterApiLock();
        extraIn = 1;
        done++;
        LeaveApiLock();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(ApiLockWaiterCount(), kQueue);
    EXPECT_EQ(extraIn.load(), 0);
    LeaveApiLock();
    for (auto& t : threads) t.join();
    EXPECT_EQ(done.load(), kQueue + 1);
    EXPECT_EQ(ApiLockWaiterCount(), 0);
}

} // namespace
