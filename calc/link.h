#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include <vector>
#include "design/controls.h"

#include "compute/fault.h"

namespace dipview::calc {

/// One setting as the page's address and dipview-calc's options name it:
/// "fault", "z12-angle", "transformers", ... Its text is read into
/// FaultInputs (throws ValueError) and written back as the shortest text that
/// reads back to the same value.
struct LinkSetting {
  std::string_view key;
  void (*parse)(std::string_view text, FaultInputs& in);
  char* (*write)(const FaultInputs& in, char* out);
};

/// Longest text a LinkSetting::write produces.
inline constexpr int kLinkValueMax = 32;

/// fault, phases, z12-angle, z0-angle, zf-angle, z0-ratio, zf-ratio,
/// proximity, transformers: the order a link writes and reads them in, so
/// that phases is read once the fault is known.
extern const std::array<LinkSetting, 9> kLinkSettings;

/// The page's relative link for `in`: "?fault=single&z12-angle=90&...", every
/// setting but phases, which only when not the fault's first (a, bc).
std::string WriteLink(const FaultInputs& in);

/// What a link's query says.
struct LinkReading {
  /// The start-up settings with those of the link on top; the start-up
  /// settings alone when any is bad.
  FaultInputs settings;
  /// Whether the link names any setting.
  bool named = false;
  /// One message for each bad key or value, naming it and what is allowed.
  std::vector<std::string> problems;
  /// The values of `pageKeys` the link gives, in their order; nullopt when not given.
  std::vector<std::optional<std::string>> pageValues;
};

/// Reads a query, with or without its leading '?': key=value pairs split by
/// '&', '+' for a blank and %hh escapes, as a browser writes them. Keys are
/// the setting keys and `pageKeys` (the page's own, as "zoom"); a later value
/// overrides an earlier one.
LinkReading ReadLink(std::string_view query, const std::vector<std::string_view>& pageKeys = {});

/// How a message spells a setting: as an option ("--z0-ratio 1.7") or as a
/// link's key ("z0-ratio=1.7").
enum class SettingSpelling { Option, Link };

/// Empty when the window's controls in `mode` can show `in`; otherwise a
/// message starting with `lead` ("the window") that says what they offer: in
/// the default form single, phase-phase and three faults on phase A or phases
/// B and C and DY or YY transformers; in both, the ratios of the options.
std::string WhatTheWindowCannotShow(const FaultInputs& in, std::string_view lead,
                                    SettingSpelling spelling,
                                    design::FormMode mode = design::FormMode::Default);

}  // namespace dipview::calc
