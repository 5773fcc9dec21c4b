#include "platform/cups/spooler.h"

#include <cups/cups.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace platform::cups {

namespace {

struct IppDeleter {
  void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};
using Ipp = std::unique_ptr<ipp_t, IppDeleter>;

std::string Text(ipp_t* answer, const char* name) {
  ipp_attribute_t* a = ippFindAttribute(answer, name, IPP_TAG_ZERO);
  const char* s = a ? ippGetString(a, 0, nullptr) : nullptr;
  return s ? s : "";
}

int Number(ipp_t* answer, const char* name) {
  ipp_attribute_t* a = ippFindAttribute(answer, name, IPP_TAG_ZERO);
  return a ? ippGetInteger(a, 0) : 0;
}

Ipp Ask(ipp_op_t op, const char* uriName, const std::string& uri,
        std::initializer_list<const char*> wanted) {
  ipp_t* request = ippNewRequest(op);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, uriName, nullptr, uri.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               cupsUser());
  std::vector<const char*> names(wanted);
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                static_cast<int>(names.size()), nullptr, names.data());
  // takes the request; null when the scheduler cannot be reached
  return Ipp(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/"));
}

bool Unreachable() {
  ipp_status_t s = cupsLastError();
  return s == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE || s == IPP_STATUS_ERROR_INTERNAL;
}

}  // namespace

QueueStatus QueryQueue(const std::string& queue) {
  QueueStatus q;
  char uri[1024];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                   "/printers/%s", queue.c_str());
  Ipp answer = Ask(IPP_OP_GET_PRINTER_ATTRIBUTES, "printer-uri", uri,
                   {"printer-state", "printer-state-message", "printer-is-accepting-jobs"});
  q.reachable = answer || !Unreachable();
  if (!answer || cupsLastError() > IPP_STATUS_OK_CONFLICTING) {
    q.error = cupsLastErrorString();
    return q;
  }
  q.exists = true;
  ipp_attribute_t* accepting =
      ippFindAttribute(answer.get(), "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
  q.accepting = accepting && ippGetBoolean(accepting, 0);
  q.stopped = Number(answer.get(), "printer-state") == IPP_PSTATE_STOPPED;
  q.message = Text(answer.get(), "printer-state-message");
  return q;
}

std::optional<int> NewestJob(const std::string& queue) {
  cups_job_t* jobs = nullptr;
  int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.c_str(), 1, CUPS_WHICHJOBS_ALL);
  if (n < 0 || (n == 0 && cupsLastError() > IPP_STATUS_OK_CONFLICTING)) {
    cupsFreeJobs(n, jobs);
    return std::nullopt;
  }
  int newest = 0;
  for (int i = 0; i < n; ++i) newest = std::max(newest, jobs[i].id);
  cupsFreeJobs(n, jobs);
  return newest;
}

std::optional<JobStatus> QueryJob(int job) {
  Ipp answer =
      Ask(IPP_OP_GET_JOB_ATTRIBUTES, "job-uri", "ipp://localhost/jobs/" + std::to_string(job),
          {"job-state", "job-printer-state-message", "job-state-message"});
  if (!answer || cupsLastError() > IPP_STATUS_OK_CONFLICTING) return std::nullopt;
  JobStatus s;
  s.state = Number(answer.get(), "job-state");
  s.message = Text(answer.get(), "job-printer-state-message");
  if (s.message.empty()) s.message = Text(answer.get(), "job-state-message");
  return s;
}

std::string LastError() {
  return cupsLastError() > IPP_STATUS_OK_CONFLICTING ? cupsLastErrorString() : "";
}

}  // namespace platform::cups
