#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace zarava {

// The way a test makes the file layer fail as a broken disk or share does: a refused rename, a
// write cut short by a full disk, a file that vanishes between two looks. A plan is laid on one
// folder, as a failing device is mounted at one, and every file operation of this layer on a
// path inside that folder asks it first. A plan that blocks when asked holds the operation for
// as long as it blocks, as a stalled share does.
//
// Why one table for the whole process rather than an object handed to each call: the file layer
// is free functions at the bottom of every path (the settings store, the log, the queue and news
// reads, the barcode hand-off), and the same functions exist once per system. Passing a file
// system object through all of them would change every signature above for the sake of tests,
// and a fault keyed to a folder cannot leak into files the test did not name. Nothing is laid
// outside tests, and then the check is one atomic load.

enum class FileOperation {
    Open,   // an existing entry opened, or looked at, to be read or changed
    Read,   // bytes read from an open file
    Write,  // bytes written into a file: appended, written over, or into a new file
    Flush,  // a file's bytes made durable
    Create, // a new file or folder entry made
    Rename, // a file put in another's place
    Remove, // an entry deleted
    Lock,   // a lock taken on a file
};

enum class FileFault {
    None,
    Refused,  // the system or the share refuses, as for a file we may not change
    Vanished, // the entry is gone, as if another program had just deleted it
    DiskFull, // no space: a write puts `bytesWritten` bytes and fails
};

struct PlannedFault {
    FileFault fault = FileFault::None;
    std::size_t bytesWritten = 0;
};

using FileFaultPlan = std::function<PlannedFault(FileOperation, const std::string& path)>;

// Lays the plan on the folder for the object's life.
class ScopedFileFaults {
public:
    ScopedFileFaults(const std::string& folder, FileFaultPlan plan);
    ~ScopedFileFaults();
    ScopedFileFaults(const ScopedFileFaults&) = delete;
    ScopedFileFaults& operator=(const ScopedFileFaults&) = delete;

private:
    std::shared_ptr<const FileFaultPlan> plan_;
};

// For the implementations of the file layer: what the plans say of this operation on this
// path (None when no plan covers it).
PlannedFault FaultFor(FileOperation operation, const std::string& path);

} // namespace zarava
