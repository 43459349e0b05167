// A fixed-capacity first-in first-out queue over a plain array, for the window
// messages and the backends' pending window events. Zero-initialised it is empty;
// pushing onto a full queue drops the item and says so.
#pragma once

template <typename T, int Capacity>
struct RingQueue {
    T items[Capacity];
    int head;  // index of the oldest item
    int count; // items queued
};

template <typename T, int Capacity>
bool RingPush(RingQueue<T, Capacity>* q, const T& item) {
    if (q->count == Capacity) return false;
    q->items[(q->head + q->count) % Capacity] = item;
    q->count++;
    return true;
}

template <typename T, int Capacity>
bool RingPop(RingQueue<T, Capacity>* q, T* out) {
    if (!q->count) return false;
    *out = q->items[q->head];
    q->head = (q->head + 1) % Capacity;
    q->count--;
    return true;
}

// The oldest item, or null when the queue is empty.
template <typename T, int Capacity>
const T* RingFront(const RingQueue<T, Capacity>* q) {
    return q->count ? &q->items[q->head] : nullptr;
}

template <typename T, int Capacity>
void RingClear(RingQueue<T, Capacity>* q) {
    q->head = 0;
    q->count = 0;
}
