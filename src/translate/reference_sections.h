// Finding the bibliography sections of a document, so that translation keeps
// them in their source form: a confirmed reference heading or a run of
// entry-like lines opens a section, which runs across columns and pages until
// a closing heading; running headers are ignored and headings that are table-
// of-contents lines refused.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "content/records.h"

namespace zvk {

// The ids of the glyphs that lie in reference sections, ascending and without
// repetitions; empty for a document without glyphs or without sections.
// Runs its own segmentation (figures and tables skipped, no regions, no
// pages), never the one translation planning uses. Changes nothing, never
// fails, runs on the calling thread.
std::vector<std::uint32_t> find_reference_sections(std::span<const Glyph> glyphs);

}  // namespace zvk
