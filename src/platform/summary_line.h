#pragma once
// One line of a wizard's summary: what applying will do. Headings stand out from the lines under
// them.

#include <string>
#include <vector>

namespace vaultora {

struct TSummaryLine {
  std::string Text;
  bool Heading = false;
};
using TSummary = std::vector<TSummaryLine>;

// The summary as plain lines, for the command line and for tests.
inline std::vector<std::string> SummaryTexts(const TSummary& summary) {
  std::vector<std::string> texts;
  for (const TSummaryLine& line : summary)
    texts.push_back(line.Text);
  return texts;
}

}  // namespace vaultora
