#pragma once
// The readers' picture budget for the fuzz targets: small enough that the
// largest picture a target may legally load fits run.sh's memory limits
// (-rss_limit_mb, -malloc_limit_mb) with the sanitizers' own overhead.
#include "prentix/image/picturelimits.h"

namespace {

const bool kFuzzBudgetSet = [] {
  prentix::SetPictureLimits(prentix::PictureLimits{16'000'000, 16384});
  return true;
}();

}  // namespace
