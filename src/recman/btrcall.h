// The record manager's one entry point. Every keyed record file of the suite is reached through
// BTRCALL; the engine behind it (engine.h) keeps each file in SQLite. The caller owns every
// buffer and the 128-byte position block; the engine owns the open files, their locks and the
// process's transaction until Close or Reset. It never throws, never aborts on any bytes the
// caller passes, and never returns anything but a status.
//
// Parameters (the record manager's published types; int16_t/uint16_t/uint32_t/uint8_t/int8_t
// are the fixed-width forms of its 16-bit status and operation, 32-bit data length, byte key
// length and signed byte key number):
//   op          operation code, optionally with +100 (lock the record, wait) or +200 (lock the
//               record, no wait: 84 when another handle holds it). Unknown codes give 1.
//   posBlock    128 bytes, cleared by the caller before Open; the engine keeps its handle there.
//   data        data buffer; *dataLength is its size on entry and the bytes placed on return.
//               A read into a buffer too short returns the part that fits and status 22.
//   key         key buffer. Reads and Insert put the key value of the record there.
//   keyLength   the key buffer's size. 0 means "large enough for any key" (255 bytes), as
//               callers of the record manager pass it for positional reads; a non-zero size
//               smaller than the key gives 21.
//   keyNumber   the key (index) number, or the mode of Open (0 normal, -1 accelerated, -2 read
//               only, -3 verify, -4 exclusive) and of Create (-1: refuse an existing file with
//               59; anything else replaces it).
//
// File names: Open (0) and Create (14) take the file's whole host path (UTF-8, '/' separators,
// extension included: the caller's layer adds ".dat" to a name without one), zero-terminated
// in the key buffer (keyLength = its length, or 0). The Open data buffer may hold an owner
// name, which is accepted and ignored. Beside each data file the engine keeps "<path>-lock"
// (record and open locks) and SQLite's "-wal" and "-shm" files.
//
// Operations: 0 Open, 1 Close, 2 Insert, 3 Update, 4 Delete, 5 Get Equal, 6 Get Next, 7 Get
// Previous, 8 Get Greater, 9 Get Greater or Equal, 10 Get Less, 11 Get Less or Equal, 12 Get
// First, 13 Get Last, 14 Create, 15 Stat, 19/20/21 Begin/End/Abort Transaction, 22 Get
// Position (4-byte little-endian position into the data buffer), 23 Get Direct (position in
// the first 4 data bytes; the current position moves to that record on the key number given),
// 24/33/34/35 Step Next/First/Last/Previous (physical order), 27 Unlock, 28 Reset (closes
// every file this process opened, drops its locks, aborts its transaction).
//
// Statuses are the record manager's numbers (recman/status.h lists those returned here).
// Sharing: any number of processes may open a file; an exclusive open elsewhere, or a write
// while another process's transaction holds the file, gives 85 after a short wait. Every
// Insert, Update, Delete and End Transaction that returns 0 is on disk. A process that ends
// loses its locks and its open transaction. Thread safety: calls are serialised.
//
// Known limits: duplicates keep insertion order, but a record whose duplicate key is changed
// by Update takes its place among its new duplicates by position, not at their end; a
// transaction over several files commits them one after the other, so a failure while
// committing may leave the earlier files committed.
#pragma once

#include <cstdint>

#ifdef __cplusplus
extern "C" {
#endif

int16_t BTRCALL(uint16_t op, void* posBlock, void* data, uint32_t* dataLength, void* key,
                uint8_t keyLength, int8_t keyNumber);

#ifdef __cplusplus
}
#endif
