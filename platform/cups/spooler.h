#pragma once
// What the print spooler says of a queue and of a job: whether it takes
// jobs now, and what became of one. Asked of the CUPS scheduler over IPP.

#include <optional>
#include <string>

namespace platform::cups {

struct QueueStatus {
  bool reachable = false;  // the scheduler answered
  bool exists = false;
  bool accepting = false;
  bool stopped = false;
  std::string message;  // the queue's state message, "" when it has none
  std::string error;    // why the scheduler could not be asked or the queue is unknown
};
QueueStatus QueryQueue(const std::string& queue);

// The newest job of this user on the queue; 0 when there is none, nullopt
// when the scheduler cannot be asked.
std::optional<int> NewestJob(const std::string& queue);

// IPP job states.
enum JobState {
  kPending = 3,
  kHeld = 4,
  kProcessing = 5,
  kStopped = 6,
  kCanceled = 7,
  kAborted = 8,
  kCompleted = 9
};
struct JobStatus {
  int state = 0;
  std::string message;  // what the printer said while it had the job
};
std::optional<JobStatus> QueryJob(int job);

// The scheduler's answer to the last request of this thread, by anyone in
// the process (Qt's own submission of a job included); "" after success.
std::string LastError();

}  // namespace platform::cups
