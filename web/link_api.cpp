// The page's address as a link to what it shows: the settings in its query
// are read and written by the calculator's own code (calc/link.h), so that
// the page, dipview-calc --link and the calculator's options share one
// vocabulary. The page adds two keys of its own: zoom, a percentage as the
// desktop takes it, and all-faults=1 for the all-faults form when none of the
// settings needs it.

#include <emscripten/emscripten.h>

#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "calc/link.h"
#include "calc/presets.h"
#include "calc/settings.h"
#include "design/form.h"
#include "design/zoom.h"
#include "web/page_api.h"

namespace {

using namespace dipview::calc;

std::string g_query;
LinkReading g_reading;
std::string g_answer;
// The link asks for the all-faults form.
bool g_allFaults = false;

constexpr std::string_view kAllFaultsKey = "all-faults";

void AppendJsonText(std::string_view text, std::string& out) {
  out += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      // QuoteForMessage leaves no control byte, but a JSON text may hold none.
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  out += '"';
}

}  // namespace

extern "C" {

/// Room for the query of the page's address, `bytes` long plus its end.
EMSCRIPTEN_KEEPALIVE char* dipview_query(int bytes) {
  g_query.assign(static_cast<std::size_t>(bytes > 0 ? bytes : 0) + 1, '\0');
  return g_query.data();
}

/// Reads the query put in dipview_query's room. Answers JSON: whether it
/// names any setting, the zoom factor (0 to fit the window) and a message for
/// each bad key or value; with any, the settings stay the start-up ones.
EMSCRIPTEN_KEEPALIVE const char* dipview_read_link() {
  g_reading = ReadLink(g_query.c_str(), {"zoom", std::string_view(kAllFaultsKey)});
  if (g_reading.problems.empty()) {
    // Settings only the all-faults form shows open the page in that form.
    std::string refused =
        WhatTheWindowCannotShow(g_reading.settings, "the page", SettingSpelling::Link,
                                dipview::design::FormMode::AllFaults);
    if (!refused.empty()) {
      g_reading.problems.push_back(std::move(refused));
      g_reading.settings = dipview::FaultInputs{};
    }
  }
  const bool fallback = !g_reading.problems.empty();
  double zoom = 0;
  if (const std::optional<std::string>& text = g_reading.pageValues[0]) {
    if (const std::optional<double> parsed = dipview::design::ParseZoomPercent(*text)) {
      zoom = *parsed;
    } else {
      g_reading.problems.push_back(
          "zoom: " + dipview::output::QuoteForMessage(*text) + " is not allowed; allowed: " +
          std::string(dipview::design::kAllowedZoom) + "; the page fits its window");
    }
  }
  g_allFaults = false;
  if (const std::optional<std::string>& text = g_reading.pageValues[1]) {
    if (*text == "0" || *text == "1") {
      g_allFaults = *text == "1";
      g_reading.named = true;
    } else {
      g_reading.problems.push_back(std::string(kAllFaultsKey) + ": " +
                                   dipview::output::QuoteForMessage(*text) +
                                   " is not allowed; allowed: 0 or 1");
    }
  }
  g_answer = "{\"named\":";
  g_answer += g_reading.named ? "true" : "false";
  char number[32];
  g_answer += fallback ? ",\"fallback\":true" : ",\"fallback\":false";
  g_answer += ",\"zoom\":";
  g_answer.append(number, std::to_chars(number, number + sizeof number, zoom).ptr);
  g_answer += ",\"problems\":[";
  for (std::size_t i = 0; i < g_reading.problems.size(); ++i) {
    g_answer += i == 0 ? "" : ",";
    AppendJsonText(g_reading.problems[i], g_answer);
  }
  g_answer += "]}";
  return g_answer.c_str();
}

/// Puts the settings dipview_read_link read on the page and runs one pass;
/// answers the page's state.
EMSCRIPTEN_KEEPALIVE const char* dipview_apply_link() {
  if (g_allFaults) {
    dipview::web::SetMode(dipview::design::FormMode::AllFaults);
  }
  return dipview::web::ApplySettings(g_reading.settings);
}

/// The textbook cases, in teaching order, as a list offers them:
/// ["bolted-single: phase A to ground ...", ...].
EMSCRIPTEN_KEEPALIVE const char* dipview_presets() {
  g_answer = "[";
  for (const Preset& preset : kPresets) {
    g_answer += g_answer.size() == 1 ? "" : ",";
    AppendJsonText(PresetCaption(preset), g_answer);
  }
  g_answer += ']';
  return g_answer.c_str();
}

/// Puts the settings of textbook case `index` (in dipview_presets' order) on
/// the page and runs one pass; answers the page's state. Any other index
/// changes nothing.
EMSCRIPTEN_KEEPALIVE const char* dipview_apply_preset(int index) {
  if (index < 0 || index >= static_cast<int>(kPresets.size())) {
    return dipview::web::ApplySettings(dipview::web::PageSettings());
  }
  return dipview::web::ApplySettings(kPresets[static_cast<std::size_t>(index)].settings);
}

/// The page's relative link for what it shows: "?fault=single&...".
EMSCRIPTEN_KEEPALIVE const char* dipview_link() {
  const dipview::FaultInputs settings = dipview::web::PageSettings();
  g_answer = WriteLink(settings);
  if (dipview::web::PageMode() == dipview::design::FormMode::AllFaults &&
      !dipview::design::NeedsAllFaults(settings)) {
    g_answer += "&" + std::string(kAllFaultsKey) + "=1";
  }
  return g_answer.c_str();
}

}  // extern "C"
