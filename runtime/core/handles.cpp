// The handle tables shared by every handle kind: allocation after the end or at
// the first free slot, check numbers cycling through 2048 values, validation.
#include "runtime/core/handles.h"

#include <stdlib.h>

#include "runtime/core/memory.h"

namespace {

bool EnsureSlots(HandleTable* table) {
    if (table->slots) return true;
    // The slot array is part of the static table and lives for the process, so it
    // stays outside the tracked allocator (it is never a leak).
    table->slots = (void**)calloc((size_t)table->capacity, sizeof(void*));
    return table->slots != nullptr;
}

bool SlotRuleHolds(const HandleTable* table, int slot) {
    if (slot & table->slotMask) return false;
    return slot < table->capacity;
}

} // namespace

static unsigned s_handleChanges;

unsigned HandleChangeCount(void) {
    return s_handleChanges;
}

int MakeHandle(HandleTable* table, int recordSize, void** record, int* full) {
    if (full) *full = 0;
    if (record) *record = nullptr;
    if (!EnsureSlots(table)) return -1;
    int slot = -1;
    if (table->usedCount >= table->capacity) {
        if (full) *full = 1;
        return -1;
    }
    if (table->allocation == HandleAfterEnd && table->slotEnd < table->capacity) {
        slot = table->slotEnd;
    } else {
        for (int i = 0; i < table->capacity; i++) {
            if (!table->slots[i]) {
                slot = i;
                break;
            }
        }
    }
    if (slot < 0) {
        if (full) *full = 1;
        return -1;
    }
    void* rec = TrackedCalloc(recordSize, __FILE__, __LINE__);
    if (!rec) return -1;
    HandleRecordHeader* header = static_cast<HandleRecordHeader*>(rec);
    header->check = table->nextCheck;
    table->nextCheck = table->nextCheck + 1 >= 2048 ? 0 : table->nextCheck + 1;
    table->slots[slot] = rec;
    table->usedCount++;
    s_handleChanges++;
    if (slot >= table->slotEnd) table->slotEnd = slot + 1;
    if (record) *record = rec;
    return EncodeHandle(table->kind, header->check, slot);
}

void* LookupHandle(const HandleTable* table, int handle) {
    if (handle < 0 || !table->slots) return nullptr;
    if (((handle >> 27) & 0xF) != table->kind) return nullptr;
    int slot = handle & 0xFFFF;
    if (!SlotRuleHolds(table, slot)) return nullptr;
    void* rec = table->slots[slot];
    if (!rec) return nullptr;
    if ((static_cast<HandleRecordHeader*>(rec)->check << 16) != (handle & 0x07FF0000)) return nullptr;
    return rec;
}

int FreeHandle(HandleTable* table, int handle) {
    void* rec = LookupHandle(table, handle);
    if (!rec) return -1;
    int slot = handle & 0xFFFF;
    TrackedFree(rec);
    table->slots[slot] = nullptr;
    table->usedCount--;
    s_handleChanges++;
    if (slot + 1 == table->slotEnd) {
        if (table->usedCount == 0) {
            table->slotEnd = 0;
        } else {
            int s = slot - 1;
            while (s >= 0 && !table->slots[s]) s--;
            table->slotEnd = s + 1;
        }
    }
    return 0;
}

int HandleOfSlot(const HandleTable* table, int slot) {
    if (!table->slots || slot < 0 || slot >= table->capacity || !table->slots[slot]) return -1;
    return EncodeHandle(table->kind, static_cast<HandleRecordHeader*>(table->slots[slot])->check, slot);
}
