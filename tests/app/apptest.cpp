#include "app/apptest.h"

#include <ctime>
#include <regex>

namespace apptest {

std::vector<std::string> LogMessages(const std::string& log) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const std::regex stamp(
      std::to_string(local.tm_year) +
      R"(-(0[1-9]|1[0-2])-(0[1-9]|[12]\d|3[01]) ([01]\d|2[0-3]):[0-5]\d:[0-5]\d )");
  std::vector<std::string> messages;
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find('\n', start);
    end = end == std::string::npos ? log.size() : end + 1;
    std::string line = log.substr(start, end - start);
    std::smatch m;
    EXPECT_TRUE(std::regex_search(line, m, stamp, std::regex_constants::match_continuous))
        << "no time stamp: " << line;
    messages.push_back(m.empty() ? line : line.substr(m.length(0)));
    start = end;
  }
  return messages;
}

}  // namespace apptest
