// Handle encoding shared by every handle kind: kind in bits 27..30, an 11-bit
// check number in bits 16..26, the table slot in bits 0..15.
#pragma once

enum HandleKind {
    HandleKindGraph = 1,
    HandleKindSound = 2,
    HandleKindMovie = 3,
    HandleKindFont = 4,
    HandleKindSurface = 5,
    HandleKind3dSurface = 6,
    HandleKindSurfaceImage = 7,
};

enum HandleAllocation {
    HandleAfterEnd = 0, // slots handed out after the highest used one
    HandleFirstFree = 1 // lowest free slot
};

// Every record behind a handle begins with its check number.
struct HandleRecordHeader {
    int check;
};

struct HandleTable {
    int kind;       // HandleKind
    int capacity;   // slots in the table
    int allocation; // HandleAllocation
    int slotMask;   // slots with these bits set are invalid (graphs: 0x8000)
    void** slots;   // record pointers, null = free; allocated on first use
    int usedCount;  // records in use
    int slotEnd;    // one past the highest slot in use
    int nextCheck;  // check number of the next handle, 0..2047
};

#define HANDLE_TABLE_INIT(kind, capacity, allocation, slotMask) \
    { (kind), (capacity), (allocation), (slotMask), nullptr, 0, 0, 0 }

// Returns the new handle with its zeroed record (recordSize bytes, beginning with
// HandleRecordHeader) in *record, or -1 when the table is full or memory ran out;
// the caller gives its kind's own reaction (log line or FatalExit).
// *full is set to 1 when the failure was a full table.
int MakeHandle(HandleTable* table, int recordSize, void** record, int* full);
// The record of a valid handle, or null.
void* LookupHandle(const HandleTable* table, int handle);
// Frees the record (the caller has released its resources). 0, or -1 if invalid.
int FreeHandle(HandleTable* table, int handle);
// The handle of the record in a used slot (for-each walks), or -1 for a free slot.
int HandleOfSlot(const HandleTable* table, int slot);
// Encodes a handle from its parts.
inline int EncodeHandle(int kind, int check, int slot) {
    return slot | (check << 16) | (kind << 27);
}
