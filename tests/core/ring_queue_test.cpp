// The ring queue under the window messages and the backends' events, checked
// against a plain deque: order kept across the wrap, a full queue drops the newest.
#include <gtest/gtest.h>

#include <deque>
#include <random>

#include "runtime/platform/common/ring_queue.h"

namespace {

TEST(RingQueue, MatchesADequeThroughWrapsFullAndClear) {
    RingQueue<int, 4> q{};
    std::deque<int> reference;
    std::mt19937 rng(18);
    for (int step = 0; step < 5000; step++) {
        int op = (int)(rng() % 10);
        if (op < 5) {
            bool pushed = RingPush(&q, step);
            EXPECT_EQ(pushed, reference.size() < 4) << "step " << step;
            if (pushed) reference.push_back(step);
        } else if (op < 9) {
            int out = -1;
            bool popped = RingPop(&q, &out);
            ASSERT_EQ(popped, !reference.empty()) << "step " << step;
            if (popped) {
                EXPECT_EQ(out, reference.front()) << "step " << step;
                reference.pop_front();
            }
        } else {
            RingClear(&q);
            reference.clear();
        }
        ASSERT_EQ(q.count, (int)reference.size());
        const int* front = RingFront(&q);
        if (reference.empty()) EXPECT_EQ(front, nullptr);
        else EXPECT_EQ(*front, reference.front());
    }
}

} // namespace
