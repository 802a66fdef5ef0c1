#pragma once
// File access shared by the parts of the dBASE engine; not for other callers.
#include <QString>

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

namespace platform::dbfio {

constexpr char kFileEnd = 0x1A;
constexpr size_t kWindow = 64 * 1024; // the most one read of records takes
// A full reload's changes, in file order, go to the file at this size: the
// copy into the buffer and the write's copy out of it then stay in the
// processor's cache (at 8 MB each went through memory).
constexpr size_t kWholeRunBytes = size_t(1) << 20;
// One read of a whole-table scan. The scan reads into the record window, so
// that its pages are in place when rows are read later (a first touch of
// fresh memory costs more than the read itself on a virtual machine).
constexpr size_t kScanBlock = size_t(1) << 20;

// Whether a field's bytes hold an integer as this engine writes one: its
// shortest decimal (no '+', no leading zeros, no "-0"), against the right
// edge when `numeric`, else against the left; within 32 bits, its value.
bool PlainNumber(const char* bytes, int width, bool numeric, int32_t* value);
// what, then the reason errno gives.
QString SysError(const QString& what);
// Writes all of buf at offset, retrying short writes.
bool WriteAt(int fd, const char* buf, size_t size, off_t offset);
// Reads up to size bytes at offset; returns how many there were.
size_t ReadSome(int fd, char* buf, size_t size, off_t offset);
inline bool ReadAt(int fd, char* buf, size_t size, off_t offset) {
    return ReadSome(fd, buf, size, offset) == size;
}

} // namespace platform::dbfio
