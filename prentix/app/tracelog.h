#pragma once
// The capture program's trace log: printf-style lines, each after a time
// stamp "yy-mm-dd hh:mm:ss " whose year counts from 1900 (97 for 1997, 126
// for 2026), written to the file the live setting `Logging` names.
//
// The file is created empty by the first line after start and after every
// close, and each line reaches the disk at once. When it cannot be created,
// logging stays off for the rest of the run without a word. Lines end as
// the messages end them (they carry their own "\n"); on Linux that is LF.

#include <cstdarg>
#include <ctime>
#include <string>

namespace prentix {

// A format longer than this writes only the time stamp and its blank.
inline constexpr size_t kTraceFormatLimit = 1024;

void TraceLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
void VTraceLog(const char* format, va_list args);

// Closes the file; the next line re-creates it, empty. With keepLines it
// appends instead: a viewer that was handed the file never finds it
// emptied under it.
void CloseTraceLog(bool keepLines = false);

// Starts a new run: closes the file and forgets an earlier failed open.
void ResetTraceLog();

// True while the file is open; true once an open has failed in this run.
bool TraceLogOpen();
bool TraceLogFailed();

// "%02d-%02d-%02d %02d:%02d:%02d" of years since 1900, month 1-12, day,
// hour, minute, second.
std::string TraceTimeStamp(const std::tm& local);

}  // namespace prentix
