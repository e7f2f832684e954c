#include "calc/columns.h"

#include <algorithm>

#include "calc/settings.h"

namespace dipview::calc {

std::vector<OutputColumn> ParseColumns(std::string_view text) {
  const auto allowed = [] {
    std::string names;
    for (const OutputColumn& column : AllOutputColumns()) {
      names += names.empty() ? "" : ",";
      names += column.name;
    }
    return "; allowed: names of columns separated by commas, each once: " + names;
  };
  std::vector<OutputColumn> columns;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    std::string_view name = text.substr(start, comma - start);
    const std::size_t first = name.find_first_not_of(" \t");
    name = first == std::string_view::npos
               ? std::string_view()
               : name.substr(first, name.find_last_not_of(" \t") - first + 1);
    const auto& all = AllOutputColumns();
    const auto found = std::find_if(all.begin(), all.end(), [name](const OutputColumn& c) {
      return EqualsIgnoringCase(c.name, name);
    });
    if (name.empty()) {
      throw ValueError("'" + std::string(text) + "' has an empty column name" + allowed());
    }
    if (found == all.end()) {
      throw ValueError("'" + std::string(name) + "' is not a column" + allowed());
    }
    if (std::find(columns.begin(), columns.end(), *found) != columns.end()) {
      throw ValueError("'" + std::string(name) + "' is named twice" + allowed());
    }
    columns.push_back(*found);
    if (comma == std::string_view::npos) {
      return columns;
    }
    start = comma + 1;
  }
}

}  // namespace dipview::calc
