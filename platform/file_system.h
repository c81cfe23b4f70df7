#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zorva::platform {

// Paths are the file system's own byte strings (UTF-8 on Linux, the ANSI code page on Windows),
// passed through unchanged.

// What separates the names in a path: '/' on Linux, '\\' on Windows.
extern const char pathSeparator;

enum class ReadOutcome { Read, Missing, Failed };

// Reads a whole file. On Failed, reason holds the operating system's explanation.
ReadOutcome readWholeFile(const std::string& path, std::string& contents, std::string& reason);

// Writes the contents to a new file in the same directory and renames it over path, so that
// readers see either the old file or the complete new one, never a part. A file that may not
// be written is refused, as the Windows profile functions refuse a read-only file. A symbolic
// link stays a link: the file it leads to is replaced, and created when it is not there yet.
// Returns false, with the old file untouched and no temporary file left, when anything fails.
bool replaceFileAtomically(const std::string& path, std::string_view contents);

// Removes the temporary files that replaceFileAtomically left beside path when its process was
// killed or lost power in the middle of a write: those named after path whose process no longer
// runs, beside path and beside the file a link at path leads to. A temporary that a running
// process is writing stays, and so does every other file.
// replaceFileAtomically calls it before each write; a program calls it at start for its files.
// Returns how many it removed.
std::size_t removeStaleTemporaries(const std::string& path);

// True when no file remains at path, whether it was removed or was never there. A file that
// replaceFileAtomically would refuse is not removed either, as Windows keeps a read-only file.
// Of a symbolic link, the file it leads to goes and the link stays, for the next save to fill.
bool removeFile(const std::string& path);

} // namespace zorva::platform
