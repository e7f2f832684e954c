#include "calc/columns.h"

#include "calc/events.h"
#include "calc/settings.h"

namespace dipview::calc {

const std::vector<OutputColumn>& AllOutputColumns() {
  static const std::vector<OutputColumn> columns = [] {
    std::vector<OutputColumn> c;
    for (std::size_t i = 0; i < kSettingColumns.size(); ++i) {
      c.push_back({std::string(kSettingColumns[i].name), ColumnGroup::Settings, static_cast<int>(i),
                   !kSettingColumns[i].isNumber});
      if (i == 0) {
        c.push_back({std::string(kPhasesColumn.name), ColumnGroup::Settings, kPhasesIndex, true});
      }
    }
    int index = 0;
    for (const char* bus : {"hv", "mv", "c1", "c2", "v0", "v1", "v2"}) {
      for (const char* phase : {"_a", "_b", "_c"}) {
        const bool sequence = bus[0] == 'v';
        for (const char* part : {"_mag", "_ang"}) {
          c.push_back(
              {std::string(bus) + (sequence ? "" : phase) + part, ColumnGroup::Readouts, index++});
        }
        if (sequence) {
          break;
        }
      }
    }
    index = 0;
    for (const char* bus : kBusKeys) {
      for (const auto& column : kClassifyColumns) {
        c.push_back(
            {std::string(bus) + column.suffix, ColumnGroup::Classify, index++, column.isText});
      }
    }
    index = 0;
    for (const char* bus : kBusKeys) {
      for (const char* pair : {"_ab", "_bc", "_ca"}) {
        for (const char* part : {"_mag", "_ang"}) {
          c.push_back({std::string(bus) + pair + part, ColumnGroup::LineToLine, index++});
        }
      }
    }
    index = 0;
    for (const char* bus : kBusKeys) {
      for (const EventColumn& column : kEventColumns) {
        c.push_back({std::string(bus) + std::string(column.suffix), ColumnGroup::Events, index++,
                     column.isText});
      }
    }
    return c;
  }();
  return columns;
}

const std::array<std::string, 10 + kReadoutCount>& OutputColumnNames() {
  static const std::array<std::string, 10 + kReadoutCount> names = [] {
    std::array<std::string, 10 + kReadoutCount> n;
    std::size_t i = 0;
    for (const OutputColumn& column : DefaultColumns({})) {
      n[i++] = column.name;
    }
    return n;
  }();
  return names;
}

std::vector<OutputColumn> DefaultColumns(const ExtraColumns& extras) {
  std::vector<OutputColumn> columns;
  for (const OutputColumn& column : AllOutputColumns()) {
    if (column.group == ColumnGroup::Settings && column.index == kPhasesIndex) {
      if (extras.phases) {
        columns.push_back(column);
      }
    } else if (column.group == ColumnGroup::Settings || column.group == ColumnGroup::Readouts ||
               (column.group == ColumnGroup::Classify && extras.classify) ||
               (column.group == ColumnGroup::LineToLine && extras.lineToLine) ||
               (column.group == ColumnGroup::Events && extras.events)) {
      columns.push_back(column);
    }
  }
  return columns;
}

std::vector<std::string> ExtraColumnNames(const ExtraColumns& extras) {
  std::vector<std::string> names;
  for (const OutputColumn& column : DefaultColumns(extras)) {
    if (column.group == ColumnGroup::Classify || column.group == ColumnGroup::LineToLine ||
        column.group == ColumnGroup::Events) {
      names.push_back(column.name);
    }
  }
  return names;
}

}  // namespace dipview::calc
